#include "voice/ClapDetector.h"
#include "base/Prefs.h"
#include "support/TempHome.h"
#include "support/TestSignals.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brisklet;
namespace sig = brisklet::test::TestSignals;

namespace {

struct Recorder {
    explicit Recorder(ClapDetector& detector) {
        QObject::connect(&detector, &ClapDetector::peak, [this](double t) { peaks.push_back(t); });
        QObject::connect(&detector, &ClapDetector::doubleClap, [this](double t) { doubles.push_back(t); });
    }
    std::vector<double> peaks;
    std::vector<double> doubles;
};

void run(ClapDetector& detector, const std::vector<float>& signal) {
    sig::feed(signal, [&](std::span<const float> chunk, std::int64_t pos) { detector.process(chunk, pos); });
}

std::vector<float> bedWithClaps(std::initializer_list<double> at, double seconds = 4.0) {
    auto signal = sig::pinkNoise(seconds, 0.003f);
    std::uint32_t seed = 11;
    for (double t : at)
        sig::addClap(signal, t, 0.6f, seed++);
    return signal;
}

// A vowel-like sound: a 140 Hz voice with harmonics up to 4 kHz, its loudness
// rising and falling four times a second like syllables.
std::vector<float> voicedSound(double seconds) {
    std::vector<float> out(static_cast<size_t>(seconds * sig::sampleRate));
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / sig::sampleRate;
        double v = 0;
        for (int h = 1; h * 140.0 < 4000.0; ++h)
            v += std::sin(2 * M_PI * 140.0 * h * t) / h;
        const double syllable = 0.5 - 0.5 * std::cos(2 * M_PI * 4.0 * t);
        out[i] = static_cast<float>(0.15 * v * syllable);
    }
    return out;
}

class ClapDetectorTest : public ::testing::Test {
protected:
    void SetUp() override { Prefs::registerDefaults(); }
    test::TempHome home;
};

} // namespace

TEST_F(ClapDetectorTest, doubleClapFiresOnceAtTheFrameThatEndsTheSecondClap) {
    ClapDetector detector;
    Recorder rec(detector);
    run(detector, bedWithClaps({1.5, 1.8}));
    ASSERT_EQ(rec.peaks.size(), 2u);
    EXPECT_NEAR(rec.peaks[0], 1.472, 1e-9); // chunk start, not the clap's own time
    EXPECT_NEAR(rec.peaks[1], 1.792, 1e-9);
    ASSERT_EQ(rec.doubles.size(), 1u);
    EXPECT_NEAR(rec.doubles[0], 1.824, 1e-9);
}

TEST_F(ClapDetectorTest, nothingStartsDuringTheRefractoryTimeAfterADoubleClap) {
    ClapDetector detector;
    Recorder rec(detector);
    // Refractory until 1.824 + 1.5 = 3.324: the pair at 2.5/2.8 is not even a peak.
    run(detector, bedWithClaps({1.5, 1.8, 2.5, 2.8, 3.6, 3.9}, 5.0));
    EXPECT_EQ(rec.peaks.size(), 4u);
    ASSERT_EQ(rec.doubles.size(), 2u);
    EXPECT_GT(rec.doubles[1], 3.9);
}

TEST_F(ClapDetectorTest, gapsOutsideTheRangeGiveTwoPeaksAndNoDoubleClap) {
    for (double gap : {0.1, 0.7}) {
        SCOPED_TRACE(gap);
        ClapDetector detector;
        Recorder rec(detector);
        run(detector, bedWithClaps({1.5, 1.5 + gap}));
        EXPECT_EQ(rec.peaks.size(), 2u);
        EXPECT_TRUE(rec.doubles.empty());
    }
}

TEST_F(ClapDetectorTest, aLatePeakBecomesTheFirstClapOfTheNextPair) {
    ClapDetector detector;
    Recorder rec(detector);
    run(detector, bedWithClaps({1.0, 1.7, 2.0}));
    EXPECT_EQ(rec.peaks.size(), 3u);
    ASSERT_EQ(rec.doubles.size(), 1u);
    EXPECT_GT(rec.doubles[0], 2.0);
}

TEST_F(ClapDetectorTest, singleClapToneAndVoiceNeverFire) {
    {
        ClapDetector detector;
        Recorder rec(detector);
        run(detector, bedWithClaps({1.5}));
        EXPECT_EQ(rec.peaks.size(), 1u);
        EXPECT_TRUE(rec.doubles.empty());
    }
    {
        ClapDetector detector;
        Recorder rec(detector);
        auto signal = sig::pinkNoise(4.0, 0.003f);
        sig::mix(signal, voicedSound(2.0), 1.0);
        run(detector, signal);
        EXPECT_TRUE(rec.doubles.empty());
    }
    {
        // A pending first clap is forgotten when a long sound follows it.
        ClapDetector detector;
        Recorder rec(detector);
        auto signal = bedWithClaps({1.0, 1.55});
        sig::addTone(signal, 1.15, 0.3, 3000.0, 0.3f);
        run(detector, signal);
        EXPECT_TRUE(rec.doubles.empty());
    }
}

