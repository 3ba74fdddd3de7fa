// The heads-up display's controller on a fake clock with a recording panel: each
// state's time on screen, the fade and its generation check, the question's life,
// the level meter and where the panel goes.
#include "ui/hud/HUDController.h"

#include "support/FakeClock.h"
#include "support/FakeFloatingSurface.h"
#include "support/FakeScheduler.h"
#include "support/LogCapture.h"
#include "ui/design/PanelPlacement.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class HUDControllerTest : public ::testing::Test {
protected:
    HUDControllerTest() {
        hud.pointerScreenProvider = [] { return QRect(0, 0, 1920, 1080); };
        hud.random = [this] { return draw; };
    }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeFloatingSurface* panel = nullptr;
    int panelsMade = 0;
    double draw = 0.5;
    HUDController hud{scheduler, [this](HUDModel&) {
                          ++panelsMade;
                          auto made = std::make_unique<FakeFloatingSurface>();
                          panel = made.get();
                          return made;
                      }};
};

} // namespace

TEST_F(HUDControllerTest, ThePanelIsMadeOnTheFirstShowAndKept) {
    EXPECT_EQ(hud.surface(), nullptr);
    hud.hide();
    EXPECT_EQ(panelsMade, 0) << "hiding makes no panel";
    hud.show(HUDState::listening());
    hud.show(HUDState::heard(QStringLiteral("maximize")));
    hud.hide();
    scheduler.advance(1);
    hud.show(HUDState::done(QStringLiteral("Maximized")));
    EXPECT_EQ(panelsMade, 1);
    EXPECT_TRUE(panel->visible);
}

TEST_F(HUDControllerTest, AResultHidesAfterItsTimeWithAFade) {
    hud.show(HUDState::done(QStringLiteral("Opened Firefox")));
    EXPECT_TRUE(hud.isVisible());
    scheduler.advance(1.19);
    EXPECT_FALSE(panel->fading);
    scheduler.advance(0.02);
    EXPECT_TRUE(panel->fading);
    EXPECT_DOUBLE_EQ(panel->fadeSeconds, 0.18);
    EXPECT_FALSE(hud.isVisible());
    EXPECT_TRUE(panel->visible) << "still fading";
    scheduler.advance(0.18);
    EXPECT_FALSE(panel->visible);
    EXPECT_EQ(panel->calls.filter("out").size(), 1);
}

TEST_F(HUDControllerTest, EachStateStaysForItsOwnTime) {
    const std::pair<HUDState, double> cases[] = {
        {HUDState::listening(), 40},
        {HUDState::heard(QStringLiteral("x")), 40},
        {HUDState::executing(QStringLiteral("x")), 40},
        {HUDState::done(QStringLiteral("x")), 1.2},
        {HUDState::miss(QString()), 1.2},
        {HUDState::info(QStringLiteral("x")), 1.2},
        {HUDState::confirm(QStringLiteral("x")), 10},
    };
    for (const auto& [state, seconds] : cases) {
        hud.show(state);
        scheduler.advance(seconds - 0.01);
        EXPECT_TRUE(hud.isVisible()) << kindName(state.kind);
        scheduler.advance(0.02);
        EXPECT_FALSE(hud.isVisible()) << kindName(state.kind);
        scheduler.advance(1);
    }
}

TEST_F(HUDControllerTest, HeardCancelsTheListeningHideAndStopsTheMeter) {
    hud.show(HUDState::listening());
    EXPECT_TRUE(hud.isMeterRunning());
    scheduler.advance(0.5);
    hud.show(HUDState::heard(QStringLiteral("maximize")));
    EXPECT_FALSE(hud.isMeterRunning());
    scheduler.advance(39.6); // past the first 40 s
    EXPECT_TRUE(hud.isVisible());
    scheduler.advance(0.5);
    EXPECT_FALSE(hud.isVisible());
}

TEST_F(HUDControllerTest, AShowDuringTheFadeKeepsThePanel) {
    hud.show(HUDState::done(QStringLiteral("Done")));
    const int before = hud.hideGeneration();
    hud.hide();
    EXPECT_EQ(hud.hideGeneration(), before + 1);
    hud.show(HUDState::info(QStringLiteral("Microphone is off")));
    scheduler.advance(0.5);
    EXPECT_TRUE(panel->visible) << "the old fade's end found a newer generation";
    EXPECT_FALSE(panel->fading);
    EXPECT_TRUE(panel->calls.filter("out").isEmpty());
}

