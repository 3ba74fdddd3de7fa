// The pick panel's timing on a fake clock with recording panels: the hover delay,
// the delayed hide and its re-arming, the panel keeping itself open while hovered,
// the tray menu holding it back, a click opening it at once with the pointer
// watched, and where it goes under the tray icon.
#include "ui/pick/BriskPickController.h"

#include "support/FakeClock.h"
#include "support/FakeFloatingSurface.h"
#include "support/FakeScheduler.h"
#include "ui/design/PanelPlacement.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QRect screen(0, 28, 1920, 1052); // a bar at the top
const QRect icon(1000, 2, 24, 24);

class BriskPickControllerTest : public ::testing::Test {
protected:
    BriskPickControllerTest() {
        pick.setupsProvider = [this] { return entries; };
        pick.visibleFrameProvider = [](const QRect&) { return screen; };
        pick.pointerProvider = [this] { return pointer; };
        QObject::connect(&pick, &BriskPickController::runRequested,
                         [this](const QUuid&, const QString& name) {
                             calls << (pick.isShown() ? "run while shown: " : "run: ") + name;
                         });
        QObject::connect(&pick, &BriskPickController::openHomeRequested, [this] { calls << "home"; });
    }
    FakeFloatingSurface* panel() const { return panels.empty() ? nullptr : panels.back(); }
    // A hidden panel is dropped later: read nothing of it once it is freed.
    bool panelOffScreen() const { return panels.empty() || *freed.back() || !panels.back()->visible; }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    std::vector<FakeFloatingSurface*> panels;
    std::vector<std::shared_ptr<bool>> freed;
    QList<PickEntry> entries{{"Work", "laptopcomputer", true, {}},
                             {"Focus & Write", "pencil.and.outline", false, {}}};
    QPoint pointer = icon.center();
    QStringList calls;
    BriskPickController pick{scheduler, [this](BriskPickModel&) {
                                 auto made = std::make_unique<FakeFloatingSurface>(QSize(244, 150));
                                 panels.push_back(made.get());
                                 freed.push_back(made->freed);
                                 return made;
                             }};
};

} // namespace

TEST_F(BriskPickControllerTest, aPointerCrossingTheIconQuicklyShowsNothing) {
    pick.buttonHoverChanged(true, icon);
    scheduler.advance(0.1);
    pick.buttonHoverChanged(false, icon);
    scheduler.advance(1);
    EXPECT_TRUE(panels.empty());
}

TEST_F(BriskPickControllerTest, restingOnTheIconShowsThePanelCentredTwoBelowIt) {
    pick.buttonHoverChanged(true, icon);
    scheduler.advance(0.17);
    EXPECT_FALSE(pick.isShown());
    scheduler.advance(0.02);
    ASSERT_TRUE(pick.isShown());
    EXPECT_EQ(panel()->position, QPoint(1012 - 122, 26 + 2));
    EXPECT_FALSE(panel()->clickThrough);
    EXPECT_EQ(pick.shownEntries(), entries);
    pick.buttonHoverChanged(true, icon); // entering again while shown
    scheduler.advance(1);
    EXPECT_EQ(panels.size(), 1u) << "no second panel";
}

TEST_F(BriskPickControllerTest, thePanelStaysFourInsideTheScreenAndAboveABottomBar) {
    const QSize size(244, 150);
    EXPECT_EQ(PanelPlacement::pick(QRect(1900, 2, 20, 24), size, screen).x(), 1920 - 244 - 4);
    EXPECT_EQ(PanelPlacement::pick(QRect(0, 2, 20, 24), size, screen).x(), 4);
    // A tray in a bar at the bottom: the panel sits above the bar.
    const QRect above(0, 0, 1920, 1040);
    EXPECT_EQ(PanelPlacement::pick(QRect(900, 1044, 24, 24), size, above), QPoint(912 - 122, 1040 - 150 - 4));
    // Narrower than the panel: the right-hand limit wins.
    EXPECT_EQ(PanelPlacement::pick(QRect(50, 0, 24, 24), size, QRect(0, 0, 200, 800)).x(), 200 - 244 - 4);
}

TEST_F(BriskPickControllerTest, movingFromTheIconIntoThePanelKeepsItAndLeavingThePanelHidesIt) {
    pick.buttonHoverChanged(true, icon);
    scheduler.advance(0.2);
    pick.buttonHoverChanged(false, icon);
    scheduler.advance(0.2);
    pick.setPanelHovered(true);
    scheduler.advance(1);
    EXPECT_TRUE(pick.isShown());
    pick.setPanelHovered(false);
    scheduler.advance(0.34);
    EXPECT_TRUE(pick.isShown());
    scheduler.advance(0.01);
    EXPECT_FALSE(pick.isShown());
    EXPECT_TRUE(panelOffScreen());
}

