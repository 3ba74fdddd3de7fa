#include "voice/SoundClassifier.h"
#include "support/FakeClock.h"
#include "support/FakeSoundAnalyzer.h"

#include <gtest/gtest.h>

using namespace brisklet;
using Hit = SoundClassifier::Hit;

TEST(SoundClassifierTest, labelFamiliesAreCaseInsensitiveSubstrings) {
    auto analyzer = std::make_unique<test::FakeSoundAnalyzer>();
    analyzer->labels = {"Clapping",     "applause_crowd", "FINGER_SNAP", "speech",
                        "Child_Speech", "music",          "snap"};
    test::FakeClock clock;
    SoundClassifier classifier(std::move(analyzer), clock);
    EXPECT_TRUE(classifier.available());
    EXPECT_EQ(classifier.clapIdentifiers(), (QSet<QString>{"Clapping", "applause_crowd", "FINGER_SNAP"}));
    EXPECT_EQ(classifier.speechIdentifiers(), (QSet<QString>{"speech", "Child_Speech"}));
}

TEST(SoundClassifierTest, keepsTheBestOfEachFamilyAboveTheFloorForThreeSeconds) {
    auto owned = std::make_unique<test::FakeSoundAnalyzer>();
    auto* analyzer = owned.get();
    test::FakeClock clock;
    SoundClassifier classifier(std::move(owned), clock);

    analyzer->deliver({{"clap", 0.2}, {"finger_snap", 0.6}, {"speech", 0.01}});
    EXPECT_EQ(classifier.recentHits(), (std::vector<Hit>{{10000.0, 0.6}}));
    EXPECT_TRUE(classifier.recentSpeech().empty()) << "0.01 is not recorded";

    clock.advance(1.0);
    analyzer->deliverScores(0.0, 0.9);
    clock.advance(2.5); // the first entry is now 3.5 s old, the second 2.5 s
    EXPECT_EQ(classifier.recentHits().size(), 1u) << "pruning waits for the next result";
    analyzer->deliverScores(0.005, 0.005);
    EXPECT_TRUE(classifier.recentHits().empty());
    EXPECT_EQ(classifier.recentSpeech(), (std::vector<Hit>{{10001.0, 0.9}}));

    EXPECT_EQ(classifier.bestSpeech(3.0, clock.now()), 0.9);
    EXPECT_FALSE(classifier.bestSpeech(2.0, clock.now()).has_value());
}

TEST(SoundClassifierTest, anAnalyserThatCannotStartLeavesItUnavailable) {
    auto owned = std::make_unique<test::FakeSoundAnalyzer>();
    owned->startError = "no worker thread";
    auto* analyzer = owned.get();
    test::FakeClock clock;
    SoundClassifier classifier(std::move(owned), clock);
    EXPECT_FALSE(classifier.available());
    const float chunk[512] = {};
    classifier.analyze(chunk, 0);
    EXPECT_EQ(analyzer->samplesSeen, 0u);

    SoundClassifier none(nullptr, clock);
    EXPECT_FALSE(none.available());
    none.analyze(chunk, 0); // no crash
}

TEST(SoundClassifierTest, streamFailuresKeepItAvailable) {
    auto owned = std::make_unique<test::FakeSoundAnalyzer>();
    auto* analyzer = owned.get();
    test::FakeClock clock;
    SoundClassifier classifier(std::move(owned), clock);
    analyzer->fail("overflow");
    EXPECT_TRUE(classifier.available());
    const float chunk[512] = {};
    classifier.analyze(chunk, 0);
    EXPECT_EQ(analyzer->samplesSeen, 512u);
}
