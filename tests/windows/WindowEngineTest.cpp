#include "windows/WindowEngine.h"
#include "support/FakeDesktopEngine.h"

#include <gtest/gtest.h>

using namespace brisklet;
using brisklet::test::FakeDesktop;
using platform::WindowType;

namespace {

class WindowEngineTest : public test::FakeDesktopEngine {
protected:
    WindowEngineTest() : FakeDesktopEngine({0, 0, 1920, 1080}, 30) {}
};

} // namespace

TEST_F(WindowEngineTest, flipUsesThePrimaryHeightAndIsItsOwnInverse) {
    desktop.setDisplays(
        {FakeDesktop::display(5, {0, 0, 1920, 1080}), FakeDesktop::display(6, {1920, -300, 1280, 1024})});
    const QRectF r(10, 20, 100, 50);
    EXPECT_EQ(engine.toAX(r), QRectF(10, 1010, 100, 50));
    EXPECT_EQ(engine.toCocoa(engine.toAX(r)), r);
    const auto screens = engine.screens();
    ASSERT_EQ(screens.size(), 2u);
    // The second display reaches 300 above the primary's top.
    EXPECT_EQ(screens[1].frame, QRectF(1920, 356, 1280, 1024));
    EXPECT_EQ(screens[0].visibleFrame, QRectF(0, 0, 1920, 1080));
}

TEST_F(WindowEngineTest, withoutAnyScreenTheFlipUsesZeroAndNoScreenIsFound) {
    desktop.setDisplays({});
    EXPECT_EQ(engine.toAX(QRectF(0, 10, 5, 5)), QRectF(0, -15, 5, 5));
    EXPECT_FALSE(engine.screen(QRectF(0, 0, 100, 100)).has_value());
    EXPECT_EQ(engine.activeScreen().displayID, 0u);
}

TEST_F(WindowEngineTest, aStraddlingFrameBelongsToTheLargerPartAndTiesToTheFirstScreen) {
    desktop.setDisplays(
        {FakeDesktop::display(5, {0, 0, 1000, 1000}), FakeDesktop::display(6, {1000, 0, 1000, 1000})});
    EXPECT_EQ(engine.screen(QRectF(900, 100, 200, 100))->displayID, 5u); // exact half
    EXPECT_EQ(engine.screen(QRectF(950, 100, 200, 100))->displayID, 6u); // more on the right
    EXPECT_EQ(engine.screen(QRectF(800, 100, 180, 100))->displayID, 5u);
    EXPECT_FALSE(engine.screen(QRectF(3000, 100, 200, 100)).has_value());
}

TEST_F(WindowEngineTest, activeScreenFollowsFocusThenThePointer) {
    desktop.setDisplays(
        {FakeDesktop::display(5, {0, 0, 1000, 1000}), FakeDesktop::display(6, {1000, 0, 1000, 1000})});
    const auto w = desktop.addWindow(10, "editor", {1100, 100, 400, 300});
    EXPECT_EQ(engine.activeScreen().displayID, 5u); // nothing known: the primary
    desktop.setPointer(QPointF(1500, 10));
    EXPECT_EQ(engine.activeScreen().displayID, 6u);
    desktop.setPointer(QPointF(10, 10));
    desktop.setActive(w);
    EXPECT_EQ(engine.activeScreen().displayID, 6u);
}

