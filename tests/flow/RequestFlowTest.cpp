// The road of a request without a desktop: the wake key, claps, the hand-off of
// the transcript and the dispatch of a phrase, on a fake clock with a fake
// recogniser.
#include "flow/RequestFlow.h"

#include "base/AppState.h"
#include "base/Prefs.h"
#include "platform/SoundOutput.h"
#include "support/FakeAsk.h"
#include "support/FakeHUD.h"
#include "support/FakePlanRunner.h"
#include "support/FakeRecognizer.h"
#include "support/FakeScheduler.h"
#include "support/FakeSoundAnalyzer.h"
#include "support/TempHome.h"
#include "voice/Chime.h"
#include "voice/ClapDetector.h"
#include "voice/SoundClassifier.h"
#include "voice/SpeechController.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;
using Mode = SpeechController::Mode;

namespace {

class RequestFlowTest : public ::testing::Test {
protected:
    TempHome home;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeRecognizer recognizer;
    SpeechController speech{&recognizer, scheduler};
    test::FakeHUD hud;
    AppState appState;
    FakePlanRunner runner;
    FakeAsk ask;
    SoundClassifier classifier{std::make_unique<FakeSoundAnalyzer>(), clock};
    WakeController wake{classifier, scheduler};
    ClapDetector detector;
    bool speechReady = true;
    bool micReady = true;
    int audioStarts = 0;
    int audioStops = 0;
    std::map<QString, Plan> phrases{{"maximize", {Action::moveWindow(WindowPosition::maximize)}}};
    Chime* chime = nullptr;
    std::unique_ptr<RequestFlow> flow;
    QStringList posted;

    void SetUp() override {
        Prefs::registerDefaults();
        RequestFlow::Parts p;
        p.speech = &speech;
        p.hud = &hud;
        p.appState = &appState;
        p.executor = &runner;
        p.ask = &ask;
        p.wake = &wake;
        p.detector = &detector;
        p.classifier = &classifier;
        p.scheduler = &scheduler;
        p.chime = chime;
        p.match = [this](const QString& text) {
            auto it = phrases.find(text);
            return it == phrases.end() ? Plan{} : it->second;
        };
        p.speechAuthorized = [this] { return speechReady; };
        p.microphoneAuthorized = [this] { return micReady; };
        p.startAudio = [this] { ++audioStarts; };
        p.stopAudio = [this] { ++audioStops; };
        flow = std::make_unique<RequestFlow>(p);
        QObject::connect(flow.get(), &RequestFlow::listeningStarted, [this] { posted << "listening"; });
        QObject::connect(flow.get(), &RequestFlow::clapDemoHeard, [this] { posted << "clap demo"; });
    }
    void TearDown() override {
        flow.reset();
        wake.stop();
        classifier.stop();
    }

    // The key held for `seconds`, as the wake-key engine reports it.
    void press() {
        flow->wakeKeyDown();
        scheduler.runDue();
    }
    void release(double heldFor) {
        flow->wakeKeyUp(heldFor);
        scheduler.runDue();
    }
    void hear(const QString& text) {
        recognizer.final(text);
        scheduler.advance(0.6);
    }
    std::shared_ptr<platform::RecognitionRequest> request() { return recognizer.last().request; }
};

} // namespace

TEST_F(RequestFlowTest, aTapTurnsTheHoldOpenAndABouncingSecondPressIsIgnoredUntilTheGraceEnds) {
    press();
    ASSERT_TRUE(speech.isListening());
    EXPECT_EQ(speech.mode(), Mode::hold);
    EXPECT_TRUE(appState.isListening());
    EXPECT_EQ(hud.state(), HUDState::listening(""));
    EXPECT_EQ(posted, QStringList{"listening"});

    scheduler.advance(0.2);
    release(0.2);
    EXPECT_EQ(speech.mode(), Mode::open);
    EXPECT_TRUE(speech.isListening());

    scheduler.advance(0.3);
    press(); // within 0.6 s of the window becoming open, nothing heard yet
    release(0.1);
    EXPECT_TRUE(speech.isListening());
    EXPECT_EQ(speech.mode(), Mode::open);
    EXPECT_FALSE(request()->isEnded());

    scheduler.advance(0.5);
    press(); // after the grace: ends the window
    EXPECT_TRUE(request()->isEnded());
    release(0.1); // does nothing
    EXPECT_EQ(recognizer.tasks.size(), 1u);
}

