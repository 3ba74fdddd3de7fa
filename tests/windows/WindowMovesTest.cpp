#include "support/FakeDesktopEngine.h"
#include "windows/WindowEngine.h"

#include <gtest/gtest.h>

using namespace brisklet;
using brisklet::test::FakeDesktop;

namespace {

class WindowMovesTest : public test::FakeDesktopEngine {
protected:
    WindowMovesTest() : FakeDesktopEngine({0, 0, 1440, 900}, 25) {}
};

} // namespace

TEST_F(WindowMovesTest, leftHalfPlacesTheFocusedWindow) {
    EXPECT_FALSE(engine.move(WindowPosition::left));
    const auto w = desktop.addWindow(10, "editor", {100, 100, 800, 600});
    desktop.setActive(w);
    EXPECT_TRUE(engine.move(WindowPosition::left));
    EXPECT_EQ(desktop.frameOf(w), QRectF(6, 31, 711, 863));
    EXPECT_TRUE(engine.move(WindowPosition::maximize));
    EXPECT_EQ(desktop.frameOf(w), QRectF(0, 25, 1440, 875));
}

TEST_F(WindowMovesTest, whenWeAreInFrontOurOwnWindowMovesThroughTheToolkit) {
    const auto ours = desktop.addWindow(99, "brisklet", {100, 100, 800, 600});
    desktop.setActive(ours);
    // Nothing of ours qualifies: no move.
    EXPECT_FALSE(engine.move(WindowPosition::left));
    const auto handle = own.add({100, 100, 800, 600}, 1, {}, true);
    EXPECT_TRUE(engine.move(WindowPosition::right));
    ASSERT_EQ(own.placed().size(), 1u);
    EXPECT_EQ(own.placed()[0], std::make_pair(handle, QRectF(723, 31, 711, 863)));
    EXPECT_DOUBLE_EQ(own.durations()[0], 0.22);
    EXPECT_EQ(desktop.setFrameCount(), 0);
}

TEST_F(WindowMovesTest, ourWindowOnAnUnknownDisplayMovesOnTheFirstScreen) {
    desktop.setDisplays(
        {FakeDesktop::display(1, {0, 0, 1440, 900}, 25), FakeDesktop::display(2, {1440, 0, 1440, 900})});
    // Our window hangs off the right edge of the second display: its own display is
    // unknown, so it goes on the main (first) screen, not the one it overlaps.
    const QRectF offEdge(2600, 100, 800, 600);
    desktop.setActive(desktop.addWindow(99, "brisklet", offEdge));
    desktop.setPointer(QPointF(2000, 400));
    const auto handle = own.add(offEdge, 0, {}, true);
    EXPECT_TRUE(engine.move(WindowPosition::right));
    ASSERT_EQ(own.placed().size(), 1u);
    EXPECT_EQ(own.placed()[0], std::make_pair(handle, QRectF(723, 31, 711, 863)));
}

TEST_F(WindowMovesTest, nextDisplayNeedsTwoScreensAndMovesAcross) {
    const auto w = desktop.addWindow(10, "editor", {100, 100, 720, 450});
    desktop.setActive(w);
    EXPECT_FALSE(engine.nextDisplay());
    desktop.setDisplays(
        {FakeDesktop::display(1, {0, 0, 1440, 900}), FakeDesktop::display(2, {1440, -180, 2880, 1800})});
    EXPECT_TRUE(engine.nextDisplay());
    EXPECT_EQ(desktop.frameOf(w), QRectF(1440 + 1440 - 720, -180 + 900 - 450, 1440, 900));
    EXPECT_TRUE(engine.nextDisplay()); // and back, wrapping
    EXPECT_EQ(desktop.frameOf(w), QRectF(360, 225, 720, 450));
}

