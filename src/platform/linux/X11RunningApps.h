#pragma once

#include "platform/Apps.h"
#include "platform/WindowSystem.h"

#include <functional>

namespace brisklet::platform {

// The applications that show ordinary windows (on any desktop, iconified too),
// one per process and desktop ID, oldest first.
class X11RunningApps final : public RunningApps {
public:
    using PathOf = std::function<QString(const QString& id)>;
    X11RunningApps(WindowSystem& windows, PathOf pathOf) : windows_(windows), pathOf_(std::move(pathOf)) {}

    std::vector<RunningApp> runningApps() override;
    std::optional<RunningApp> frontmostApp() override;

private:
    RunningApp appOf(const WindowInfo& window);
    WindowSystem& windows_;
    PathOf pathOf_;
};

} // namespace brisklet::platform