namespace {

// Notes whether the microphone had been told to listen when each sound started.
class ListeningAtPlay final : public platform::SoundOutput {
public:
    explicit ListeningAtPlay(const AppState& state) : state_(state) {}
    std::vector<float> play(const QString&, double volume) override {
        listening.push_back(state_.isListening());
        return std::vector<float>(3520, float(volume));
    }
    std::vector<bool> listening;

private:
    const AppState& state_;
};

class RequestFlowChimeTest : public RequestFlowTest {
protected:
    ListeningAtPlay output{appState};
    Chime sounds{&output};
    void SetUp() override {
        chime = &sounds;
        RequestFlowTest::SetUp();
    }
};

} // namespace

// Turning the microphone to its listening pace reopens its input, which drops what
// the input was still gathering: the chime starts only after that, by key or by clap.
TEST_F(RequestFlowChimeTest, theMicrophoneTurnsToListeningBeforeTheChimeStarts) {
    press();
    ASSERT_TRUE(speech.isListening());
    flow->holdCancel();
    ASSERT_FALSE(appState.isListening());
    flow->handleWake(WakeSource::clap);
    ASSERT_TRUE(speech.isListening());
    EXPECT_EQ(output.listening, (std::vector<bool>{true, true}));
}

TEST_F(RequestFlowTest, aHeldKeyEndsTheWindowOnReleaseAndThePhraseIsDispatchedAfterTheHandOff) {
    press();
    scheduler.advance(1.0);
    release(1.0);
    EXPECT_TRUE(request()->isEnded());

    recognizer.final("Maximize");
    scheduler.runDue();
    EXPECT_FALSE(appState.isListening());
    EXPECT_EQ(hud.state(), HUDState::heard("maximize"));
    scheduler.advance(0.11);
    EXPECT_TRUE(runner.plans.empty()) << "dispatch waits 0.12 s";
    scheduler.advance(0.02);
    ASSERT_EQ(runner.plans.size(), 1u);
    EXPECT_EQ(runner.plans[0], (Plan{Action::moveWindow(WindowPosition::maximize)}));
    EXPECT_EQ(hud.state(),
              HUDState::executing(Action::moveWindow(WindowPosition::maximize).hudDescription()));

    runner.finish(true, "Maximized");
    EXPECT_EQ(hud.state(), HUDState::done("Maximized"));
    EXPECT_EQ(appState.commandsRun(), 1);
}

TEST_F(RequestFlowTest, aPressDuringAClapWindowEndsItAndItsReleaseDoesNothing) {
    flow->handleWake(WakeSource::clap);
    ASSERT_TRUE(speech.isListening());
    EXPECT_EQ(speech.mode(), Mode::timed);
    press();
    EXPECT_TRUE(request()->isEnded());
    release(2.0);
    EXPECT_EQ(speech.mode(), Mode::timed);
    EXPECT_EQ(recognizer.tasks.size(), 1u);
}

TEST_F(RequestFlowTest, aSecondPressDuringAHoldChangesNothing) {
    press();
    press();
    EXPECT_TRUE(speech.isListening());
    EXPECT_EQ(recognizer.tasks.size(), 1u);
    release(1.0);
    EXPECT_TRUE(request()->isEnded());
}

TEST_F(RequestFlowTest, aCancelledHoldHidesTheDisplayAndLeavesNothingPending) {
    press();
    flow->holdCancel();
    EXPECT_FALSE(speech.isListening());
    EXPECT_FALSE(appState.isListening());
    EXPECT_FALSE(hud.isVisible());
    release(1.0);
    scheduler.advance(1.0);
    EXPECT_TRUE(runner.plans.empty());
}

TEST_F(RequestFlowTest, withoutTheSpeechModelNoWindowOpensAndTheUserIsToldWhy) {
    speechReady = false;
    press();
    EXPECT_FALSE(speech.isListening());
    EXPECT_TRUE(recognizer.tasks.empty());
    EXPECT_TRUE(posted.isEmpty());
    EXPECT_EQ(hud.state().text,
              QString::fromUtf8("Grant Speech Recognition in Brisklet \xE2\x86\x92 Settings "
                                "\xE2\x86\x92 Permissions"));
    EXPECT_EQ(hud.state().kind, HUDState::Kind::info);
}

TEST_F(RequestFlowTest, nothingHeardShowsAnEmptyMiss) {
    press();
    release(1.0);
    hear("");
    EXPECT_EQ(hud.state(), HUDState::miss(""));
    EXPECT_TRUE(runner.plans.empty());
}

