// The heads-up display's controller as its view sees it: which properties each
// call changes, which NOTIFY signals fire, and the life of a pending question.
#include "ui/HUDController.h"

#include "support/LogCapture.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

#include <array>

using namespace brisklet;

namespace {

// One spy per NOTIFY signal, so each case can say exactly which ones fired.
struct Spies {
    explicit Spies(HUDController& hud)
        : kind(&hud, &HUDController::kindChanged), text(&hud, &HUDController::textChanged),
          visible(&hud, &HUDController::visibleChanged),
          awaitingAnswer(&hud, &HUDController::awaitingAnswerChanged) {}

    // kind, text, visible, awaitingAnswer
    std::array<qsizetype, 4> counts() const {
        return {kind.count(), text.count(), visible.count(), awaitingAnswer.count()};
    }
    void clear() {
        kind.clear();
        text.clear();
        visible.clear();
        awaitingAnswer.clear();
    }

    QSignalSpy kind;
    QSignalSpy text;
    QSignalSpy visible;
    QSignalSpy awaitingAnswer;
};

using Counts = std::array<qsizetype, 4>;

class HUDControllerTest : public ::testing::Test {
protected:
    HUDController hud;
    Spies spies{hud};
};

} // namespace

TEST_F(HUDControllerTest, StartsHiddenListeningWithNothingToAnswer) {
    EXPECT_FALSE(hud.isVisible());
    EXPECT_EQ(hud.property("kind").toString(), "listening");
    EXPECT_EQ(hud.property("text").toString(), "");
    EXPECT_EQ(hud.property("visible").toBool(), false);
    EXPECT_EQ(hud.property("awaitingAnswer").toBool(), false);
}

TEST_F(HUDControllerTest, ShowNotifiesOnlyWhatChanged) {
    hud.show(HUDState::listening());
    // Same kind and text as before: only the panel appearing is news.
    EXPECT_EQ(spies.counts(), (Counts{0, 0, 1, 0}));
    EXPECT_TRUE(hud.property("visible").toBool());

    spies.clear();
    hud.show(HUDState::heard(QStringLiteral("open firefox")));
    EXPECT_EQ(spies.counts(), (Counts{1, 1, 0, 0}));
    EXPECT_EQ(hud.property("kind").toString(), "heard");
    EXPECT_EQ(hud.property("text").toString(), "open firefox");
    EXPECT_EQ(hud.state(), HUDState::heard(QStringLiteral("open firefox")));

    spies.clear();
    hud.show(HUDState::executing(QStringLiteral("open firefox")));
    EXPECT_EQ(spies.counts(), (Counts{1, 0, 0, 0}));

    spies.clear();
    hud.show(HUDState::done(QStringLiteral("Opened Firefox")));
    EXPECT_EQ(spies.counts(), (Counts{1, 1, 0, 0}));
    EXPECT_EQ(hud.kind(), "done");
}

TEST_F(HUDControllerTest, SignalsFireAfterTheWholeStateIsSet) {
    // A binding that reads both properties on either signal sees the new pair.
    QStringList seen;
    const auto read = [&] { seen << hud.kind() + QLatin1Char('/') + hud.text(); };
    QObject::connect(&hud, &HUDController::kindChanged, read);
    QObject::connect(&hud, &HUDController::textChanged, read);
    hud.show(HUDState::miss(QStringLiteral("play something nice")));
    EXPECT_EQ(seen, QStringList({"miss/play something nice", "miss/play something nice"}));
}

TEST_F(HUDControllerTest, PartialTranscriptUpdatesOnlyWhileListening) {
    hud.show(HUDState::listening());
    spies.clear();

    hud.updateListening(QStringLiteral("open"));
    hud.updateListening(QStringLiteral("open fire"));
    EXPECT_EQ(spies.counts(), (Counts{0, 2, 0, 0}));
    EXPECT_EQ(hud.text(), "open fire");

    spies.clear();
    hud.updateListening(QStringLiteral("open fire"));
    EXPECT_EQ(spies.counts(), (Counts{0, 0, 0, 0}));

    // A late partial never overwrites a later state.
    hud.show(HUDState::heard(QStringLiteral("open firefox")));
    spies.clear();
    hud.updateListening(QStringLiteral("open firefox please"));
    EXPECT_EQ(spies.counts(), (Counts{0, 0, 0, 0}));
    EXPECT_EQ(hud.state(), HUDState::heard(QStringLiteral("open firefox")));
}