TEST_F(HUDControllerTest, HidingWhenNothingShowsOnlyStopsTheMeterAndTheTimer) {
    hud.show(HUDState::listening());
    hud.hide();
    scheduler.advance(1);
    const int generation = hud.hideGeneration();
    hud.hide();
    EXPECT_EQ(hud.hideGeneration(), generation) << "no second fade";
    EXPECT_FALSE(hud.isMeterRunning());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(HUDControllerTest, APartialTranscriptChangesOnlyAListeningState) {
    hud.show(HUDState::listening());
    hud.updateListening(QStringLiteral("open"));
    EXPECT_EQ(hud.state(), HUDState::listening(QStringLiteral("open")));
    const QStringList calls = panel->calls;
    hud.updateListening(QStringLiteral("open fire"));
    EXPECT_EQ(panel->calls, calls) << "the panel is left alone";

    hud.show(HUDState::heard(QStringLiteral("open firefox")));
    hud.updateListening(QStringLiteral("open firefox please"));
    EXPECT_EQ(hud.state(), HUDState::heard(QStringLiteral("open firefox")));
}

TEST_F(HUDControllerTest, AQuestionTakesClicksUntilAnotherStateDropsIt) {
    int answers = 0;
    hud.showConfirm(
        QStringLiteral("Close 4 windows?"), [&] { ++answers; }, [&] { ++answers; });
    EXPECT_FALSE(panel->clickThrough);
    EXPECT_TRUE(hud.isAwaitingAnswer());
    EXPECT_EQ(hud.model().stateKey(), "confirm");

    hud.show(HUDState::executing(QStringLiteral("Closing windows")));
    EXPECT_TRUE(panel->clickThrough);
    EXPECT_FALSE(hud.isAwaitingAnswer());
    hud.answerConfirm(true);
    hud.answerConfirm(false);
    EXPECT_EQ(answers, 0);
}

TEST_F(HUDControllerTest, YesRunsTheActionAndLeavesTheDisplayToIt) {
    QStringList order;
    hud.showConfirm(
        QStringLiteral("Close 4 windows?"),
        [&] {
            order << QStringLiteral("run");
            EXPECT_FALSE(hud.isAwaitingAnswer()) << "cleared before the action";
        },
        [&] { order << QStringLiteral("cancel"); });
    hud.model().confirmRun();
    hud.model().confirmRun();
    EXPECT_EQ(order, QStringList{"run"});
    EXPECT_TRUE(hud.isVisible()) << "the action shows what comes next";
}

TEST_F(HUDControllerTest, NotNowClearsTheQuestionHidesThenCancels) {
    bool hiddenFirst = false;
    int runs = 0;
    hud.showConfirm(
        QStringLiteral("Close 4 windows?"), [&] { ++runs; },
        [&] { hiddenFirst = !hud.isVisible() && panel->fading && panel->clickThrough; });
    hud.model().confirmCancel();
    EXPECT_TRUE(hiddenFirst);
    EXPECT_FALSE(hud.isAwaitingAnswer());
    hud.model().confirmRun();
    EXPECT_EQ(runs, 0);
}

TEST_F(HUDControllerTest, AnUnansweredQuestionGoesAfterTenSecondsWithoutAnAnswer) {
    int answers = 0;
    hud.showConfirm(
        QStringLiteral("Quit Firefox?"), [&] { ++answers; }, [&] { ++answers; });
    scheduler.advance(10.2);
    EXPECT_FALSE(hud.isVisible());
    EXPECT_FALSE(panel->visible);
    EXPECT_TRUE(panel->clickThrough);
    EXPECT_EQ(answers, 0);
}

TEST_F(HUDControllerTest, AnAnswerMayAskTheNextQuestion) {
    int secondRuns = 0;
    hud.showConfirm(
        QStringLiteral("Close 4 windows?"),
        [&] {
            hud.showConfirm(
                QStringLiteral("Also quit Firefox?"), [&] { ++secondRuns; }, [] {});
        },
        [] {});
    hud.answerConfirm(true);
    EXPECT_TRUE(hud.isAwaitingAnswer());
    EXPECT_EQ(hud.state().text, "Also quit Firefox?");
    hud.answerConfirm(true);
    EXPECT_EQ(secondRuns, 1);
}

TEST_F(HUDControllerTest, TheMeterTicksThirtyTimesASecondWhileListening) {
    float level = 0;
    hud.levelProvider = [&] { return level; };
    hud.show(HUDState::listening());
    scheduler.advance(1.0 + 1e-6);
    const QList<qreal> bars = hud.model().bars();
    ASSERT_EQ(bars.size(), HUDModel::barCount);
    for (qreal bar : bars)
        EXPECT_DOUBLE_EQ(bar, 0.08) << "silence gives flat bars";

    level = 1.0f / 9; // v = 1
    draw = 0;
    scheduler.advance(1.0 / 30);
    EXPECT_DOUBLE_EQ(hud.model().bars().front(), 0.75);
    draw = 1;
    scheduler.advance(1.0 / 30);
    EXPECT_DOUBLE_EQ(hud.model().bars().front(), 1.15);
    EXPECT_DOUBLE_EQ(hud.model().bars()[1], 0.75) << "newest first";
    EXPECT_EQ(hud.model().bars().size(), HUDModel::barCount);
    EXPECT_DOUBLE_EQ(hud.model().liveLevel(), 1.0);

    hud.show(HUDState::heard(QStringLiteral("maximize")));
    const QList<qreal> kept = hud.model().bars();
    scheduler.advance(1);
    EXPECT_EQ(hud.model().bars(), kept) << "the meter stopped";
    hud.show(HUDState::listening());
    EXPECT_EQ(hud.model().bars(), kept) << "a new listening starts from the last bars";
}

TEST_F(HUDControllerTest, TheMeterIsFlatWithoutALevel) {
    hud.show(HUDState::listening());
    scheduler.advance(0.5);
    for (qreal bar : hud.model().bars())
        EXPECT_DOUBLE_EQ(bar, 0.08);
    EXPECT_DOUBLE_EQ(hud.model().liveLevel(), 0.0);
}

TEST_F(HUDControllerTest, ThePanelSitsCentredAboveTheBottomOfTheWorkingScreen) {
    hud.show(HUDState::listening());
    EXPECT_EQ(panel->position, QPoint((1920 - 264) / 2, 1080 - 48 - 86));

    hud.activeScreenProvider = [] { return std::optional<QRect>(QRect(1920, 0, 1280, 1000)); };
    hud.show(HUDState::heard(QStringLiteral("maximize")));
    EXPECT_EQ(panel->position, QPoint(1920 + (1280 - 264) / 2, 1000 - 48 - 86));

    hud.activeScreenProvider = [] { return std::nullopt; };
    hud.show(HUDState::done(QStringLiteral("Maximized")));
    EXPECT_EQ(panel->position, QPoint((1920 - 264) / 2, 1080 - 48 - 86)) << "back to the pointer's screen";
}

TEST(PanelPlacementTest, TheScreenUnderThePointerElseThePrimaryElseTheFirst) {
    using PanelPlacement::Screen;
    const std::vector<Screen> screens{{QRect(0, 0, 1920, 1080), QRect(0, 32, 1920, 1048)},
                                      {QRect(1920, 0, 1280, 1024), QRect(1920, 0, 1280, 990)}};
    EXPECT_EQ(PanelPlacement::underPointer(screens, {2000, 500}, 0), QRect(1920, 0, 1280, 990));
    EXPECT_EQ(PanelPlacement::underPointer(screens, {100, 100}, 1), QRect(0, 32, 1920, 1048));
    EXPECT_EQ(PanelPlacement::underPointer(screens, {-50, -50}, 1), QRect(1920, 0, 1280, 990));
    EXPECT_EQ(PanelPlacement::underPointer(screens, {-50, -50}, -1), QRect(0, 32, 1920, 1048));
    EXPECT_TRUE(PanelPlacement::underPointer({}, {0, 0}, 0).isEmpty());
    // On the second screen: 48 above its visible bottom, centred.
    EXPECT_EQ(PanelPlacement::hud(QRect(1920, 0, 1280, 990), {264, 86}), QPoint(1920 + 508, 990 - 134));
}

TEST_F(HUDControllerTest, CallbacksOutliveTheControllerHarmlessly) {
    auto owned = std::make_unique<HUDController>(
        scheduler, [](HUDModel&) { return std::make_unique<FakeFloatingSurface>(); });
    owned->show(HUDState::listening());
    owned->show(HUDState::done(QStringLiteral("Done")));
    owned->hide();
    owned.reset();
    scheduler.advance(60); // the fade's end and any timer find no controller
    SUCCEED();
}

TEST_F(HUDControllerTest, LogsEachStateAndTheHiding) {
    LogCapture log;
    hud.show(HUDState::heard(QStringLiteral("open firefox")));
    hud.updateListening(QStringLiteral("ignored"));
    hud.hide();
    hud.hide();
    EXPECT_EQ(log.count(QStringLiteral("hud: heard “open firefox”")), 1);
    EXPECT_EQ(log.count(QStringLiteral("hud: hidden")), 1);
}

TEST(HUDStateTest, EqualWhenTheKindAndTextAgree) {
    EXPECT_EQ(HUDState::listening(QStringLiteral("a")), HUDState::listening(QStringLiteral("a")));
    EXPECT_NE(HUDState::listening(QStringLiteral("a")), HUDState::listening(QStringLiteral("b")));
    EXPECT_NE(HUDState::listening(QStringLiteral("a")), HUDState::heard(QStringLiteral("a")));
}
