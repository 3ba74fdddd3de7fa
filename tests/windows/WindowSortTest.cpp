#include "support/FakeDesktopEngine.h"
#include "windows/WindowEngine.h"

#include <gtest/gtest.h>

using namespace brisklet;
using brisklet::test::FakeDesktop;

namespace {

class WindowSortTest : public test::FakeDesktopEngine {
protected:
    WindowSortTest() : FakeDesktopEngine({0, 0, 1452, 918}) {} // 2 × 2 cells of 714 × 450
    platform::WindowId window(qint64 pid, const QString& app, QRectF frame) {
        return desktop.addWindow(pid, app, frame);
    }
    static bool inside(const QRectF& outer, const QRectF& inner) {
        return outer.adjusted(-1, -1, 1, 1).contains(inner);
    }
};

} // namespace

TEST_F(WindowSortTest, aCountSortsOnlyTheFrontmostOtherWindows) {
    const auto a = window(10, "editor", {100, 100, 500, 400});
    const auto b = window(11, "terminal", {200, 200, 500, 400});
    const auto c = window(12, "viewer", {300, 300, 500, 400});
    own.add({400, 400, 500, 400}, 1);
    const auto outcome = engine.sortActive(2);
    EXPECT_EQ(outcome.landed, 2);
    EXPECT_EQ(outcome.keptMinimum, 0);
    // Two cells side by side across the display.
    EXPECT_EQ(desktop.frameOf(a).height(), 918 - 12);
    EXPECT_EQ(desktop.frameOf(b).height(), 918 - 12);
    EXPECT_FALSE(desktop.frameOf(a).intersects(desktop.frameOf(b)));
    EXPECT_EQ(desktop.frameOf(c), QRectF(300, 300, 500, 400));
    EXPECT_TRUE(own.placed().empty());
}

TEST_F(WindowSortTest, ourOwnWindowAloneTakesTheWholeDisplayWithoutAGlide) {
    own.add({400, 400, 500, 400}, 1);
    const double t0 = clock.now();
    const auto outcome = engine.sortActive(std::nullopt);
    EXPECT_EQ(outcome.landed, 1);
    ASSERT_EQ(own.placed().size(), 1u);
    EXPECT_EQ(own.placed()[0].second, QRectF(6, 6, 1440, 906));
    EXPECT_DOUBLE_EQ(own.durations()[0], 0.28);
    EXPECT_NEAR(clock.now() - t0, 0.35, 1e-9);
    EXPECT_TRUE(desktop.requests().empty());
}

TEST_F(WindowSortTest, countZeroOrNothingToSortMovesNothing) {
    window(10, "editor", {100, 100, 500, 400});
    EXPECT_EQ(engine.sortActive(0), WindowEngine::SortOutcome{});
    desktop.update(desktop.windows()[0].id, [](auto& w) { w.info.iconic = true; });
    EXPECT_EQ(engine.sortAll(), WindowEngine::SortOutcome{});
    EXPECT_EQ(desktop.setFrameCount(), 0);
}

TEST_F(WindowSortTest, sortAllGivesEachDisplayItsOwnWindows) {
    desktop.setDisplays(
        {FakeDesktop::display(1, {0, 0, 1000, 800}), FakeDesktop::display(2, {1000, 0, 1000, 800})});
    const auto half = window(10, "editor", {850, 100, 300, 200}); // exact half: the first display
    const auto mostlyRight = window(11, "terminal", {900, 100, 300, 200});
    const auto left = window(12, "viewer", {100, 100, 300, 300});
    const auto outcome = engine.sortAll();
    EXPECT_EQ(outcome.landed, 3);
    const QRectF leftDisplay(0, 0, 1000, 800), rightDisplay(1000, 0, 1000, 800);
    EXPECT_TRUE(inside(leftDisplay, desktop.frameOf(half)));
    EXPECT_TRUE(inside(leftDisplay, desktop.frameOf(left)));
    EXPECT_EQ(desktop.frameOf(mostlyRight), QRectF(1006, 6, 988, 788));
}

TEST_F(WindowSortTest, aWindowThatRefusesItsCellIsLearnedAndTiledAround) {
    const auto wide = window(10, "editor", {0, 0, 900, 400});
    desktop.update(wide, [](auto& w) { w.minSize = QSizeF(900, 0); });
    window(11, "terminal", {800, 0, 500, 400});
    window(12, "viewer", {0, 500, 500, 400});
    window(13, "notes", {800, 500, 500, 400});
    const auto outcome = engine.sortActive(std::nullopt);
    EXPECT_EQ(outcome.landed, 4);
    EXPECT_EQ(outcome.keptMinimum, 0);
    EXPECT_EQ(outcome.tiledAround, QStringList{"Editor"});
    EXPECT_TRUE(outcome.unfit.isEmpty());
    ASSERT_TRUE(engine.learnedFloors.count(wide));
    EXPECT_EQ(engine.learnedFloors[wide].width(), 900);
    // Nobody overlaps once the layout honours the minimum.
    const auto all = desktop.windows();
    for (size_t i = 0; i < all.size(); ++i)
        for (size_t j = i + 1; j < all.size(); ++j)
            EXPECT_FALSE(all[i].frame->intersects(*all[j].frame)) << i << " " << j;

    // The same sort again starts from the floor and needs no re-placement.
    const int before = desktop.setFrameCount();
    const auto again = engine.sortActive(std::nullopt);
    EXPECT_EQ(again.landed, 4);
    EXPECT_EQ(desktop.setFrameCount() - before, 4);
}

TEST_F(WindowSortTest, floorsShrinkToWhatTheWindowAcceptsAndGoUnder50) {
    const auto w = window(10, "editor", {0, 0, 300, 300});
    engine.learnedFloors[w] = QSizeF(900, 600);
    desktop.setDisplays({FakeDesktop::display(1, {0, 0, 412, 512})});
    engine.sortActive(std::nullopt);
    EXPECT_EQ(engine.learnedFloors[w], QSizeF(400, 500));
    desktop.setDisplays({FakeDesktop::display(1, {0, 0, 52, 52})});
    engine.sortActive(std::nullopt);
    EXPECT_FALSE(engine.learnedFloors.count(w));
}

TEST_F(WindowSortTest, aReusedWindowNumberDoesNotInheritAFloor) {
    window(10, "editor", {0, 0, 300, 300});
    engine.learnedFloors[0x123456] = QSizeF(900, 600);
    engine.sortActive(std::nullopt);
    EXPECT_FALSE(engine.learnedFloors.count(0x123456));
}

TEST_F(WindowSortTest, aGlideSlowerThanTheWaitLearnsNothing) {
    const auto wide = window(10, "editor", {0, 0, 900, 400});
    desktop.update(wide, [](auto& w) { w.minSize = QSizeF(900, 0); });
    window(11, "terminal", {800, 0, 500, 400});
    // A frame that takes four seconds.
    desktop.onRequest([&](platform::WindowId, const QRectF&) { clock.advance(4.0); });
    engine.sortActive(std::nullopt);
    EXPECT_TRUE(engine.learnedFloors.empty());
}

TEST_F(WindowSortTest, ownWindowsComeLastAndAreNamedInTheLists) {
    window(10, "editor", {0, 0, 500, 400});
    own.add({800, 500, 500, 400}, 1, QSizeF(1000, 0));
    const auto outcome = engine.sortActive(std::nullopt);
    EXPECT_EQ(outcome.landed, 2);
    EXPECT_EQ(outcome.tiledAround, QStringList{"Brisklet"});
    ASSERT_FALSE(own.placed().empty());
    EXPECT_GE(own.placed().back().second.width(), 1000);
}
