#include "windows/WindowEngine.h"
#include "platform/linux/LinuxDesktop.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::platform;
using namespace brisklet::test;

namespace {

// A desktop entry whose program is our X test client, with a window class that
// differs from its ID, so only StartupWMClass ties the window to the entry.
class LaunchAndWaitX11Test : public ::testing::Test {
protected:
    X11Session x;
    QTemporaryDir dir;
    std::shared_ptr<const DesktopEntries> entries;
    std::unique_ptr<LinuxDesktop> desktop;
    X11WindowSystem* ws = nullptr;
    LinuxAppLauncher* launcher = nullptr;
    X11RunningApps* running = nullptr;
    std::unique_ptr<WindowEngine> engine;

    void SetUp() override {
        ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.path() + "/applications");
        QFile f(dir.path() + "/applications/org.example.Viewer.desktop");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nName=Example Viewer\nStartupWMClass=FancyViewer\nExec=" +
                QByteArray(BRISKLET_XTESTCLIENT) + " --class viewer,FancyViewer %u\n");
        f.close();
        QFile slow(dir.path() + "/applications/org.example.Slow.desktop");
        ASSERT_TRUE(slow.open(QIODevice::WriteOnly));
        slow.write(
            "[Desktop Entry]\nType=Application\nName=Slow Starter\nExec=" + QByteArray(BRISKLET_XTESTCLIENT) +
            " --class org.example.Slow,Slow --map-after 0.8 --title slow\n");
        slow.close();
        // Through a shell that stays on as the program's parent; the program's class
        // names no entry, and its executable another one.
        QFile ledger(dir.path() + "/applications/ledger.desktop");
        ASSERT_TRUE(ledger.open(QIODevice::WriteOnly));
        ledger.write("[Desktop Entry]\nType=Application\nName=Ledger\nExec=sh -c \"sleep 0.3; " +
                     QByteArray(BRISKLET_XTESTCLIENT) + " --class xterm,Ledgerwin --title Ledger; true\"\n");
        ledger.close();
        // A terminal's entry as its package installs it, whose class Ledger's
        // window carries as its instance.
        QFile terminal(dir.path() + "/applications/debian-xterm.desktop");
        ASSERT_TRUE(terminal.open(QIODevice::WriteOnly));
        terminal.write("[Desktop Entry]\nType=Application\nName=XTerm\nExec=xterm\nStartupWMClass=XTerm\n");
        terminal.close();
        entries = DesktopEntries::scan({dir.path() + "/applications"}, DesktopLocale::parse("C"));
        desktop = std::make_unique<LinuxDesktop>([this] { return entries; });
        ws = &desktop->windows();
        launcher = &desktop->launcher();
        running = &desktop->runningApps();
        engine = std::make_unique<WindowEngine>(*ws, &desktop->ownWindows(), launcher);
    }
    void TearDown() override {
        if (!launcher)
            return;
        launcher->quit("org.example.Viewer");
        launcher->quit("org.example.Slow");
        launcher->quit("ledger");
    }
};

} // namespace

TEST_F(LaunchAndWaitX11Test, launchesTheEntryWithTheUrlAndReturnsItsWindow) {
    const auto windows =
        engine->windowsEnsuringLaunch("org.example.Viewer", QString("https://example.com/a"));
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].title, "https://example.com/a");
    EXPECT_EQ(windows[0].bundleID, QString("org.example.Viewer"));
    EXPECT_EQ(windows[0].appName, "Example Viewer");

    // Running already and showing: no second start, the URL is not opened.
    const auto again = engine->windowsEnsuringLaunch("org.example.Viewer", QString("https://example.com/b"));
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].element, windows[0].element);

    const auto apps = running->runningApps();
    const auto app = std::find_if(apps.begin(), apps.end(),
                                  [](const RunningApp& a) { return a.id == "org.example.Viewer"; });
    ASSERT_NE(app, apps.end());
    EXPECT_EQ(app->name, "Example Viewer");
    EXPECT_TRUE(app->path.endsWith("org.example.Viewer.desktop"));
    EXPECT_EQ(app->pid, windows[0].pid);

    // Quitting asks its window to close, and the client goes.
    ASSERT_TRUE(launcher->quit("org.example.Viewer"));
    EXPECT_TRUE(X11Session::waitUntil([&] { return !ws->window(windows[0].element).has_value(); }, 3));
}

TEST_F(LaunchAndWaitX11Test, anIconifiedAppComesBackWithoutAStart) {
    const auto windows = engine->windowsEnsuringLaunch("org.example.Viewer", std::nullopt);
    ASSERT_EQ(windows.size(), 1u);
    const xcb_window_t w = windows[0].element;
    ASSERT_TRUE(launcher->hide("org.example.Viewer"));
    ASSERT_TRUE(X11Session::waitUntil([&] { return isIconic(x, w); }, 3));
    const auto back = engine->windowsEnsuringLaunch("org.example.Viewer", std::nullopt);
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].element, w);
    EXPECT_FALSE(isIconic(x, w));
    ASSERT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == w; }, 3));
    EXPECT_EQ(running->frontmostApp()->id, "org.example.Viewer");
}

TEST_F(LaunchAndWaitX11Test, waitsForAnAppThatMapsItsWindowLate) {
    // Its window class is its ID, which is how this one is recognised.
    const auto windows =
        engine->windowsEnsuringLaunch("org.example.Slow", QString("https://ignored.example"));
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].title, "slow"); // the entry takes no URL
    EXPECT_EQ(windows[0].appName, "Slow Starter");
}

TEST_F(LaunchAndWaitX11Test, waitsForTheWindowOfAnAppStartedThroughAWrapper) {
    const auto windows = engine->windowsEnsuringLaunch("ledger", std::nullopt);
    ASSERT_EQ(windows.size(), 1u);
    EXPECT_EQ(windows[0].title, "Ledger");
    EXPECT_EQ(windows[0].appName, "Ledger");

    // Running, it is Ledger, not the terminal its instance names: asked again, the
    // same window and no second start; it is listed running and quits as Ledger.
    const auto plain = x.startClient({"--class", "xterm,XTerm", "--title", "Plain"});
    ASSERT_NE(plain, 0u);
    const auto again = engine->windowsEnsuringLaunch("ledger", std::nullopt);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].element, windows[0].element);
    const auto ledgers = [&] {
        int n = 0;
        for (xcb_window_t w : x.clientList())
            n += x.windowClass(w) == "xterm,Ledgerwin";
        return n;
    };
    QTest::qWait(500); // a second start would have mapped by now
    EXPECT_EQ(ledgers(), 1);
    const auto ids = [&] {
        QStringList found;
        for (const auto& app : running->runningApps())
            found << app.id;
        found.sort();
        return found;
    };
    EXPECT_EQ(ids(), QStringList({"debian-xterm", "ledger"}));
    const auto terminal = ws->window(plain);
    ASSERT_TRUE(terminal);
    EXPECT_EQ(terminal->appId, "debian-xterm") << "a plain terminal is still the terminal";

    ASSERT_TRUE(launcher->quit("ledger"));
    EXPECT_TRUE(X11Session::waitUntil([&] { return ledgers() == 0; }, 5));
    EXPECT_TRUE(ws->window(plain).has_value()) << "quitting Ledger closed the terminal";
}
