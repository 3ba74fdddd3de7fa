#pragma once

#include "platform/linux/DesktopEntries.h"
#include "platform/linux/X11WindowSystem.h"

#include <QHash>
#include <functional>
#include <memory>
#include <mutex>

namespace brisklet::platform {

// Which desktop entry a window belongs to: the GTK application ID, a sandbox or
// systemd scope of its process, its WM_CLASS class, a launch of ours that started
// its process, its WM_CLASS instance, its executable; else the instance with no
// entry. Any thread.
class AppIdentity final {
public:
    using EntriesProvider = std::function<std::shared_ptr<const DesktopEntries>()>;
    // `procRoot` is where process information lives ("/proc"; tests give another).
    explicit AppIdentity(EntriesProvider entries, QString procRoot = QStringLiteral("/proc"));

    X11WindowSystem::Identity resolve(const X11WindowSystem::IdentityQuery& query);
    // Entry `desktopId` is being started with `startupId` in its environment: for the
    // rest of the session, a process that carries it (the started one, a wrapper
    // script's program, whatever they start) is that entry's. Note it before the
    // start, so that no window of the launch is named before.
    void noteLaunch(const QString& startupId, const QString& desktopId);
    // The entry's path for an ID, empty when none.
    QString pathOf(const QString& id);
    std::shared_ptr<const DesktopEntries> entries() { return entries_(); }

    // The desktop ID a cgroup line names (a systemd app scope, a Flatpak or Snap
    // scope) among the IDs `known` accepts; empty when none.
    static QString idFromCgroup(const QString& cgroup, const std::function<bool(const QString&)>& known);

private:
    X11WindowSystem::Identity lookup(const X11WindowSystem::IdentityQuery& query,
                                     const DesktopEntries& entries);
    // The entry a noted launch started process `pid` of; empty when none did.
    QString launchedEntry(qint64 pid);

    EntriesProvider entries_;
    QString procRoot_;
    std::mutex mutex_;
    std::shared_ptr<const DesktopEntries> cachedFor_;
    QHash<QString, X11WindowSystem::Identity> cache_; // by pid and WM_CLASS
    QHash<QString, QString> launches_;                // desktop ID by startup id
};

} // namespace brisklet::platform