TEST_F(ClapDetectorTest, digitalSilenceBeforeWarmUpNeverFires) {
    ClapDetector detector;
    Recorder rec(detector);
    std::vector<float> signal(16 * 512, 0.0f);
    for (size_t i = 0; i < signal.size(); i += 1024)
        signal[i] = 0.9f; // loud clicks in every other chunk
    run(detector, signal);
    EXPECT_TRUE(rec.peaks.empty());
}

// Frame levels fed directly, with times at will.
class ClapIngestTest : public ClapDetectorTest {
protected:
    // Powers of two, so that level ratios are exact.
    static constexpr float quiet = 1.0f / 1024;
    static constexpr float loud = 0.125f;

    void warmUp(ClapDetector& detector) {
        for (int i = 0; i < 40; ++i)
            detector.ingest(quiet, 0.032 * i);
    }
    // A one-frame transient at `onset`, ended by a quiet frame 0.04 s later.
    void clap(ClapDetector& detector, double onset, float amp = loud) {
        detector.ingest(amp, onset);
        detector.ingest(quiet, onset + 0.04);
    }
};

TEST_F(ClapIngestTest, gapLimitsAndAmplitudeRatioAreInclusive) {
    struct Case {
        double gap;
        float secondAmp;
        bool fires;
    };
    const Case cases[] = {
        {0.12, loud, true},       {0.11, loud, false},        {0.6, loud, true},          {0.61, loud, false},
        {0.3, loud * 3.5f, true}, {0.3, loud * 3.75f, false}, {0.3, loud / 3.75f, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "gap " << c.gap << " amp " << c.secondAmp);
        ClapDetector detector;
        Recorder rec(detector);
        warmUp(detector);
        clap(detector, 2.0);
        for (double t = 2.06; t < 2.0 + c.gap - 0.005; t += 0.02)
            detector.ingest(quiet, t);
        clap(detector, 2.0 + c.gap, c.secondAmp);
        EXPECT_EQ(rec.peaks.size(), 2u);
        EXPECT_EQ(rec.doubles.size(), c.fires ? 1u : 0u);
    }
}

TEST_F(ClapIngestTest, aGapKeptLoudIsRejected) {
    ClapDetector detector;
    Recorder rec(detector);
    warmUp(detector);
    clap(detector, 2.0);
    // Between the claps, frames over 0.35·T but under 0.5·T: loud, yet no onset.
    const float murmur = 0.0025f;
    for (int i = 2; i < 9; ++i)
        detector.ingest(murmur, 2.0 + 0.032 * i);
    detector.ingest(quiet, 2.30);
    detector.ingest(quiet, 2.33);
    clap(detector, 2.36);
    EXPECT_EQ(rec.peaks.size(), 2u);
    EXPECT_TRUE(rec.doubles.empty());
}

TEST_F(ClapIngestTest, widthDecidesBetweenPeakAndCooldown) {
    // Loud for 0.128 s: a clap. Loud for 0.16 s with the first quiet frame at 0.16:
    // no peak, but a pending clap survives. Still loud at 0.16: cooldown forgets it.
    ClapDetector detector;
    Recorder rec(detector);
    warmUp(detector);
    for (int i = 0; i < 4; ++i)
        detector.ingest(loud, 2.0 + 0.032 * i);
    detector.ingest(quiet, 2.128);
    EXPECT_EQ(rec.peaks.size(), 1u);
    detector.ingest(quiet, 2.16);
    for (int i = 0; i < 5; ++i)
        detector.ingest(loud, 2.2 + 0.032 * i);
    detector.ingest(quiet, 2.36);
    EXPECT_EQ(rec.peaks.size(), 1u);
    for (int i = 0; i < 10; ++i)
        detector.ingest(quiet, 2.392 + 0.01 * i);
    clap(detector, 2.5);
    EXPECT_EQ(rec.doubles.size(), 1u) << "the first clap was kept";
}

TEST_F(ClapDetectorTest, storedSensitivityIsClamped) {
    EXPECT_DOUBLE_EQ(ClapDetector().sensitivity(), 6.0);
    Prefs::setValue(Prefs::Key::sensitivity, 2.0);
    EXPECT_DOUBLE_EQ(ClapDetector().sensitivity(), 4.0);
    Prefs::setValue(Prefs::Key::sensitivity, 12.0);
    EXPECT_DOUBLE_EQ(ClapDetector().sensitivity(), 10.0);
    Prefs::setValue(Prefs::Key::sensitivity, 7.5);
    EXPECT_DOUBLE_EQ(ClapDetector().sensitivity(), 7.5);
}
