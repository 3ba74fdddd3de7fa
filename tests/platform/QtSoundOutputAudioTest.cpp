// The program's own sounds as they go out, played on the test desktop's sound server:
// what play() returns is what the recogniser looks for in the microphone.
#include "platform/linux/QtSoundOutput.h"
#include "support/SpeechSet.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace brisklet;
using platform::QtSoundOutput;

// A chime nobody hears arms nothing: at volume 0 there is nothing to take out of the
// microphone, and something else at the window's start must never be taken for it.
TEST(QtSoundOutput, aSoundPlayedSilentlyOrUnknownReturnsNothingAndAHeardOneItsSamplesAtItsVolume) {
    QtSoundOutput output;
    EXPECT_TRUE(output.play(QStringLiteral("droplet"), 0.0).empty());
    EXPECT_TRUE(output.play(QStringLiteral("no-such-sound"), 1.0).empty());

    const std::vector<float> full = QtSoundOutput::samplesOf(QStringLiteral("droplet"));
    ASSERT_FALSE(full.empty());
    // 16 kHz mono, as long as the sound lasts.
    EXPECT_NEAR(double(full.size()) / 16000, QtSoundOutput::lengthOf(QStringLiteral("droplet")), 0.005);
    const std::vector<float> played = output.play(QStringLiteral("droplet"), 0.5);
    ASSERT_EQ(played.size(), full.size());
    for (std::size_t i = 0; i < full.size(); ++i)
        ASSERT_FLOAT_EQ(played[i], 0.5f * full[i]) << "sample " << i;

    // The same sound as the tests' own conversion of the program's file makes it.
    const std::vector<float> reference = test::SpeechSet::listeningChime();
    ASSERT_FALSE(reference.empty());
    double dot = 0, a = 0, b = 0;
    for (std::size_t i = 0; i < std::min(full.size(), reference.size()); ++i) {
        dot += double(full[i]) * reference[i];
        a += double(full[i]) * full[i];
        b += double(reference[i]) * reference[i];
    }
    EXPECT_GT(dot / std::sqrt(a * b), 0.99);
}
