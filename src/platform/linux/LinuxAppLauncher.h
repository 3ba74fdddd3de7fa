#pragma once

#include "platform/AppLauncher.h"
#include "platform/WindowSystem.h"
#include "platform/linux/DesktopEntries.h"

#include <QMap>
#include <functional>
#include <memory>

namespace brisklet::platform {

// Starts desktop entries detached (own session, stdio on /dev/null, reaped at
// once, never through a shell) and steers applications through their windows.
class LinuxAppLauncher final : public AppLauncher {
public:
    using EntriesProvider = std::function<std::shared_ptr<const DesktopEntries>()>;
    LinuxAppLauncher(WindowSystem& windows, EntriesProvider entries)
        : windows_(windows), entries_(std::move(entries)) {}

    // The program gets a fresh startup id of its own (DESKTOP_STARTUP_ID) and the
    // entry's file, as `spawnDetached` gives it.
    Launch launch(const QString& desktopId, const QStringList& urls = {}) override;
    // Follows the parents of `pid` in /proc.
    bool startedBy(qint64 pid, qint64 launched) override;
    bool acceptsUrls(const QString& desktopId) override;
    bool activate(const QString& desktopId) override;
    bool hide(const QString& desktopId) override;
    bool unhide(const QString& desktopId) override;
    bool quit(const QString& desktopId) override;

    // Run `arguments` detached, with `environment` set on top of ours; the started
    // process's pid, or the reason it failed. Started through the entry at
    // `desktopFile`, it carries GIO_LAUNCHED_DESKTOP_FILE with that path and
    // GIO_LAUNCHED_DESKTOP_FILE_PID with its own pid, which whatever it starts
    // inherits.
    static Launch spawnDetached(const QStringList& arguments, const QMap<QString, QString>& environment = {},
                                const QString& desktopFile = {});
    // A startup id unique to one launch: our process, a count and the time, as the
    // startup notification convention asks.
    static QString freshStartupId();

private:
    std::vector<WindowInfo> windowsOf(const QString& desktopId);
    WindowSystem& windows_;
    EntriesProvider entries_;
};

} // namespace brisklet::platform