TEST_F(WindowEngineTest, listingKeepsOrdinaryWindowsOfOtherAppsFrontToBack) {
    const auto front = desktop.addWindow(10, "editor", {0, 0, 201, 151}, "front");
    desktop.addWindow(11, "tiny", {0, 0, 200, 150});
    desktop.addWindow(99, "self", {0, 0, 800, 600});  // our own process
    desktop.addWindow(0, "remote", {0, 0, 800, 600}); // owner unknown
    const auto dialog = desktop.addWindow(12, "dialogs", {0, 0, 800, 600});
    desktop.update(dialog, [](auto& w) { w.info.type = WindowType::dialog; });
    const auto hidden = desktop.addWindow(13, "hidden", {0, 0, 800, 600});
    desktop.update(hidden, [](auto& w) { w.info.iconic = true; });
    const auto away = desktop.addWindow(14, "away", {0, 0, 800, 600});
    desktop.update(away, [](auto& w) { w.info.onCurrentDesktop = false; });
    const auto shell = desktop.addWindow(15, "plasmashell", {0, 0, 800, 600});
    desktop.update(shell, [](auto& w) { w.info.wmClass = "PlasmaShell"; });
    const auto back = desktop.addWindow(16, "terminal", {300, 300, 800, 600}, "back");

    const auto list = engine.visibleWindows();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].element, front);
    EXPECT_EQ(list[0].title, "front");
    EXPECT_EQ(list[0].bundleID, QString("editor"));
    EXPECT_EQ(list[0].appName, "Editor");
    EXPECT_EQ(list[1].windowID, back);
    EXPECT_EQ(list[1].axFrame, QRectF(300, 300, 800, 600));
    EXPECT_EQ(engine.pidsOnCurrentSpace(), (std::set<qint64>{10, 11, 16, 15, 99}));
}

TEST_F(WindowEngineTest, windowsOfOneAppWithEqualFramesPairWithThemselves) {
    const auto a = desktop.addWindow(10, "editor", {100, 100, 800, 600}, "a");
    const auto b = desktop.addWindow(10, "editor", {100, 100, 800, 600}, "b");
    const auto list = engine.visibleWindows();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].element, a);
    EXPECT_EQ(list[0].title, "a");
    EXPECT_EQ(list[1].element, b);
    EXPECT_EQ(list[1].title, "b");
}

TEST_F(WindowEngineTest, aHiddenTwinInFrontNeverTakesTheVisibleWindowsPlace) {
    // Same app, same frame: the minimised window and the one on another desktop
    // stand in front of the visible one, which must still pair with itself.
    const auto minimised = desktop.addWindow(10, "editor", {100, 100, 800, 600}, "minimised");
    desktop.update(minimised, [](auto& w) { w.info.iconic = true; });
    const auto away = desktop.addWindow(10, "editor", {100, 100, 800, 600}, "away");
    desktop.update(away, [](auto& w) { w.info.onCurrentDesktop = false; });
    const auto shown = desktop.addWindow(10, "editor", {100, 100, 800, 600}, "shown");
    const auto other = desktop.addWindow(11, "viewer", {300, 200, 800, 600}, "other");

    const auto list = engine.visibleWindows();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].element, shown);
    EXPECT_EQ(list[0].windowID, shown);
    EXPECT_EQ(list[0].title, "shown");
    EXPECT_EQ(list[1].element, other);
}

TEST_F(WindowEngineTest, sizeOnlyPairingNeedsOneCandidateAndNoUnreadableElement) {
    const auto a = desktop.addWindow(10, "editor", {100, 100, 800, 600});
    const auto b = desktop.addWindow(10, "editor", {300, 300, 800, 600});
    const QRectF bounds(500, 500, 802, 598);
    std::vector<platform::WindowId> pool = {a, b};
    EXPECT_FALSE(engine.matchAXWindow(bounds, pool).has_value()); // ambiguous
    EXPECT_EQ(pool.size(), 2u);

    pool = {a};
    auto match = engine.matchAXWindow(bounds, pool);
    ASSERT_TRUE(match.has_value());
    EXPECT_EQ(match->element, a);
    EXPECT_TRUE(pool.empty());

    desktop.update(b, [](auto& w) { w.unreadable = true; });
    pool = {a, b};
    EXPECT_FALSE(engine.matchAXWindow(bounds, pool).has_value());
    // A position match does not need the fallback.
    EXPECT_EQ(engine.matchAXWindow(QRectF(100, 100, 800, 600), pool)->element, a);
}

