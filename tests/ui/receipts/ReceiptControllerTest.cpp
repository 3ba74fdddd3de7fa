// The receipt card's life on a fake clock with recording panels: where it goes,
// the fade in and out, the 20 s expiry, a newer card taking over, and each
// button reporting once, after the card has gone.
#include "ui/receipts/ReceiptController.h"

#include "setups/Setup.h"
#include "support/FakeClock.h"
#include "support/FakeFloatingSurface.h"
#include "support/FakeScheduler.h"
#include "ui/design/PanelPlacement.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QRect screen(0, 0, 1920, 1050);

class ReceiptControllerTest : public ::testing::Test {
protected:
    ReceiptControllerTest() {
        receipts.reduceMotion = [this] { return reduce; };
        QObject::connect(&receipts, &ReceiptController::undoRequested, [this] { reports << "undo"; });
        QObject::connect(&receipts, &ReceiptController::closeOthersRequested, [this] { reports << "sweep"; });
        QObject::connect(&receipts, &ReceiptController::acknowledged, [this] { reports << "ok"; });
        QObject::connect(&receipts, &ReceiptController::expired, [this] { reports << "expired"; });
        work.id = QUuid::createUuid();
        work.name = "Work";
    }
    void showRun() {
        SetupPort::RunReport report;
        report.placed = 2;
        receipts.showRun(report, work, true, 3, screen);
    }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    std::vector<FakeFloatingSurface*> panels;
    bool reduce = false;
    QStringList reports;
    brisklet::Setup work;
    ReceiptController receipts{scheduler, [this](ReceiptModel& model) {
                                   auto made = std::make_unique<FakeFloatingSurface>(
                                       QSize(model.cardWidth(), model.panelHeight()));
                                   panels.push_back(made.get());
                                   return made;
                               }};
};

} // namespace

TEST_F(ReceiptControllerTest, aCardFadesInAtTheBottomRightAndTakesClicks) {
    showRun();
    ASSERT_EQ(panels.size(), 1u);
    FakeFloatingSurface* panel = panels[0];
    EXPECT_TRUE(panel->visible);
    EXPECT_FALSE(panel->clickThrough);
    EXPECT_DOUBLE_EQ(panel->fadeInSeconds, 0.25);
    EXPECT_EQ(panel->size(), QSize(380, 150)) << "a sweep button makes it wider";
    EXPECT_EQ(panel->position, QPoint(1920 - 380 - 20, 1050 - 20 - 150));
    EXPECT_EQ(PanelPlacement::receipt(QRect(1920, 30, 1280, 994), QSize(340, 150)),
              QPoint(1920 + 1280 - 340 - 20, 30 + 994 - 20 - 150))
        << "a second screen with a top bar";
    ASSERT_NE(receipts.current(), nullptr);
    EXPECT_EQ(receipts.current()->title(), QString::fromUtf8("“Work” is ready."));
}

