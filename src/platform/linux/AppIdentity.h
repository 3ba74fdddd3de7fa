#pragma once

#include "platform/linux/DesktopEntries.h"
#include "platform/linux/X11WindowSystem.h"

#include <QHash>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace brisklet::platform {

// Which desktop entry a window belongs to: the GTK application ID, a sandbox or
// systemd scope of its process, its WM_CLASS class, the launch of an entry that
// started its process (ours or the desktop's, as its environment says), its
// WM_CLASS instance, its executable; else the instance with no entry. Any thread.
class AppIdentity final {
public:
    using EntriesProvider = std::function<std::shared_ptr<const DesktopEntries>()>;
    // `procRoot` is where process information lives ("/proc"; tests give another).
    explicit AppIdentity(EntriesProvider entries, QString procRoot = QStringLiteral("/proc"));

    X11WindowSystem::Identity resolve(const X11WindowSystem::IdentityQuery& query);
    // The entry's path for an ID, empty when none.
    QString pathOf(const QString& id);
    std::shared_ptr<const DesktopEntries> entries() { return entries_(); }

    // The desktop ID a cgroup line names (a systemd app scope, a Flatpak or Snap
    // scope) among the IDs `known` accepts; empty when none.
    static QString idFromCgroup(const QString& cgroup, const std::function<bool(const QString&)>& known);

private:
    X11WindowSystem::Identity lookup(const X11WindowSystem::IdentityQuery& query,
                                     const DesktopEntries& entries);
    struct ProcessStat {
        qint64 parent = 0;
        qint64 session = 0;
    };
    std::optional<ProcessStat> statOf(qint64 pid) const;
    // The entry whose launch started process `pid`: the one GIO_LAUNCHED_DESKTOP_FILE
    // names in its environment, when GIO_LAUNCHED_DESKTOP_FILE_PID is the process or
    // one of its parents in the same session. Null when none.
    const DesktopEntry* launchedEntry(qint64 pid, const DesktopEntries& entries) const;

    EntriesProvider entries_;
    QString procRoot_;
    std::mutex mutex_;
    std::shared_ptr<const DesktopEntries> cachedFor_;
    QHash<QString, X11WindowSystem::Identity> cache_; // by pid and WM_CLASS
};

} // namespace brisklet::platform
