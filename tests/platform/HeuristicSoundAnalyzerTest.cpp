#include "platform/linux/HeuristicSoundAnalyzer.h"
#include "base/Prefs.h"
#include "support/FakeScheduler.h"
#include "support/SoundScores.h"
#include "support/TempHome.h"
#include "support/TestSignals.h"
#include "voice/ClapDetector.h"
#include "voice/SoundClassifier.h"
#include "voice/WakeController.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace brisklet;
using platform::HeuristicSoundAnalyzer;
using test::SoundScores;
namespace sig = brisklet::test::TestSignals;

namespace {
std::vector<float> bed(double seconds = 5.0) {
    return sig::pinkNoise(seconds, 0.003f);
}
} // namespace

TEST(HeuristicSoundAnalyzerTest, doubleClapsScoreHighAsClaps) {
    for (float amplitude : {0.6f, 0.15f, 0.05f}) {
        SCOPED_TRACE(amplitude);
        auto signal = bed();
        sig::addClap(signal, 1.5, amplitude, 3);
        sig::addClap(signal, 1.8, amplitude, 4);
        const auto scores = SoundScores::of(signal);
        EXPECT_GE(scores.clap, 0.5);
        EXPECT_LT(scores.speech, 0.35);
    }
}

TEST(HeuristicSoundAnalyzerTest, noiseAndSteadyTonesScoreLowOnBoth) {
    std::vector<std::pair<const char*, std::vector<float>>> cases;
    cases.emplace_back("quiet pink noise", bed());
    cases.emplace_back("loud pink noise", sig::pinkNoise(5.0, 0.3f));
    for (double hz : {150.0, 440.0, 3000.0}) {
        auto signal = bed();
        sig::addTone(signal, 0.5, 4.0, hz, 0.3f);
        cases.emplace_back("tone", std::move(signal));
    }
    for (const auto& [name, signal] : cases) {
        SCOPED_TRACE(name);
        const auto scores = SoundScores::of(signal);
        EXPECT_LT(scores.clap, 0.35);
        EXPECT_LT(scores.fingerSnap, 0.35);
        EXPECT_LT(scores.speech, 0.35);
    }
}

TEST(HeuristicSoundAnalyzerTest, oneResultPerHalfSecondOfAudioOverTheLastSecond) {
    // 156 chunks of 512 from position 1000: windows end at 17000, 25000, … 73000.
    const auto scores = SoundScores::of(bed(), 1000);
    EXPECT_EQ(scores.windows.size(), 8u);
}

// The whole clap path on a fake clock: detector, analyser, classifier and wake
// controller, with the double clap at every phase of the analyser's half-second
// hop. Each 32 ms chunk moves the clock by 32 ms after the analyser has caught up.
TEST(HeuristicSoundAnalyzerTest, aDoubleClapWakesAtEveryPhaseOfTheHop) {
    test::TempHome home;
    Prefs::registerDefaults();
    for (int phase = 0; phase < 16; ++phase) {
        SCOPED_TRACE(phase);
        test::FakeClock clock;
        test::FakeScheduler scheduler(clock);
        auto owned = std::make_unique<HeuristicSoundAnalyzer>();
        auto* analyzer = owned.get();
        SoundClassifier classifier(std::move(owned), clock);
        ASSERT_TRUE(classifier.available());
        WakeController controller(classifier, scheduler);
        int wakes = 0;
        QObject::connect(&controller, &WakeController::woke, [&](WakeSource) { ++wakes; });
        ClapDetector detector;
        QObject::connect(&detector, &ClapDetector::doubleClap, [&](double) { controller.clapDetected(); });

        auto signal = bed(4.0);
        const double first = 1.5 + phase * 0.032;
        sig::addClap(signal, first, 0.4f, 3);
        sig::addClap(signal, first + 0.3, 0.4f, 4);
        sig::feed(signal, [&](std::span<const float> chunk, std::int64_t pos) {
            classifier.analyze(chunk, pos);
            analyzer->waitIdle();
            detector.process(chunk, pos);
            controller.waitIdle();
            scheduler.advance(0.032);
            controller.waitIdle();
        });
        QCoreApplication::processEvents();
        EXPECT_EQ(wakes, 1);
    }
}
