// Permissions on a Linux desktop: installed targets are granted, nothing is
// launched to find out, and only real settings pages are opened.
#include "platform/linux/DesktopPermissions.h"

#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/WaitFor.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

using namespace brisklet;
using brisklet::platform::DesktopPermissions;
using Status = brisklet::platform::Permissions::AutomationStatus;

TEST(DesktopPermissions, installedTargetsAreGrantedAndOthersNotRunning) {
    test::FakeClock clock;
    test::FakeDesktop desktop(clock);
    test::FakeApps apps(desktop);
    apps.setInstalled({{"firefox-esr", "Firefox", "/usr/share/applications/firefox-esr.desktop"}});
    QStringList started;
    DesktopPermissions permissions(apps, [&](const QString& program, const QStringList&) {
        started << program;
        return true;
    });
    EXPECT_EQ(permissions.determine("firefox-esr"), Status::granted);
    EXPECT_EQ(permissions.determine("chromium"), Status::targetNotRunning);

    std::optional<Status> answer;
    permissions.requestAutomation("chromium", [&](Status status) { answer = status; });
    ASSERT_TRUE(test::waitFor([&] { return answer.has_value(); }));
    EXPECT_EQ(*answer, Status::targetNotRunning);
    EXPECT_TRUE(started.isEmpty()) << "nothing is opened to ask";
}

namespace {
// Counts the looks at the installed apps.
struct CountingApps final : platform::InstalledApps {
    std::atomic<int> looks{0};
    std::vector<platform::AppEntry> installedApps() override {
        ++looks;
        return {{"org.gnome.Terminal", "Terminal", "/usr/share/applications/org.gnome.Terminal.desktop"}};
    }
};
} // namespace

TEST(DesktopPermissions, askersOfOneAppShareOneLook) {
    CountingApps apps;
    DesktopPermissions permissions(apps);
    std::vector<Status> answers;
    const auto record = [&](Status status) { answers.push_back(status); };
    permissions.requestAutomation("org.gnome.Terminal", record);
    permissions.requestAutomation("org.gnome.Terminal", record);
    permissions.requestAutomation("missing", record);
    ASSERT_TRUE(test::waitFor([&] { return answers.size() == 3; }));
    EXPECT_EQ(std::count(answers.begin(), answers.end(), Status::granted), 2);
    EXPECT_EQ(std::count(answers.begin(), answers.end(), Status::targetNotRunning), 1);
    EXPECT_EQ(apps.looks.load(), 2) << "one look per app";
    // A later ask looks again.
    permissions.requestAutomation("org.gnome.Terminal", record);
    ASSERT_TRUE(test::waitFor([&] { return answers.size() == 4; }));
}

TEST(DesktopPermissions, onlyTheMicrophoneHasASettingsPage) {
    using P = platform::Permissions;
    EXPECT_EQ(DesktopPermissions::paneCommand(P::microphonePane, "ubuntu:GNOME"),
              (QStringList{"gnome-control-center", "sound"}));
    EXPECT_EQ(DesktopPermissions::paneCommand(P::microphonePane, "KDE"),
              (QStringList{"systemsettings", "kcm_pulseaudio"}));
    EXPECT_FALSE(DesktopPermissions::paneCommand(P::microphonePane, "openbox").has_value());
    EXPECT_FALSE(DesktopPermissions::paneCommand(P::automationPane, "GNOME").has_value());
    EXPECT_FALSE(DesktopPermissions::paneCommand("Privacy_Microphone&x", "GNOME").has_value());
}
