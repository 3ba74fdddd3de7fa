// The scan sees an app as open when one of its windows is on the real X desktop,
// and not once the window is gone.
#include "magic/MagicScan.h"
#include "platform/linux/LinuxDesktop.h"

#include "support/TempHome.h"
#include "support/X11Session.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::platform;
using namespace brisklet::test;

TEST(MagicScanX11Test, anAppWithAWindowOnScreenIsOpenRightNow) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    TempHome home;
    const QString folder = home.dataHome() + "/applications";
    QDir().mkpath(folder);
    const char* id = "org.example.Sketch";
    QFile f(folder + "/" + id + ".desktop");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Desktop Entry]\nType=Application\nName=Sketch\nStartupWMClass=" + QByteArray(id) +
            "\nExec=" + QByteArray(BRISKLET_XTESTCLIENT) + "\n");
    f.close();
    const auto entries = DesktopEntries::scan({folder}, DesktopLocale::parse("C"));
    LinuxDesktop desktop([&] { return entries; });
    const std::vector<IndexedApp> apps{IndexedApp::make("Sketch", f.fileName(), QString(id))};
    const QDateTime now = QDateTime::currentDateTimeUtc();

    EXPECT_TRUE(MagicScan::profile(apps, now, {nullptr, &desktop.runningApps()}).apps.empty())
        << "no window, no signal";
    auto client = x.startClient(
        {"--class", QString(id) + ",Sketch", "--title", "Sketch", "--geometry", "300x200+50+50"});
    ASSERT_TRUE(client);
    MagicProfile profile;
    ASSERT_TRUE(X11Session::waitUntil(
        [&] {
            profile = MagicScan::profile(apps, now, {nullptr, &desktop.runningApps()});
            return !profile.apps.empty();
        },
        5));
    EXPECT_TRUE(profile.apps[0].isRunning);
    EXPECT_EQ(MagicScan::evidenceLabel(profile.apps[0], now), "open right now");
    desktop.launcher().quit(id);
    EXPECT_TRUE(X11Session::waitUntil(
        [&] {
            return MagicScan::profile(apps, now, {nullptr, &desktop.runningApps()}).apps.empty();
        },
        5));
}
