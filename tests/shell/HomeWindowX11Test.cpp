// The real program's home window on the test desktop: a titled window of the
// program's own that a second launch brings forward, also when it was only buried,
// that goes without view errors at quit, also with the setup editor open, and
// that leaves no graphics driver behind in the always-running process.
#include "base/Prefs.h"
#include "support/ChildProcess.h"
#include "support/Pixels.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"

#include <QFile>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>
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
    return clientArea(x, window).topLeft() + at;
}

// What the window shows, read back from the X server.
QImage windowPicture(X11Session& x, xcb_window_t window) {
    xcb_connection_t* c = x.connection();
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&free)> geometry(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &free);
    if (!geometry || geometry->depth < 24)
        return {};
    std::unique_ptr<xcb_get_image_reply_t, decltype(&free)> image(
        xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, geometry->width, geometry->height, ~0u),
            nullptr),
        &free);
    if (!image || xcb_get_image_data_length(image.get()) < geometry->width * geometry->height * 4)
        return {};
    return QImage(xcb_get_image_data(image.get()), geometry->width, geometry->height, QImage::Format_RGB32)
        .copy();
}

// The colour the window shows at one of its points.
uint32_t pixel(X11Session& x, xcb_window_t window, QPoint at) {
    const QImage picture = windowPicture(x, window);
    return picture.valid(at) ? picture.pixel(at) & 0xffffff : 0;
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

    // Starts the program and waits for its home window.
    void startHome() {
        startMerged(first, env, BRISKLET_EXECUTABLE, {});
        ASSERT_TRUE(X11Session::waitUntil([&] { return (home = homeWindow(x, first.processId())) != 0; }, 15))
            << collect(first, out).toStdString();
    }

    X11Session x;
    xcb_window_t home = 0;
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
    ASSERT_NO_FATAL_FAILURE(startHome());
    quitWithoutViewErrors();
}

TEST_F(HomeWindowX11Test, QuittingWithTheSetupEditorOpenLogsNoErrors) {
    ASSERT_NO_FATAL_FAILURE(startHome());
    ASSERT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == home; }, 5));
    // The window at its first size, under its menu bar: "Setups" in the sidebar
    // lights up, then "Start from scratch" on the empty pane opens the editor's sheet.
    ASSERT_TRUE(clickAndSee(x, home, {100, 218}, {180, 218})) << "the Setups pane";
    ASSERT_TRUE(clickAndSee(x, home, {562, 293}, {900, 600})) << "the editor's sheet shades the pane";
    quitWithoutViewErrors();
}

// A GL driver, once loaded, stays for the life of the process: over 100 MB of the
// resident memory where it renders in software.
TEST_F(HomeWindowX11Test, AShownAndClosedHomeWindowLeavesNoGraphicsDriverLoaded) {
    ASSERT_NO_FATAL_FAILURE(startHome());
    ASSERT_TRUE(X11Session::waitUntil([&] { return Pixels::nonBlank(windowPicture(x, home)); }, 15))
        << "the window was drawn";
    x.sendToRoot(home, "_NET_CLOSE_WINDOW", {XCB_CURRENT_TIME, 2});
    ASSERT_TRUE(X11Session::waitUntil([&] { return homeWindow(x, first.processId()) == 0; }, 10));

    QFile maps(QStringLiteral("/proc/%1/maps").arg(first.processId()));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    EXPECT_FALSE(mapped.contains("_dri.so")) << "a GL driver is loaded";
    EXPECT_FALSE(mapped.contains("libLLVM")) << "a shader compiler is loaded";
}