// The recogniser refuses a reading it heard (its final is empty): the miss says what
// the display showed while the user spoke, and the display never goes back to
// listening once the microphone has closed.
TEST_F(RequestFlowTest, aRefusedReadingIsAMissWithWhatTheDisplayShowed) {
    press();
    scheduler.advance(0.4);
    recognizer.partial("quit");
    scheduler.runDue();
    recognizer.partial("quit galculator");
    scheduler.runDue();
    EXPECT_EQ(hud.state(), HUDState::listening("quit galculator"));
    release(1.2);
    recognizer.final("");
    scheduler.runDue();
    EXPECT_EQ(hud.partials, (std::vector<QString>{"quit", "quit galculator"}));
    EXPECT_EQ(hud.state(), HUDState::miss("quit galculator"));
    EXPECT_TRUE(runner.plans.empty());
    EXPECT_TRUE(ask.asked.empty()) << "nothing was heard to ask about";

    // The next window starts with nothing heard.
    press();
    release(1.0);
    hear("");
    EXPECT_EQ(hud.state(), HUDState::miss(""));
}

TEST_F(RequestFlowTest, pausingWhileListeningCancelsAndResumingStartsAudioOnlyWithAMicrophone) {
    std::vector<bool> told;
    QObject::connect(flow.get(), &RequestFlow::pauseChanged, [&](bool paused) { told.push_back(paused); });
    press();
    flow->togglePause();
    EXPECT_TRUE(flow->isPaused());
    EXPECT_EQ(told, std::vector<bool>{true});
    EXPECT_FALSE(speech.isListening());
    EXPECT_FALSE(hud.isVisible());
    EXPECT_EQ(audioStops, 1);

    release(1.0);
    press();
    flow->handleWake(WakeSource::clap);
    EXPECT_FALSE(speech.isListening()) << "paused: no key or clap opens a window";

    micReady = false;
    flow->togglePause();
    EXPECT_FALSE(flow->isPaused());
    EXPECT_EQ(audioStarts, 0);
    flow->togglePause();
    micReady = true;
    flow->togglePause();
    EXPECT_EQ(audioStarts, 1);
    EXPECT_EQ(told, (std::vector<bool>{true, false, true, false}));
}

TEST_F(RequestFlowTest, aDoubleClapDuringThePreviewWithClapWakeOffOnlyShowsTheDemo) {
    Prefs::setValue(Prefs::Key::clapWake, false);
    int wakes = 0;
    QObject::connect(&wake, &WakeController::woke, [&](WakeSource) { ++wakes; });
    flow->setOnboardingClapPreview(true);
    flow->onDoubleClap(1.0);
    wake.waitIdle();
    scheduler.advance(2.0);
    QCoreApplication::processEvents();
    EXPECT_EQ(posted, QStringList{"clap demo"});
    EXPECT_EQ(wakes, 0);

    Prefs::setValue(Prefs::Key::clapWake, true);
    Prefs::setValue(Prefs::Key::fusionDisabled, true);
    flow->onDoubleClap(5.0);
    wake.waitIdle();
    scheduler.runDue();
    QCoreApplication::processEvents();
    EXPECT_EQ(wakes, 1);
}

TEST_F(RequestFlowTest, clapModeFollowsTheSetting) {
    Prefs::setValue(Prefs::Key::clapWake, true);
    flow->updateClapMode();
    EXPECT_TRUE(flow->clapModeActive());
    Prefs::setValue(Prefs::Key::clapWake, false);
    flow->updateClapMode();
    EXPECT_FALSE(flow->clapModeActive());
}

// --- dispatch

