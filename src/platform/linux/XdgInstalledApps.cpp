#include "platform/linux/XdgInstalledApps.h"

namespace brisklet::platform {

std::vector<AppEntry> XdgInstalledApps::installedApps() {
    std::shared_ptr<const DesktopEntries> scanned = DesktopEntries::scan();
    {
        std::lock_guard lock(mutex_);
        latest_ = scanned;
    }
    std::vector<AppEntry> apps;
    for (const DesktopEntry& e : scanned->all()) {
        if (e.isListed())
            apps.push_back(AppEntry{e.id, e.name, e.path});
    }
    return apps;
}

std::shared_ptr<const DesktopEntries> XdgInstalledApps::entries() {
    {
        std::lock_guard lock(mutex_);
        if (latest_)
            return latest_;
    }
    std::shared_ptr<const DesktopEntries> scanned = DesktopEntries::scan();
    std::lock_guard lock(mutex_);
    if (!latest_)
        latest_ = scanned;
    return latest_;
}

} // namespace brisklet::platform