TEST_F(ReceiptControllerTest, aCardExpiresAfterTwentySecondsWithAFade) {
    showRun();
    scheduler.advance(19.9);
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_FALSE(panels[0]->fading);
    scheduler.advance(0.1);
    EXPECT_EQ(reports, QStringList{"expired"});
    EXPECT_TRUE(panels[0]->fading);
    EXPECT_DOUBLE_EQ(panels[0]->fadeSeconds, 0.2);
    EXPECT_EQ(receipts.current(), nullptr) << "no longer the current card while it fades";
    EXPECT_TRUE(panels[0]->visible);
    EXPECT_EQ(receipts.fadingCount(), 1);
    scheduler.advance(0.2);
    EXPECT_EQ(receipts.fadingCount(), 0) << "ordered out and dropped";
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(ReceiptControllerTest, aNewerCardTakesOverAndOnlyItExpires) {
    showRun();
    scheduler.advance(5);
    receipts.showEnd({"Work", 1, {}}, work, screen);
    ASSERT_EQ(panels.size(), 2u);
    EXPECT_TRUE(panels[0]->fading) << "the first fades while the second shows";
    EXPECT_TRUE(panels[1]->visible);
    EXPECT_EQ(panels[1]->size(), QSize(340, 150));
    scheduler.advance(15);
    EXPECT_TRUE(reports.isEmpty()) << "the first card's expiry was cancelled";
    scheduler.advance(5);
    EXPECT_EQ(reports, QStringList{"expired"}) << "20 s after the second showed";
}

TEST_F(ReceiptControllerTest, eachButtonDismissesFirstThenReportsOnce) {
    const std::pair<void (ReceiptModel::*)(), QString> buttons[] = {
        {&ReceiptModel::undo, "undo"}, {&ReceiptModel::sweep, "sweep"}, {&ReceiptModel::acknowledge, "ok"}};
    for (const auto& [press, name] : buttons) {
        SCOPED_TRACE(name.toStdString());
        reports.clear();
        showRun();
        ReceiptModel* model = receipts.current();
        QString seenCurrent = "unset";
        auto probe = QObject::connect(&receipts, &ReceiptController::undoRequested,
                                      [&] { seenCurrent = receipts.current() ? "card" : "none"; });
        (model->*press)();
        QObject::disconnect(probe);
        EXPECT_EQ(reports, QStringList{name});
        if (name == "undo") {
            EXPECT_EQ(seenCurrent, "none") << "dismissed before the report";
        }
        EXPECT_TRUE(panels.back()->fading);
        EXPECT_TRUE(panels.back()->clickThrough) << "a fading card takes no clicks";
        (model->*press)(); // the fading card's button again
        EXPECT_EQ(reports, QStringList{name}) << "a fading card answers no more";
        scheduler.advance(25);
        EXPECT_EQ(reports, QStringList{name}) << "no expiry after a button";
    }
}

TEST_F(ReceiptControllerTest, aFadingCardsButtonDoesNotEndTheNewerCard) {
    showRun();
    ReceiptModel* first = receipts.current();
    showRun();
    first->acknowledge();
    EXPECT_TRUE(reports.isEmpty());
    EXPECT_NE(receipts.current(), nullptr);
    EXPECT_TRUE(panels[1]->visible);
    EXPECT_FALSE(panels[1]->fading);
}

TEST_F(ReceiptControllerTest, withReduceMotionCardsComeAndGoWithoutFading) {
    reduce = true;
    showRun();
    EXPECT_DOUBLE_EQ(panels[0]->fadeInSeconds, 0);
    receipts.dismiss();
    EXPECT_FALSE(panels[0]->visible) << "out at once";
    EXPECT_FALSE(panels[0]->calls.contains("fade"));
    scheduler.runDue();
    EXPECT_EQ(receipts.fadingCount(), 0);
}

TEST_F(ReceiptControllerTest, dismissingWithoutACardOnlyCancelsTheExpiry) {
    receipts.dismiss();
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    showRun();
    receipts.dismiss();
    receipts.dismiss();
    EXPECT_FALSE(receipts.isExpiryPending());
    scheduler.advance(30);
    EXPECT_TRUE(reports.isEmpty()) << "a dismissed card never expires";
}

TEST_F(ReceiptControllerTest, aControllerGoneBeforeItsTimersLeavesThemHarmless) {
    auto owned = std::make_unique<ReceiptController>(
        scheduler, [](ReceiptModel&) { return std::make_unique<FakeFloatingSurface>(); });
    owned->reduceMotion = [] { return false; };
    bool expired = false;
    QObject::connect(owned.get(), &ReceiptController::expired, [&] { expired = true; });
    owned->show(ReceiptCard{}, screen);
    owned->dismiss();
    owned->show(ReceiptCard{}, screen);
    owned.reset();
    scheduler.advance(30);
    EXPECT_FALSE(expired);
}
