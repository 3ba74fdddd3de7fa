#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace brisklet::platform {

// Starts browsers with command-line arguments of our choosing ("--new-window" and
// pages). Any thread.
class BrowserLauncher {
public:
    struct Launch {
        bool ok = false;
        qint64 pid = 0; // the started process; it may hand off to a running instance and exit
        QString error;  // why it failed, for the log
        // The fresh startup id the process was given in its environment, when asked
        // for: a browser that passes it on puts it on the window the launch opened.
        QString startupId;
    };
    enum class StartupId { none, fresh };

    virtual ~BrowserLauncher() = default;
    // Start the entry detached with `arguments` where its command line takes URLs
    // (after its other arguments when it takes none).
    virtual Launch launchWithArguments(const QString& desktopId, const QStringList& arguments,
                                       StartupId startupId) = 0;
    Launch launchWithArguments(const QString& desktopId, const QStringList& arguments) {
        return launchWithArguments(desktopId, arguments, StartupId::none);
    }
    virtual bool isInstalled(const QString& desktopId) = 0;
    // The entry that opens https addresses by default, if one is set.
    virtual std::optional<QString> defaultBrowser() = 0;
    // The entry that opens folders by default, if one is set.
    virtual std::optional<QString> defaultFileManager() { return std::nullopt; }
    // Every installed entry that can open https addresses, the default one included.
    virtual QStringList webHandlers() {
        const auto id = defaultBrowser();
        return id ? QStringList{*id} : QStringList{};
    }
};

} // namespace brisklet::platform
