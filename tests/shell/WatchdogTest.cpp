// The health checks on a fake clock over the real audio engine with a scripted
// microphone: repair first, report on the second sighting, alerts only on the
// turn to degraded, nothing while paused.
#include "shell/Watchdog.h"

#include "support/FakeAudioBackend.h"
#include "support/FakeNotifications.h"
#include "support/FakeScheduler.h"
#include "support/LogCapture.h"
#include "voice/AudioEngine.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace brisklet;
using namespace brisklet::test;

namespace {

struct Report {
    bool degraded;
    QStringList issues;
};

class WatchdogTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto backend = std::make_unique<FakeAudioBackend>();
        mic = backend.get();
        engine = std::make_unique<AudioEngine>(std::move(backend), scheduler);
        Watchdog::Checks checks;
        checks.accessibilityTrusted = [this] { return trusted; };
        checks.microphoneAuthorized = [this] { return micAllowed; };
        checks.speechAuthorized = [this] { return speechAllowed; };
        checks.audio = [this] { return engine.get(); };
        watchdog = std::make_unique<Watchdog>(checks, scheduler, &alerts);
        watchdog->isPaused = [this] { return paused; };
        watchdog->onStateChange = [this](bool degraded, const QStringList& issues) {
            reports.push_back({degraded, issues});
        };
    }

    void startEngine() {
        engine->start();
        engine->waitForControl();
        ASSERT_TRUE(engine->isRunning());
    }
    void check() {
        watchdog->check();
        engine->waitForControl();
    }
    // Time passes on the fake clock without any timer running.
    void wait(double seconds) { clock.advance(seconds); }

    LogCapture log;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeNotifications alerts;
    FakeAudioBackend* mic = nullptr;
    std::unique_ptr<AudioEngine> engine;
    std::unique_ptr<Watchdog> watchdog;
    std::vector<Report> reports;
    bool trusted = true;
    bool micAllowed = true;
    bool speechAllowed = true;
    bool paused = false;
};

} // namespace

TEST_F(WatchdogTest, firstCheckAfterFiveSecondsThenEveryThirty) {
    startEngine();
    watchdog->start();
    scheduler.advance(4.9);
    EXPECT_TRUE(reports.empty());
    scheduler.advance(0.1);
    EXPECT_EQ(reports.size(), 1u);
    scheduler.advance(25.0); // the repeating timer's first tick at 30 s
    EXPECT_EQ(reports.size(), 2u);
    scheduler.advance(30.0);
    EXPECT_EQ(reports.size(), 3u);
    watchdog.reset(); // destruction stops the timers
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(WatchdogTest, aStalledEngineIsRepairedFirstAndReportedOnlyIfStillStalled) {
    startEngine();
    wait(5.0);
    mic->clearCalls();
    check();
    EXPECT_EQ(mic->count("start"), 1) << "the first stalled check recovers the engine";
    EXPECT_EQ(log.count("recovering audio engine (watchdog: engine stalled)"), 1);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_FALSE(reports[0].degraded);
    EXPECT_TRUE(alerts.alerts.empty());

    wait(30.0); // the restart counted as a delivery; nothing came since
    check();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_TRUE(reports[1].degraded);
    EXPECT_EQ(reports[1].issues, QStringList{Watchdog::engineStalledIssue});
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].title, "Brisklet needs attention");
    EXPECT_EQ(alerts.alerts[0].body, "Audio engine stopped delivering audio");
}

TEST_F(WatchdogTest, anEngineThatNeverDeliveredIsNotStalled) {
    // Never started: no delivery time, so not stalled; not running, so started.
    micAllowed = true;
    engine->stop();
    engine->waitForControl();
    ASSERT_FALSE(engine->lastBufferAt().has_value());
    mic->failStarts(100);
    check();
    EXPECT_EQ(watchdog->engineFailStreak(), 1);
    EXPECT_EQ(log.count("engine stalled"), 0);
    check();
    EXPECT_EQ(reports.back().issues, QStringList{Watchdog::engineStoppedIssue});
}

TEST_F(WatchdogTest, aHealthyEngineResetsTheStreak) {
    mic->failStarts(1);
    check(); // not running: started (and the start fails once, then retries later)
    EXPECT_EQ(watchdog->engineFailStreak(), 1);
    startEngine();
    check();
    EXPECT_EQ(watchdog->engineFailStreak(), 0);
    EXPECT_FALSE(reports.back().degraded);
}

TEST_F(WatchdogTest, issuesComeInTheirOrderAndAMissingMicrophoneSkipsTheEngineChecks) {
    trusted = false;
    micAllowed = false;
    speechAllowed = false;
    mic->clearCalls();
    check();
    check();
    // Nothing is said of the engine, but it is asked to start: a microphone may come.
    EXPECT_EQ(mic->count("start"), 1);
    EXPECT_EQ(watchdog->engineFailStreak(), 0);
    EXPECT_EQ(reports.back().issues,
              (QStringList{Watchdog::accessibilityIssue, Watchdog::microphoneIssue, Watchdog::speechIssue}));
    // The texts carry their em dashes and plain apostrophes, as the alerts quote them.
    EXPECT_EQ(Watchdog::accessibilityIssue,
              QString::fromUtf8("Accessibility permission is off \xE2\x80\x94 window commands won't work"));
    EXPECT_EQ(Watchdog::microphoneIssue,
              QString::fromUtf8("Microphone access is off \xE2\x80\x94 Brisklet can't hear you"));
}

