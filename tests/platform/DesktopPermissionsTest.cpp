// Permissions on a Linux desktop: installed targets are granted, nothing is
// launched to find out, and only real settings pages are opened.
#include "platform/linux/DesktopPermissions.h"

#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>
#include <optional>

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
