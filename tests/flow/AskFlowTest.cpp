// An unmatched phrase through the real Ask client and the loopback service, up to
// the question a risky plan must ask and the plan the executor gets.
#include "flow/RequestFlow.h"

#include "ask/AskClient.h"
#include "base/AppState.h"
#include "base/Prefs.h"
#include "support/FakeHUD.h"
#include "support/FakeHttpServer.h"
#include "support/FakePlanRunner.h"
#include "support/FakeRecognizer.h"
#include "support/FakeScheduler.h"
#include "support/FakeSecretStore.h"
#include "support/FakeSoundAnalyzer.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "voice/ClapDetector.h"
#include "voice/SoundClassifier.h"
#include "voice/SpeechController.h"

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;
using Answer = FakeHttpServer::Answer;

namespace {

class AskFlowTest : public ::testing::Test {
protected:
    TempHome home;
    FakeHttpServer service;
    ScopedEnv url{"BRISKLET_SERVICE_URL", service.base().toUtf8()};
    ScopedEnv key{"ANTHROPIC_API_KEY", std::nullopt};
    ScopedEnv snapshot{"BRISKLET_SNAPSHOT_DIR", std::nullopt};
    QNetworkAccessManager network;
    FakeSecretStore secrets;
    std::unique_ptr<AskClient> ask;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeRecognizer recognizer;
    SpeechController speech{&recognizer, scheduler};
    FakeHUD hud;
    AppState appState;
    FakePlanRunner runner;
    SoundClassifier classifier{std::make_unique<FakeSoundAnalyzer>(), clock};
    WakeController wake{classifier, scheduler};
    ClapDetector detector;
    std::unique_ptr<RequestFlow> flow;

    void SetUp() override {
        Prefs::registerDefaults();
        network.setProxy(QNetworkProxy::NoProxy);
        AskClient::Options options;
        options.network = &network;
        ask = std::make_unique<AskClient>(&secrets, options);
        RequestFlow::Parts p;
        p.speech = &speech;
        p.hud = &hud;
        p.appState = &appState;
        p.executor = &runner;
        p.ask = ask.get();
        p.wake = &wake;
        p.detector = &detector;
        p.classifier = &classifier;
        p.scheduler = &scheduler;
        p.match = [](const QString&) { return Plan{}; };
        p.speechAuthorized = [] { return true; };
        p.microphoneAuthorized = [] { return true; };
        p.startAudio = [] {};
        p.stopAudio = [] {};
        flow = std::make_unique<RequestFlow>(p);
    }
    void TearDown() override {
        flow.reset();
        wake.stop();
        classifier.stop();
    }
    // Dispatches the phrase and waits until the display has moved on from "Asking…".
    void dispatch(const QString& phrase) {
        flow->dispatch(phrase);
        EXPECT_EQ(hud.state().kind, HUDState::Kind::executing);
        const size_t before = hud.shown.size();
        EXPECT_TRUE(waitFor([&] { return hud.shown.size() > before; }));
    }
};

} // namespace

TEST_F(AskFlowTest, aQuitTheUserDidNotNameIsAskedAboutInCleanWords) {
    service.enqueue(
        Answer::ok(QString::fromUtf8(R"([{"type":"quitApp","name":"Fire\u202Efox\n"}])").toUtf8()));
    dispatch("close the browser");
    EXPECT_EQ(hud.state(), HUDState::confirm("Quit Firefox?"));
    EXPECT_TRUE(runner.plans.empty());
    hud.answerConfirm(true);
    ASSERT_EQ(runner.plans.size(), 1u);
    EXPECT_EQ(runner.plans[0], Plan{Action::quitApp("Firefox")});
}

TEST_F(AskFlowTest, aSetupTheUserNamedRunsWithoutAQuestion) {
    service.enqueue(Answer::ok(R"([{"type":"runSetup","name":"study"}])"));
    dispatch("bring back my study environment");
    ASSERT_EQ(runner.plans.size(), 1u);
    EXPECT_EQ(runner.plans[0], Plan{Action::runSetup("study")});

    service.enqueue(Answer::ok(R"([{"type":"openApp","name":"Code"},{"type":"endSetup","name":"gaming"}])"));
    dispatch("time to work");
    EXPECT_EQ(hud.state().kind, HUDState::Kind::confirm);
    hud.answerConfirm(false);
    EXPECT_EQ(runner.plans.size(), 1u);
}

TEST_F(AskFlowTest, serviceFailuresEndAsTheirMessagesAndNothingRuns) {
    service.enqueue(Answer::withStatus(500));
    dispatch("tell me a joke");
    EXPECT_EQ(hud.state(),
              HUDState::info(QString::fromUtf8(
                  "Ask is having trouble right now \xE2\x80\x94 everyday commands still work.")));
    service.enqueue(Answer::ok(R"([{"type":"tellJoke"}])"));
    dispatch("tell me a joke");
    EXPECT_EQ(hud.state(), HUDState::miss("tell me a joke"));
    EXPECT_TRUE(runner.plans.empty());
}

TEST_F(AskFlowTest, withNoRouteAnUnmatchedPhraseIsAMissWithoutAsking) {
    ScopedEnv unconfigured("BRISKLET_SERVICE_URL", QByteArray("https://YOUR-PROJECT.invalid"));
    flow->dispatch("tell me a joke");
    EXPECT_EQ(hud.state(), HUDState::miss("tell me a joke"));
    QTest::qWait(30);
    EXPECT_TRUE(service.requests().empty());
}