TEST_F(HUDControllerTest, HideNotifiesOnceAndShowBringsItBack) {
    hud.show(HUDState::info(QStringLiteral("Microphone is off")));
    spies.clear();

    hud.hide();
    hud.hide();
    EXPECT_EQ(spies.counts(), (Counts{0, 0, 1, 0}));
    EXPECT_FALSE(hud.property("visible").toBool());
    EXPECT_FALSE(hud.isVisible());
    // The last state stays readable while hidden.
    EXPECT_EQ(hud.text(), "Microphone is off");

    spies.clear();
    hud.show(HUDState::info(QStringLiteral("Microphone is off")));
    EXPECT_EQ(spies.counts(), (Counts{0, 0, 1, 0}));
    EXPECT_TRUE(hud.isVisible());
}

TEST_F(HUDControllerTest, AnsweringYesRunsOnlyTheRunAction) {
    int runs = 0;
    int cancels = 0;
    hud.showConfirm(
        QStringLiteral("Close 4 windows?"), [&] { ++runs; }, [&] { ++cancels; });
    EXPECT_EQ(spies.counts(), (Counts{1, 1, 1, 1}));
    EXPECT_EQ(hud.kind(), "confirm");
    EXPECT_EQ(hud.text(), "Close 4 windows?");
    EXPECT_TRUE(hud.property("awaitingAnswer").toBool());

    spies.clear();
    hud.answerConfirm(true);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(cancels, 0);
    EXPECT_EQ(spies.counts(), (Counts{0, 0, 0, 1}));
    EXPECT_FALSE(hud.isAwaitingAnswer());

    // A question is answered once.
    spies.clear();
    hud.answerConfirm(true);
    hud.answerConfirm(false);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(cancels, 0);
    EXPECT_EQ(spies.counts(), (Counts{0, 0, 0, 0}));
}

TEST_F(HUDControllerTest, AnsweringNoThroughTheMetaObjectRunsOnlyTheCancelAction) {
    int runs = 0;
    int cancels = 0;
    hud.showConfirm(
        QStringLiteral("Close 4 windows?"), [&] { ++runs; }, [&] { ++cancels; });
    // The way a view calls it.
    ASSERT_TRUE(QMetaObject::invokeMethod(&hud, "answerConfirm", Q_ARG(bool, false)));
    EXPECT_EQ(runs, 0);
    EXPECT_EQ(cancels, 1);
    EXPECT_FALSE(hud.isAwaitingAnswer());
}

TEST_F(HUDControllerTest, ANewerStateDropsAPendingQuestionUnanswered) {
    int answers = 0;
    hud.showConfirm(
        QStringLiteral("Close 4 windows?"), [&] { ++answers; }, [&] { ++answers; });
    spies.clear();

    hud.show(HUDState::listening());
    EXPECT_EQ(spies.counts(), (Counts{1, 1, 0, 1}));
    EXPECT_FALSE(hud.isAwaitingAnswer());

    hud.answerConfirm(true);
    hud.answerConfirm(false);
    EXPECT_EQ(answers, 0);
}

TEST_F(HUDControllerTest, ANewerQuestionReplacesThePendingOne) {
    QStringList ran;
    hud.showConfirm(
        QStringLiteral("Close 4 windows?"), [&] { ran << "first"; }, [&] { ran << "first no"; });
    spies.clear();

    hud.showConfirm(
        QStringLiteral("Quit Firefox?"), [&] { ran << "second"; }, [&] { ran << "second no"; });
    // Still a question waiting: only its text is news.
    EXPECT_EQ(spies.counts(), (Counts{0, 1, 0, 0}));
    EXPECT_TRUE(hud.isAwaitingAnswer());

    hud.answerConfirm(true);
    EXPECT_EQ(ran, QStringList({"second"}));
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
    EXPECT_EQ(hud.text(), "Also quit Firefox?");
    hud.answerConfirm(true);
    EXPECT_EQ(secondRuns, 1);
    EXPECT_FALSE(hud.isAwaitingAnswer());
}

TEST_F(HUDControllerTest, LogsEachStateAndTheHiding) {
    test::LogCapture log;
    hud.show(HUDState::heard(QStringLiteral("open firefox")));
    hud.updateListening(QStringLiteral("ignored"));
    hud.hide();
    hud.hide();
    EXPECT_EQ(log.count(QStringLiteral("hud: heard “open firefox”")), 1);
    EXPECT_EQ(log.count(QStringLiteral("hud: hidden")), 1);
}
