#pragma once

#include "platform/Apps.h"
#include "support/FakeDesktop.h"

#include <mutex>
#include <optional>
#include <vector>

namespace brisklet::test {

// The applications of a fake desktop: the installed entries a test sets, and the
// running ones read from its windows as the X11 layer reads them — one per owner,
// named after its entry, with an ID only where an entry matches. Unlike the X11
// layer it also lists the owners of panels and docks (not regular), so that callers'
// own filtering is exercised. Thread safe.
class FakeApps final : public platform::InstalledApps, public platform::RunningApps {
public:
    explicit FakeApps(FakeDesktop& desktop) : desktop_(desktop) {}

    void setInstalled(std::vector<platform::AppEntry> entries);

    std::vector<platform::AppEntry> installedApps() override;
    // Front to back, as the window stack is.
    std::vector<platform::RunningApp> runningApps() override;
    std::optional<platform::RunningApp> frontmostApp() override;

private:
    platform::RunningApp appOf(const platform::WindowInfo& window);

    FakeDesktop& desktop_;
    std::mutex mutex_;
    std::vector<platform::AppEntry> installed_;
};

} // namespace brisklet::test
