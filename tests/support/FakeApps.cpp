#include "support/FakeApps.h"

#include <algorithm>

namespace brisklet::test {

void FakeApps::setInstalled(std::vector<platform::AppEntry> entries) {
    std::lock_guard lock(mutex_);
    installed_ = std::move(entries);
}

std::vector<platform::AppEntry> FakeApps::installedApps() {
    std::lock_guard lock(mutex_);
    return installed_;
}

platform::RunningApp FakeApps::appOf(const platform::WindowInfo& window) {
    platform::RunningApp app;
    app.pid = window.pid;
    app.name = !window.appName.isEmpty() ? window.appName : window.wmInstance;
    {
        std::lock_guard lock(mutex_);
        const auto entry = std::find_if(installed_.begin(), installed_.end(),
                                        [&](const platform::AppEntry& e) { return e.id == window.appId; });
        if (entry != installed_.end()) {
            app.id = entry->id;
            app.name = entry->name;
            app.path = entry->path;
        }
    }
    app.regular = window.type == platform::WindowType::normal && !window.skipTaskbar;
    return app;
}

std::vector<platform::RunningApp> FakeApps::runningApps() {
    std::vector<platform::RunningApp> apps;
    for (const platform::WindowInfo& window : desktop_.windows()) {
        if (window.pid == 0)
            continue;
        platform::RunningApp app = appOf(window);
        if (std::find(apps.begin(), apps.end(), app) == apps.end())
            apps.push_back(std::move(app));
    }
    return apps;
}

std::optional<platform::RunningApp> FakeApps::frontmostApp() {
    const auto active = desktop_.activeWindow();
    if (!active)
        return std::nullopt;
    // A window that has not appeared yet is not in front either.
    const auto window = desktop_.window(*active);
    if (!window || window->pid == 0)
        return std::nullopt;
    return appOf(*window);
}

} // namespace brisklet::test
