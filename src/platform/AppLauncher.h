#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace brisklet::platform {

// Starting and steering applications by their desktop ID. Any thread.
class AppLauncher {
public:
    struct Launch {
        bool ok = false;
        qint64 pid = 0; // the started process; it may hand off and own no window
        QString error;  // why it failed, for the log
        // The startup id the process was given in its environment, if any: a program
        // that follows the startup convention puts it on the windows it opens.
        QString startupId;
    };

    virtual ~AppLauncher() = default;
    // Start the application detached, optionally opening `urls` with it. The URLs are
    // passed only when the entry takes them.
    virtual Launch launch(const QString& desktopId, const QStringList& urls = {}) = 0;
    // Whether process `pid` is `launched` or was started by it, directly or through
    // others: a wrapper script's program is the launch's too. False for unknown pids.
    virtual bool startedBy(qint64 pid, qint64 launched) { return pid > 0 && pid == launched; }
    // Whether the entry takes URLs or files on its command line.
    virtual bool acceptsUrls(const QString& desktopId) = 0;
    // Bring the application's topmost window to the front.
    virtual bool activate(const QString& desktopId) = 0;
    // Iconify every window of the application.
    virtual bool hide(const QString& desktopId) = 0;
    // Map its iconified windows again and bring the topmost to the front.
    virtual bool unhide(const QString& desktopId) = 0;
    // Ask each of its windows to close. False when it has no window to close. Parts of
    // the desktop itself (shell, panels, window manager, file manager's desktop) are
    // never asked.
    virtual bool quit(const QString& desktopId) = 0;
};

} // namespace brisklet::platform
