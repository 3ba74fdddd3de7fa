// The real program's home window on the test desktop: a titled window of the
// program's own that a second launch brings forward, also when it was only buried,
// and that goes without view errors at quit, also with the setup editor open.
#include "base/Prefs.h"
#include "support/ChildProcess.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"

#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <cstdlib>
#include <cstring>
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

// A point of the window's own area on the screen.
QPoint onScreen(X11Session& x, xcb_window_t window, QPoint at) {
    auto* reply = xcb_translate_coordinates_reply(
        x.connection(),
        xcb_translate_coordinates(x.connection(), window, x.root(), int16_t(at.x()), int16_t(at.y())),
        nullptr);
    const QPoint point = reply ? QPoint(reply->dst_x, reply->dst_y) : QPoint();
    std::free(reply);
    return point;
}

// The colour the window shows at one of its points.
uint32_t pixel(X11Session& x, xcb_window_t window, QPoint at) {
    auto* reply = xcb_get_image_reply(x.connection(),
                                      xcb_get_image(x.connection(), XCB_IMAGE_FORMAT_Z_PIXMAP, window,
                                                    int16_t(at.x()), int16_t(at.y()), 1, 1, ~0u),
                                      nullptr);
    uint32_t value = 0;
    if (reply && xcb_get_image_data_length(reply) >= 4)
        std::memcpy(&value, xcb_get_image_data(reply), 4);
    std::free(reply);
    return value & 0xffffff;
}

// Clicks `at` and waits until the window's picture changes at `changes`.
bool clickAndSee(X11Session& x, xcb_window_t window, QPoint at, QPoint changes) {
    const uint32_t before = pixel(x, window, changes);
    x.click(onScreen(x, window, at));
    return X11Session::waitUntil([&] { return pixel(x, window, changes) != before; }, 5);
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

    // Quits as the desktop asks a program to, and checks what it printed on the way.
    void quitWithoutViewErrors() {
        first.terminate();
        ASSERT_TRUE(first.waitForFinished(10000));
        collect(first, out);
        EXPECT_FALSE(out.contains("TypeError")) << out.toStdString();
        EXPECT_FALSE(out.contains("qrc:/")) << "no view warnings at all";
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
    quitWithoutViewErrors();
}

TEST_F(HomeWindowX11Test, QuittingWithTheSetupEditorOpenLogsNoErrors) {
    startMerged(first, env, BRISKLET_EXECUTABLE, {});
    xcb_window_t home = 0;
    ASSERT_TRUE(X11Session::waitUntil([&] { return (home = homeWindow(x, first.processId())) != 0; }, 15))
        << collect(first, out).toStdString();
    ASSERT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == home; }, 5));
    // The window at its first size, under its menu bar: "Setups" in the sidebar
    // lights up, then "Start from scratch" on the empty pane opens the editor's sheet.
    ASSERT_TRUE(clickAndSee(x, home, {100, 218}, {180, 218})) << "the Setups pane";
    ASSERT_TRUE(clickAndSee(x, home, {562, 293}, {900, 600})) << "the editor's sheet shades the pane";
    quitWithoutViewErrors();
}