TEST_F(BriskPickControllerTest, everyLeaveRearmsTheHide) {
    pick.buttonHoverChanged(true, icon);
    scheduler.advance(0.2);
    pick.buttonHoverChanged(false, icon);
    scheduler.advance(0.3);
    pick.setPanelHovered(true);
    pick.setPanelHovered(false);
    scheduler.advance(0.3);
    EXPECT_TRUE(pick.isShown()) << "0.35 s from the last leave";
    scheduler.advance(0.06);
    EXPECT_FALSE(pick.isShown());
}

TEST_F(BriskPickControllerTest, theOpenMenuHoldsThePanelBackUntilItCloses) {
    pick.toggle(icon);
    ASSERT_TRUE(pick.isShown());
    // The menu opens.
    pick.suppressed = true;
    pick.cancelPendingShow();
    pick.hide();
    EXPECT_FALSE(pick.isShown());
    pick.buttonHoverChanged(false, icon);
    pick.buttonHoverChanged(true, icon);
    scheduler.advance(1);
    pick.toggle(icon);
    EXPECT_FALSE(pick.isShown()) << "neither hover nor click while the menu is open";
    pick.suppressed = false;
    pick.toggle(icon);
    EXPECT_TRUE(pick.isShown());
}

TEST_F(BriskPickControllerTest, aRowHidesThePanelThenRunsItsSetup) {
    pick.toggle(icon);
    ASSERT_NE(pick.model(), nullptr);
    pick.model()->run(1);
    EXPECT_EQ(calls, QStringList{"run: Focus & Write"});
    EXPECT_TRUE(panelOffScreen());
    pick.toggle(icon);
    pick.model()->openHome();
    EXPECT_EQ(calls, (QStringList{"run: Focus & Write", "home"}));
    EXPECT_FALSE(pick.isShown());
    scheduler.runDue(); // the hidden panels are dropped
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(BriskPickControllerTest, withoutSetupsOrWithoutAnIconNothingShows) {
    entries.clear();
    pick.toggle(icon);
    pick.buttonHoverChanged(true, icon);
    scheduler.advance(1);
    EXPECT_TRUE(panels.empty()) << "no lone \"Open Brisklet\" row";
    entries = {{"Work", "laptopcomputer", false, {}}};
    pick.setupsProvider = nullptr;
    pick.toggle(icon);
    EXPECT_TRUE(panels.empty());
    pick.setupsProvider = [this] { return entries; };
    pick.buttonHoverChanged(false, std::nullopt);
    pick.buttonHoverChanged(true, std::nullopt);
    scheduler.advance(1);
    EXPECT_TRUE(panels.empty()) << "the icon is gone";
}

TEST_F(BriskPickControllerTest, aClickShowsAtOnceAndASecondClickHides) {
    pick.toggle(icon);
    EXPECT_TRUE(pick.isShown());
    EXPECT_EQ(panels.size(), 1u);
    pick.toggle(icon);
    EXPECT_FALSE(pick.isShown());
    pick.toggle(icon);
    EXPECT_EQ(panels.size(), 2u) << "a panel of its own for each appearance";
}

TEST_F(BriskPickControllerTest, afterAClickThePointerLeavingTheIconHidesUnlessItReachesThePanel) {
    pick.toggle(icon);
    scheduler.advance(1);
    EXPECT_TRUE(pick.isShown()) << "the pointer stays on the icon";
    pointer = QPoint(1012, 60); // over the panel
    scheduler.advance(0.05);
    EXPECT_FALSE(pick.isButtonHovered());
    pick.setPanelHovered(true);
    scheduler.advance(1);
    EXPECT_TRUE(pick.isShown());
    pointer = icon.center(); // back on the icon, then off both
    pick.setPanelHovered(false);
    scheduler.advance(0.05);
    EXPECT_TRUE(pick.isButtonHovered());
    scheduler.advance(1);
    EXPECT_TRUE(pick.isShown());
    pointer = QPoint(400, 600);
    scheduler.advance(0.05 + 0.35);
    EXPECT_FALSE(pick.isShown());
    scheduler.advance(1);
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "the pointer is no longer watched";
}
