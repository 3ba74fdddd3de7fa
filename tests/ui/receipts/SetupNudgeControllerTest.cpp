// The drift nudge's life on a fake clock with recording panels: where it goes, the
// 25 s expiry, a newer card taking over, and the buttons reporting once.
#include "ui/receipts/SetupNudgeController.h"

#include "support/FakeClock.h"
#include "support/FakeFloatingSurface.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class SetupNudgeControllerTest : public ::testing::Test {
protected:
    SetupNudgeControllerTest() {
        QObject::connect(&nudge, &SetupNudgeController::updateRequested, [this](const QUuid& id) {
            updates.push_back(id);
            // The card is already on its way out when the update starts.
            cardGoneAtUpdate = nudge.current() == nullptr;
        });
        QObject::connect(&nudge, &SetupNudgeController::declined, [this] { declines += 1; });
    }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    std::vector<FakeFloatingSurface*> panels;
    std::vector<std::shared_ptr<bool>> freed;
    // A card that has faded out may be freed already: read nothing of it then.
    bool offScreen(size_t i) const { return *freed[i] || !panels[i]->visible; }
    std::vector<QUuid> updates;
    bool cardGoneAtUpdate = false;
    int declines = 0;
    SetupNudgeController nudge{scheduler, [this](SetupNudgeModel&) {
                                   auto made =
                                       std::make_unique<FakeFloatingSurface>(QSize(320 + 16, 96 + 16));
                                   panels.push_back(made.get());
                                   freed.push_back(made->freed);
                                   return made;
                               }};
};

} // namespace

TEST_F(SetupNudgeControllerTest, theCardSits20InFromTheBottomRightAndFadesIn) {
    // A 1440 × 900 screen less a 25-point bar at its top.
    nudge.show(QUuid::createUuid(), "Work", QRect(0, 25, 1440, 875));
    ASSERT_EQ(panels.size(), 1u);
    // The panel holds the card with room for its shadow around it: the card is what sits 20 in.
    const QPoint card =
        panels[0]->position + QPoint(SetupNudgeController::shadowMargin, SetupNudgeController::shadowMargin);
    EXPECT_EQ(card, QPoint(1440 - 320 - 20, 900 - 20 - 96));
    EXPECT_TRUE(panels[0]->visible);
    EXPECT_FALSE(panels[0]->clickThrough) << "it asks a question";
    EXPECT_DOUBLE_EQ(panels[0]->fadeInSeconds, 0.25);
    ASSERT_NE(nudge.current(), nullptr);
    EXPECT_EQ(nudge.current()->headline(), QString::fromUtf8("You've rearranged since “Work”."));
    EXPECT_EQ(nudge.current()->updateLabel(), QString::fromUtf8("Update “Work”"));
}

TEST_F(SetupNudgeControllerTest, theCardGoesByItselfAfter25Seconds) {
    nudge.show(QUuid::createUuid(), "Work", QRect(0, 0, 1920, 1080));
    scheduler.advance(24.9);
    EXPECT_NE(nudge.current(), nullptr);
    scheduler.advance(0.1);
    EXPECT_EQ(nudge.current(), nullptr);
    EXPECT_TRUE(panels[0]->fading);
    EXPECT_DOUBLE_EQ(panels[0]->fadeSeconds, 0.2);
    scheduler.advance(0.2);
    EXPECT_TRUE(offScreen(0));
    EXPECT_EQ(nudge.fadingCount(), 0);
    EXPECT_TRUE(updates.empty());
    EXPECT_EQ(declines, 0);
}

TEST_F(SetupNudgeControllerTest, aSecondCardReplacesTheFirstWithAFreshTimer) {
    nudge.show(QUuid::createUuid(), "Work", QRect(0, 0, 1920, 1080));
    scheduler.advance(20);
    const QUuid second = QUuid::createUuid();
    nudge.show(second, "Play", QRect(0, 0, 1920, 1080));
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_TRUE(panels[0]->fading);
    EXPECT_EQ(nudge.current()->setupName(), "Play");
    scheduler.advance(10);
    EXPECT_NE(nudge.current(), nullptr) << "the first card's expiry no longer counts";
    EXPECT_TRUE(offScreen(0));
    scheduler.advance(15);
    EXPECT_EQ(nudge.current(), nullptr);
}

TEST_F(SetupNudgeControllerTest, updateDismissesThenReportsTheIdOnce) {
    const QUuid id = QUuid::createUuid();
    nudge.show(id, "Work", QRect(0, 0, 1920, 1080));
    SetupNudgeModel* model = nudge.current();
    model->update();
    model->update(); // a second click on the fading card
    ASSERT_EQ(updates.size(), 1u);
    EXPECT_EQ(updates[0], id);
    EXPECT_TRUE(cardGoneAtUpdate);
    EXPECT_TRUE(panels[0]->fading);
    EXPECT_TRUE(panels[0]->clickThrough) << "a fading card takes no clicks";
    EXPECT_FALSE(nudge.isExpiryPending());
    scheduler.advance(30);
    EXPECT_EQ(updates.size(), 1u);
}

TEST_F(SetupNudgeControllerTest, notNowAndRepeatedDismissalsOnlyTakeTheCardAway) {
    nudge.dismiss(); // nothing shown: harmless
    nudge.show(QUuid::createUuid(), "Work", QRect(0, 0, 1920, 1080));
    nudge.current()->notNow();
    EXPECT_EQ(declines, 1);
    EXPECT_TRUE(updates.empty());
    nudge.dismiss();
    nudge.dismiss();
    EXPECT_EQ(panels[0]->calls.count("fade"), 1);
    scheduler.advance(1);
    EXPECT_TRUE(offScreen(0));
}