TEST(RequestFlowTexts, confirmationQuestionsAskOnlyAboutWhatTheUserDidNotName) {
    const QString quit = QString::fromUtf8("Quit Firefox?");
    const QString run = QString::fromUtf8("Run your \xE2\x80\x9C"
                                          "Deep Work\xE2\x80\x9D setup?");
    const QString end = QString::fromUtf8("End \xE2\x80\x9C"
                                          "Deep Work\xE2\x80\x9D and close its apps?");
    const struct {
        Plan plan;
        QString phrase;
        std::optional<QString> question;
    } cases[] = {
        {{Action::quitApp("Firefox")}, "close firefox please", std::nullopt},
        {{Action::quitApp("Firefox")}, "close the browser", quit},
        {{Action::quitApp("Firefox")}, "close firefoxes", quit},
        {{Action::openApp("Slack"), Action::runSetup("Deep Work")}, "time to focus", run},
        {{Action::runSetup("Deep Work")}, "Deep work, now!", std::nullopt},
        {{Action::endSetup("Deep Work")}, "I'm done", end},
        {{Action::quitApp("Slack"), Action::endSetup("Deep Work")}, "quit slack", end},
        {{Action::openApp("Firefox"), Action::moveWindow(WindowPosition::left)}, "anything", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RequestFlow::confirmQuestion(c.plan, c.phrase), c.question) << c.phrase.toStdString();
    EXPECT_EQ(run.at(9).unicode(), 0x201C);
    EXPECT_EQ(end.at(14).unicode(), 0x201D);
}

TEST_F(RequestFlowTest, planSummariesJoinTokensWithAnArrowAndUseTheDescriptionForOneAction) {
    const Plan two{Action::openApp("Firefox"), Action::moveWindow(WindowPosition::left)};
    phrases["work"] = two;
    flow->dispatch("work");
    EXPECT_EQ(hud.state(), HUDState::executing(two[0].planToken() + QString::fromUtf8(" \xE2\x86\x92 ") +
                                               two[1].planToken()));
    flow->dispatch("maximize");
    EXPECT_EQ(hud.state().text, Action::moveWindow(WindowPosition::maximize).hudDescription());
}

TEST_F(RequestFlowTest, aFailedPlanShowsTheMessageAndIsNotCounted) {
    flow->dispatch("maximize");
    runner.finish(false, "No window to move");
    EXPECT_EQ(hud.state(), HUDState::info("No window to move"));
    EXPECT_EQ(appState.commandsRun(), 0);
}

TEST_F(RequestFlowTest, aPhraseThatMatchesNothingIsAMissWhileAskIsOff) {
    ask.enabled = false;
    flow->dispatch("what is the weather");
    EXPECT_EQ(hud.state(), HUDState::miss("what is the weather"));
    EXPECT_TRUE(ask.asked.empty());
}

TEST_F(RequestFlowTest, askFailuresBecomeTheirMessages) {
    const QString noInternet =
        QString::fromUtf8("No internet \xE2\x80\x94 Ask needs a connection. Everyday commands still work.");
    const QString trouble =
        QString::fromUtf8("Ask is having trouble right now \xE2\x80\x94 everyday commands still work.");
    const struct {
        AskError error;
        HUDState shown;
    } cases[] = {
        {AskError::network, HUDState::info(noInternet)},
        {AskError::server, HUDState::info(trouble)},
        {AskError::serviceUnavailable, HUDState::miss("tell me a joke")},
        {AskError::disabled, HUDState::miss("tell me a joke")},
        {AskError::noKey, HUDState::miss("tell me a joke")},
        {AskError::badPlan, HUDState::miss("tell me a joke")},
    };
    for (const auto& c : cases) {
        flow->dispatch("tell me a joke");
        EXPECT_EQ(hud.state(), HUDState::executing(QString::fromUtf8("Asking\xE2\x80\xA6")));
        ask.completion(AskResult{std::nullopt, c.error, {}});
        EXPECT_EQ(hud.state(), c.shown) << static_cast<int>(c.error);
    }
    EXPECT_TRUE(runner.plans.empty());
}

TEST_F(RequestFlowTest, aRiskyAskPlanIsConfirmedAndCancellingRunsNothing) {
    const Plan plan{Action::quitApp("Firefox")};
    flow->dispatch("close the browser");
    ask.completion(AskResult{plan, AskError::disabled, {}});
    EXPECT_EQ(hud.state(), HUDState::confirm("Quit Firefox?"));
    hud.answerConfirm(false);
    EXPECT_EQ(hud.state(), HUDState::info(QString::fromUtf8("Okay \xE2\x80\x94 nothing was changed")));
    EXPECT_TRUE(runner.plans.empty());

    flow->dispatch("close the browser");
    ask.completion(AskResult{plan, AskError::disabled, {}});
    hud.answerConfirm(true);
    ASSERT_EQ(runner.plans.size(), 1u);
    EXPECT_EQ(runner.plans[0], plan);
    runner.finish(true, "Quit Firefox");
    EXPECT_EQ(hud.state(), HUDState::done("Quit Firefox"));
    EXPECT_EQ(appState.commandsRun(), 1);
}

TEST_F(RequestFlowTest, aSafeAskPlanRunsAtOnce) {
    const Plan plan{Action::quitApp("Firefox")};
    flow->dispatch("quit firefox now");
    ask.completion(AskResult{plan, AskError::disabled, {}});
    ASSERT_EQ(runner.plans.size(), 1u);
    EXPECT_EQ(hud.state(), HUDState::executing(plan[0].hudDescription()));
}
