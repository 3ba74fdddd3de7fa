#include "base/Prefs.h"
#include "support/SoundScores.h"
#include "support/TempHome.h"
#include "support/TestSignals.h"
#include "voice/ClapDetector.h"

#include <gtest/gtest.h>

using namespace brisklet;
using test::SoundScores;
namespace sig = brisklet::test::TestSignals;

namespace {

const char* const sentences[] = {
    "maximize the window please",
    "what is the weather like tomorrow",
    "open the terminal and then show me my calendar for today",
    "take a screenshot",
    "play some music",
};

std::vector<float> spokenOverBed(const char* text) {
    std::string error;
    auto speech = sig::speech(text, &error);
    EXPECT_FALSE(speech.empty()) << error;
    auto signal = sig::pinkNoise(1.0 + double(speech.size()) / sig::sampleRate + 1.0, 0.003f);
    sig::mix(signal, speech, 1.0, 0.5f);
    return signal;
}

} // namespace

TEST(HeuristicSoundAnalyzerSpeechTest, spokenSentencesScoreAsSpeechAndNotAsClaps) {
    for (const char* text : sentences) {
        SCOPED_TRACE(text);
        const auto scores = SoundScores::of(spokenOverBed(text));
        EXPECT_GE(scores.speech, 0.75);
        EXPECT_LT(scores.clap, 0.35);
    }
}

TEST(HeuristicSoundAnalyzerSpeechTest, theClapDetectorHearsNoDoubleClapInSpeech) {
    test::TempHome home;
    Prefs::registerDefaults();
    for (const char* text : sentences) {
        SCOPED_TRACE(text);
        ClapDetector detector;
        int doubles = 0;
        QObject::connect(&detector, &ClapDetector::doubleClap, [&](double) { ++doubles; });
        sig::feed(spokenOverBed(text),
                  [&](std::span<const float> chunk, std::int64_t pos) { detector.process(chunk, pos); });
        EXPECT_EQ(doubles, 0);
    }
}
