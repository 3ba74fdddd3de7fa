#pragma once

#include "platform/Apps.h"
#include "platform/linux/DesktopEntries.h"

#include <memory>
#include <mutex>

namespace brisklet::platform {

// The installed applications from the XDG desktop entries. Each call rescans; the
// latest scan is kept for the window layer, which maps windows to entries with it.
class XdgInstalledApps final : public InstalledApps {
public:
    std::vector<AppEntry> installedApps() override;

    // The latest scan, scanning once when there has been none yet. Any thread.
    std::shared_ptr<const DesktopEntries> entries();

private:
    std::mutex mutex_;
    std::shared_ptr<const DesktopEntries> latest_;
};

} // namespace brisklet::platform