TEST_F(WatchdogTest, theOnDeviceIssueOnlyWhenSpeechIsOtherwiseAllowed) {
    startEngine();
    Watchdog::Checks checks;
    checks.speechAuthorized = [this] { return speechAllowed; };
    checks.onDeviceSpeech = [] { return false; };
    Watchdog other(checks, scheduler, &alerts);
    std::vector<QStringList> seen;
    other.onStateChange = [&](bool, const QStringList& issues) { seen.push_back(issues); };
    other.check();
    speechAllowed = false;
    other.check();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], QStringList{Watchdog::onDeviceIssue});
    EXPECT_EQ(seen[1], QStringList{Watchdog::speechIssue});
}

TEST_F(WatchdogTest, oneAlertPerTurnToDegradedAndOneLogLinePerChange) {
    startEngine();
    trusted = false;
    check();
    speechAllowed = false; // a different list, still degraded
    check();
    EXPECT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(log.count("watchdog: DEGRADED"), 1);

    trusted = true;
    speechAllowed = true;
    check();
    EXPECT_FALSE(reports.back().degraded);
    EXPECT_TRUE(reports.back().issues.isEmpty());
    EXPECT_EQ(log.count("watchdog: recovered"), 1);
    EXPECT_EQ(alerts.alerts.size(), 1u) << "recovery shows no alert";

    micAllowed = false;
    check();
    ASSERT_EQ(alerts.alerts.size(), 2u);
    EXPECT_EQ(alerts.alerts[1].body, Watchdog::microphoneIssue);
}

TEST_F(WatchdogTest, pausedChecksDoNothingAndTheProblemShowsAfterResuming) {
    startEngine();
    paused = true;
    trusted = false;
    check();
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(alerts.alerts.empty());
    paused = false;
    check();
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].degraded);
    EXPECT_EQ(alerts.alerts.size(), 1u);
}

// Wired as the app wires it: the answers come from the engine's own record.
// The user is told of the server, not of microphone access, and sees it back soon.
TEST_F(WatchdogTest, aMissingSoundServerIsNamedAndTheWatchdogRecoversOnceItAnswers) {
    Watchdog::Checks checks;
    checks.soundServerAnswers = [this] { return engine->soundServerAnswers(); };
    checks.microphoneAuthorized = [this] { return engine->inputAvailable(); };
    checks.audio = [this] { return engine.get(); };
    Watchdog dog(checks, scheduler, &alerts);
    QStringList issues;
    dog.onStateChange = [&](bool, const QStringList& now) { issues = now; };

    mic->setServerAnswers(false);
    mic->setFormat(std::nullopt);
    engine->start();
    engine->waitForControl();
    dog.check();
    engine->waitForControl();
    EXPECT_EQ(issues, QStringList{Watchdog::soundServerIssue});
    EXPECT_EQ(Watchdog::soundServerIssue,
              QString::fromUtf8("The sound server isn't answering \xE2\x80\x94 Brisklet can't hear you"));
    ASSERT_EQ(alerts.alerts.size(), 1u);
    EXPECT_EQ(alerts.alerts[0].body, Watchdog::soundServerIssue);
    EXPECT_EQ(log.count("watchdog: DEGRADED The sound server isn't answering"), 1);

    // The server answers again; the engine hears of it and opens the input.
    mic->setServerAnswers(true);
    mic->setFormat(platform::InputFormat{48000, 2, platform::SampleFormat::float32});
    mic->emitChange("sound server back");
    engine->waitForControl();
    scheduler.advance(AudioEngine::rebuildDelay);
    engine->waitForControl();
    ASSERT_TRUE(engine->isRunning());
    // The watchdog looks again soon while the input is missing, not only every 30 s.
    scheduler.advance(Watchdog::inputRecheckDelay - AudioEngine::rebuildDelay);
    EXPECT_TRUE(issues.isEmpty());
    EXPECT_EQ(log.count("watchdog: recovered"), 1);
    EXPECT_EQ(alerts.alerts.size(), 1u);
}

TEST_F(WatchdogTest, aMissingEngineCountsAsHealthy) {
    Watchdog::Checks checks;
    checks.audio = [] { return static_cast<AudioEngine*>(nullptr); };
    Watchdog other(checks, scheduler, nullptr);
    bool degraded = true;
    other.onStateChange = [&](bool d, const QStringList&) { degraded = d; };
    other.check();
    EXPECT_FALSE(degraded);
    EXPECT_EQ(other.engineFailStreak(), 0);
}