TEST_F(WindowMovesTest, hideOthersIconifiesEveryOtherAppsOrdinaryWindows) {
    const auto front = desktop.addWindow(10, "editor", {0, 0, 800, 600});
    const auto sibling = desktop.addWindow(10, "editor", {0, 0, 800, 600});
    const auto other = desktop.addWindow(11, "terminal", {0, 0, 800, 600});
    const auto elsewhere = desktop.addWindow(12, "viewer", {0, 0, 800, 600});
    desktop.update(elsewhere, [](auto& w) { w.info.onCurrentDesktop = false; });
    const auto ours = desktop.addWindow(99, "brisklet", {0, 0, 800, 600});
    const auto dock = desktop.addWindow(13, "panel", {0, 0, 800, 30});
    desktop.update(dock, [](auto& w) { w.info.type = platform::WindowType::dock; });
    desktop.setActive(front);
    engine.hideOthers();
    EXPECT_EQ(desktop.iconified(), (std::vector<platform::WindowId>{other, elsewhere}));
    EXPECT_FALSE(desktop.get(sibling).info.iconic);
    EXPECT_FALSE(desktop.get(ours).info.iconic);
}

TEST_F(WindowMovesTest, launchAndWaitReturnsShowingWindowsWithoutLaunching) {
    launcher.install("editor", {});
    const auto w = desktop.addWindow(10, "editor", {0, 0, 800, 600});
    const auto found = engine.windowsEnsuringLaunch("editor", QString("https://example.com"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].element, w);
    EXPECT_TRUE(launcher.launches().empty());
}

TEST_F(WindowMovesTest, launchAndWaitBringsBackAnIconifiedApp) {
    launcher.install("editor", {});
    const auto w = desktop.addWindow(10, "editor", {0, 0, 800, 600});
    desktop.update(w, [](auto& win) { win.info.iconic = true; });
    const auto found = engine.windowsEnsuringLaunch("editor");
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(launcher.unhidden(), std::vector<QString>{"editor"});
    EXPECT_TRUE(launcher.launches().empty());
}

TEST_F(WindowMovesTest, anAppShowingWindowsOnlyOnAnotherDesktopIsNotStartedAgain) {
    launcher.install("editor", {});
    const auto w = desktop.addWindow(10, "editor", {0, 0, 800, 600});
    desktop.update(w, [](auto& win) { win.info.onCurrentDesktop = false; });
    EXPECT_TRUE(engine.windowsEnsuringLaunch("editor").empty());
    EXPECT_TRUE(launcher.launches().empty());
}

TEST_F(WindowMovesTest, launchAndWaitStartsTheAppAndWaitsForItsWindow) {
    launcher.install("browser", {.acceptsUrls = true, .delay = 1.2});
    const double t0 = clock.now();
    const auto found = engine.windowsEnsuringLaunch("browser", QString("https://example.com"));
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].title, "https://example.com");
    ASSERT_EQ(launcher.launches().size(), 1u);
    EXPECT_EQ(launcher.launches()[0].urls, QStringList{"https://example.com"});
    EXPECT_NEAR(clock.now() - t0, 1.25, 1e-6);

    // An app that takes no URLs starts alone.
    launcher.install("calculator", {.acceptsUrls = false, .delay = 0});
    engine.windowsEnsuringLaunch("calculator", QString("https://example.com"));
    EXPECT_TRUE(launcher.launches()[1].urls.isEmpty());
}

TEST_F(WindowMovesTest, launchAndWaitStartsTheAppAloneWhenTheAddressFails) {
    launcher.install("viewer", {.acceptsUrls = true, .delay = 0.5, .failsWithUrls = true});
    const auto found = engine.windowsEnsuringLaunch("viewer", QString("https://example.com"));
    ASSERT_EQ(found.size(), 1u);
    const auto calls = launcher.launches();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].urls, QStringList{"https://example.com"});
    EXPECT_TRUE(calls[1].urls.isEmpty());
}

TEST_F(WindowMovesTest, launchAndWaitGivesUpWhenNoWindowComes) {
    launcher.install("silent", {.delay = -1});
    const double t0 = clock.now();
    EXPECT_TRUE(engine.windowsEnsuringLaunch("silent").empty());
    EXPECT_NEAR(clock.now() - t0, 5.0, 1e-6);
    // An app that cannot start is given up at once.
    launcher.install("broken", {.fails = true});
    const double t1 = clock.now();
    EXPECT_TRUE(engine.windowsEnsuringLaunch("broken").empty());
    EXPECT_DOUBLE_EQ(clock.now(), t1);
}
