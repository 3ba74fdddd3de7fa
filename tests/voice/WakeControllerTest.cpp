#include "voice/WakeController.h"
#include "base/Prefs.h"
#include "support/FakeScheduler.h"
#include "support/FakeSoundAnalyzer.h"
#include "support/TempHome.h"
#include "voice/SoundClassifier.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace brisklet;

namespace {

class WakeControllerTest : public ::testing::Test {
protected:
    WakeControllerTest() {
        Prefs::registerDefaults();
        auto owned = std::make_unique<test::FakeSoundAnalyzer>();
        analyzer = owned.get();
        classifier = std::make_unique<SoundClassifier>(std::move(owned), clock);
        controller = std::make_unique<WakeController>(*classifier, scheduler);
        QObject::connect(controller.get(), &WakeController::woke,
                         [this](WakeSource source) { wakes.push_back(source); });
    }

    // Let the wake queue and the main thread finish what they were given.
    void settle() {
        controller->waitIdle();
        QCoreApplication::processEvents();
    }
    void advance(double seconds) {
        scheduler.advance(seconds);
        settle();
    }

    test::TempHome home;
    test::FakeClock clock;
    test::FakeScheduler scheduler{clock};
    test::FakeSoundAnalyzer* analyzer = nullptr;
    std::unique_ptr<SoundClassifier> classifier;
    std::unique_ptr<WakeController> controller;
    std::vector<WakeSource> wakes;
};

} // namespace

TEST_F(WakeControllerTest, wakesWithinOneSecondOfTheLastAreDropped) {
    controller->fire(WakeSource::hotkey);
    settle();
    clock.advance(0.5);
    controller->fire(WakeSource::hotkey);
    settle();
    clock.advance(0.3);
    controller->fire(WakeSource::clap); // 0.8 s after the key wake
    settle();
    EXPECT_EQ(wakes, (std::vector<WakeSource>{WakeSource::hotkey}));
    clock.advance(0.9); // 1.2 s after the first: it counts from the last wake let through
    controller->fire(WakeSource::clap);
    settle();
    EXPECT_EQ(wakes, (std::vector<WakeSource>{WakeSource::hotkey, WakeSource::clap}));
}

TEST_F(WakeControllerTest, fusionConfirmsConfidentClapsUnlessSpeechDominates) {
    struct Case {
        double clap;
        double speech;
        bool agrees;
    };
    const Case cases[] = {
        {0.4, 0.8, false}, // vetoed by speech
        {0.6, 0.8, true},  // a clear clap outweighs speech
        {0.3, 0.0, false}, // not confident
        {0.35, 0.74, true}, {0.0, 0.0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "clap " << c.clap << " speech " << c.speech);
        clock.advance(10.0); // older results fall out of the window
        analyzer->deliverScores(c.clap, c.speech);
        clock.advance(0.2);
        EXPECT_EQ(controller->fusionAgrees(WakeController::fusionWindow), c.agrees);
    }
}

TEST_F(WakeControllerTest, fusionOnlyLooksInsideTheWindow) {
    analyzer->deliverScores(0.9, 0.0);
    clock.advance(1.6);
    EXPECT_FALSE(controller->fusionAgrees(1.5));
    EXPECT_TRUE(controller->fusionAgrees(1.75));
}

TEST_F(WakeControllerTest, aConfirmedClapFiresAtOnce) {
    analyzer->deliverScores(0.7, 0.1);
    controller->clapDetected();
    settle();
    EXPECT_EQ(wakes, (std::vector<WakeSource>{WakeSource::clap}));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(WakeControllerTest, aLateClassificationIsConfirmedOnTheSecondRetry) {
    controller->clapDetected();
    settle();
    EXPECT_TRUE(wakes.empty());
    advance(0.25); // first re-check: still nothing
    EXPECT_TRUE(wakes.empty());
    clock.advance(0.05);
    analyzer->deliverScores(0.6, 0.0); // 0.3 s after the clap
    advance(0.2);                      // second re-check at 0.5 s
    EXPECT_EQ(wakes, (std::vector<WakeSource>{WakeSource::clap}));
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(WakeControllerTest, retriesGiveUpAfterTwoReChecks) {
    analyzer->deliverScores(0.2, 0.9);
    controller->clapDetected();
    settle();
    advance(0.25);
    advance(0.25);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    analyzer->deliverScores(0.9, 0.0);
    advance(5.0);
    EXPECT_TRUE(wakes.empty());
}

TEST_F(WakeControllerTest, withFusionOffOrNoClassifierEveryDoubleClapFires) {
    Prefs::setValue(Prefs::Key::fusionDisabled, true);
    controller->clapDetected();
    settle();
    EXPECT_EQ(wakes.size(), 1u);

    Prefs::setValue(Prefs::Key::fusionDisabled, false);
    auto broken = std::make_unique<test::FakeSoundAnalyzer>();
    broken->startError = "no analyser";
    SoundClassifier unavailable(std::move(broken), clock);
    WakeController direct(unavailable, scheduler);
    std::vector<WakeSource> directWakes;
    QObject::connect(&direct, &WakeController::woke,
                     [&](WakeSource source) { directWakes.push_back(source); });
    direct.clapDetected();
    direct.waitIdle();
    QCoreApplication::processEvents();
    EXPECT_EQ(directWakes, (std::vector<WakeSource>{WakeSource::clap}));
}

TEST_F(WakeControllerTest, aRetryPendingAtDestructionDoesNothing) {
    controller->clapDetected();
    settle();
    controller.reset();
    analyzer->deliverScores(0.9, 0.0);
    scheduler.advance(1.0);
    QCoreApplication::processEvents();
    EXPECT_TRUE(wakes.empty());
}
