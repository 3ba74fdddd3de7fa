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
    // Among the listed windows only: one that has not appeared yet is not in front.
    const auto active = desktop_.activeWindow();
    const auto windows = desktop_.windows();
    const auto front = std::find_if(windows.begin(), windows.end(), [&](const platform::WindowInfo& w) {
        return active == w.id && w.pid != 0;
    });
    return front == windows.end() ? std::nullopt : std::optional(appOf(*front));
}

} // namespace brisklet::test
