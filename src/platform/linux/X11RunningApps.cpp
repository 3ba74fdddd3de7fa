#include "platform/linux/X11RunningApps.h"

#include <algorithm>

namespace brisklet::platform {

RunningApp X11RunningApps::appOf(const WindowInfo& w) {
    RunningApp app;
    app.pid = w.pid;
    app.id = w.appId;
    app.path = pathOf_ ? pathOf_(w.appId) : QString();
    app.name = !w.appName.isEmpty() ? w.appName : w.wmInstance;
    // An ID without an entry is only the window's class name: no entry matched.
    if (app.path.isEmpty())
        app.id.clear();
    app.regular = w.type == WindowType::normal && !w.skipTaskbar;
    return app;
}

std::vector<RunningApp> X11RunningApps::runningApps() {
    auto all = windows_.windows();
    std::reverse(all.begin(), all.end()); // the oldest stack at the bottom
    std::vector<RunningApp> apps;
    for (const auto& w : all) {
        if (w.type != WindowType::normal || w.skipTaskbar || w.pid == 0)
            continue;
        RunningApp app = appOf(w);
        const bool known = std::any_of(apps.begin(), apps.end(), [&](const RunningApp& a) {
            return a.pid == app.pid && a.id == app.id && a.name == app.name;
        });
        if (!known)
            apps.push_back(std::move(app));
    }
    return apps;
}

std::optional<RunningApp> X11RunningApps::frontmostApp() {
    const auto active = windows_.activeWindow();
    if (!active)
        return std::nullopt;
    const auto w = windows_.window(*active);
    if (!w || w->pid == 0)
        return std::nullopt;
    return appOf(*w);
}

} // namespace brisklet::platform