TEST_F(WindowEngineTest, fittedSetLandsAtOnceOrAfterOneRetry) {
    const auto w = desktop.addWindow(10, "editor", {100, 100, 800, 600});
    const QRectF target(6, 36, 954, 1038);
    const double t0 = clock.now();
    EXPECT_TRUE(engine.setAXFrameFitted(w, target));
    EXPECT_EQ(desktop.frameOf(w), target);
    EXPECT_EQ(desktop.setFrameCount(), 1);
    EXPECT_DOUBLE_EQ(clock.now(), t0);

    // Within 12 in every dimension counts as landed (a size increment, say).
    desktop.update(w, [](auto& win) { win.maxSize = QSizeF(942, 1026); });
    EXPECT_TRUE(engine.setAXFrameFitted(w, target));
    // A move the window manager drops once lands with the one re-set, 0.12 s later.
    desktop.update(w, [](auto& win) {
        win.maxSize = QSizeF();
        win.dropsMoves = 1;
    });
    const double t1 = clock.now();
    const int sets = desktop.setFrameCount();
    EXPECT_TRUE(engine.setAXFrameFitted(w, QRectF(700, 100, 600, 500)));
    EXPECT_EQ(desktop.frameOf(w), QRectF(700, 100, 600, 500));
    EXPECT_EQ(desktop.setFrameCount() - sets, 2);
    EXPECT_NEAR(clock.now() - t1, 0.12, 1e-9);

    // A window that is gone is not placed.
    desktop.remove(w);
    EXPECT_FALSE(engine.setAXFrameFitted(w, target));
}

TEST_F(WindowEngineTest, aWindowReportingItsOldFrameFor032SecondsCountsAsPlaced) {
    const auto w = desktop.addWindow(10, "editor", {100, 100, 800, 600});
    desktop.update(w, [](auto& win) { win.lag = 0.3; });
    const double t0 = clock.now();
    EXPECT_TRUE(engine.setAXFrameFitted(w, QRectF(500, 200, 700, 500)));
    EXPECT_NEAR(clock.now() - t0, 0.32, 1e-9);

    // A window manager that never applies the move looks the same: the frame
    // stays as it was, which counts as placed.
    desktop.update(w, [](auto& win) {
        win.lag = 0;
        win.ignoresMoves = true;
    });
    EXPECT_TRUE(engine.setAXFrameFitted(w, QRectF(0, 40, 300, 300)));
}

TEST_F(WindowEngineTest, aClampedSizeIsNudgedBackInsideTheVisibleFrame) {
    const auto w = desktop.addWindow(10, "editor", {100, 100, 800, 600});
    desktop.update(w, [](auto& win) { win.minSize = QSizeF(1000, 700); });
    // Right half of the visible frame (which starts 30 below the top).
    EXPECT_TRUE(engine.setAXFrameFitted(w, QRectF(963, 36, 951, 1038 - 600)));
    EXPECT_EQ(desktop.frameOf(w), QRectF(920, 36, 1000, 700));
    const QRectF target(1500, 700, 300, 300);
    EXPECT_TRUE(engine.setAXFrameFitted(w, target));
    EXPECT_EQ(desktop.frameOf(w), QRectF(920, 380, 1000, 700));
}

TEST_F(WindowEngineTest, ourOwnWindowsAreNeverSetThroughTheWindowSystem) {
    const auto mine = desktop.addWindow(99, "brisklet", {100, 100, 800, 600});
    EXPECT_FALSE(engine.setAXFrameFitted(mine, QRectF(0, 30, 500, 500)));
    const auto marked = desktop.addWindow(50, "brisklet", {100, 100, 800, 600});
    const auto handle = own.add({100, 100, 800, 600}, 1);
    own.update(handle, [&](auto& e) { e.xid = marked; });
    EXPECT_FALSE(engine.setAXFrame(marked, QRectF(0, 30, 500, 500)));
    EXPECT_EQ(desktop.setFrameCount(), 0);
}

TEST_F(WindowEngineTest, theFocusedWindowIsTheActiveOneWithAReadableFrame) {
    EXPECT_FALSE(engine.focusedWindow().has_value());
    const auto w = desktop.addWindow(10, "editor", {100, 100, 800, 600});
    desktop.setActive(w);
    ASSERT_TRUE(engine.focusedWindow().has_value());
    EXPECT_EQ(engine.focusedWindow()->frame, QRectF(100, 100, 800, 600));
    desktop.remove(w);
    desktop.setActive(w); // a window that vanished
    EXPECT_FALSE(engine.focusedWindow().has_value());
}
