#pragma once

#include "platform/BrowserLauncher.h"
#include "platform/linux/DesktopEntries.h"

#include <functional>
#include <memory>

namespace brisklet::platform {

// Launches desktop entries by their Exec line, never through a shell.
class XdgBrowserLauncher final : public BrowserLauncher {
public:
    using EntriesProvider = std::function<std::shared_ptr<const DesktopEntries>()>;
    // `entries` gives the current scan (shared with the app index); by default each
    // call scans afresh.
    explicit XdgBrowserLauncher(EntriesProvider entries = {});

    Launch launchWithArguments(const QString& desktopId, const QStringList& arguments) override;
    bool isInstalled(const QString& desktopId) override;
    std::optional<QString> defaultBrowser() override;
    std::optional<QString> defaultFileManager() override;
    QStringList webHandlers() override;

    // The command line: Exec with `arguments` in place of its URL field code, or
    // after it when it has none. Empty when Exec is empty or malformed.
    static QStringList commandLine(const DesktopEntry& entry, const QStringList& arguments);

private:
    EntriesProvider entries_;
};

} // namespace brisklet::platform
