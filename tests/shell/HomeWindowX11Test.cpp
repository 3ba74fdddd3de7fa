// The real program's home window on the test desktop: a titled window of the
// program's own that a second launch brings forward, also when it was only buried.
#include "base/Prefs.h"
#include "support/ChildProcess.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

using namespace brisklet::test;

namespace {

// The managed window titled "Brisklet" that belongs to `pid`.
xcb_window_t homeWindow(X11Session& x, qint64 pid) {
    for (xcb_window_t window : x.clientList()) {
        if (x.windowTitle(window) == "Brisklet" && x.windowPid(window) == std::optional<uint32_t>(pid))
            return window;
    }
    return 0;
}

class HomeWindowX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        // Past the first run, so the first window is home.
        brisklet::Prefs::setValue(brisklet::Prefs::Key::onboarded, true);
        brisklet::Prefs::sync();
    }
    void TearDown() override {
        first.terminate();
        first.waitForFinished(5000);
    }
    void launchAgain() {
        QProcess second;
        startMerged(second, env, BRISKLET_EXECUTABLE, {});
        ASSERT_TRUE(second.waitForFinished(15000));
        EXPECT_TRUE(second.readAll().contains("deferring to it"));
    }

    X11Session x;
    QTemporaryDir runtime;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    QProcess first;
    QByteArray out;
};

} // namespace

TEST_F(HomeWindowX11Test, ASecondLaunchBringsTheHomeWindowForwardEvenWhenBuried) {
    startMerged(first, env, BRISKLET_EXECUTABLE, {});
    ASSERT_TRUE(X11Session::waitUntil([&] { return collect(first, out).contains("launched"); }, 15))
        << out.toStdString();

    xcb_window_t home = 0;
    ASSERT_TRUE(X11Session::waitUntil([&] { return (home = homeWindow(x, first.processId())) != 0; }, 10))
        << "the first window after a fresh start is home" << out.toStdString();
    ASSERT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == home; }, 5));

    const xcb_window_t other = x.startClient({"--title", "Other", "--geometry", "1200x900+0+0"});
    ASSERT_NE(other, 0u);
    // The window manager may keep the focus from a window that maps right after
    // another was activated, so the client is brought forward as a pager would.
    x.sendToRoot(other, "_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME, 0});
    ASSERT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == other; }, 5))
        << "the client took focus";

    launchAgain();
    EXPECT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == home; }, 5))
        << "the visible but buried window came forward" << out.toStdString();
    EXPECT_EQ(homeWindow(x, first.processId()), home) << "the same window, not a new one";
}

TEST_F(HomeWindowX11Test, QuittingWithTheHomeWindowOpenLogsNoErrors) {
    startMerged(first, env, BRISKLET_EXECUTABLE, {});
    ASSERT_TRUE(X11Session::waitUntil([&] { return homeWindow(x, first.processId()) != 0; }, 15))
        << collect(first, out).toStdString();
    first.terminate();
    ASSERT_TRUE(first.waitForFinished(10000));
    collect(first, out);
    EXPECT_FALSE(out.contains("TypeError")) << out.toStdString();
    EXPECT_FALSE(out.contains("qrc:/")) << "no view warnings at all";
}
