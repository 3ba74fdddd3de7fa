// Windows in which nobody spoke, heard by the real recogniser with what the app's
// vocabulary builder gives it: whatever the room sounds like, nothing comes out that
// the matcher would run.
#include "SpokenDesktop.h"
#include "platform/linux/PulseSampleOutput.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/SpeechSet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace brisklet;
namespace SpeechSet = brisklet::test::SpeechSet;

namespace {

constexpr std::size_t rate = 16000;

// The least a 16-bit converter can say: one step up or down at random.
std::vector<float> dither(std::size_t count, unsigned seed) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> step(-1, 1);
    std::vector<float> out(count);
    for (float& s : out)
        s = float(step(rng)) / 32768.0f;
    return out;
}

// Mains hum with its first harmonics, under a little hiss.
std::vector<float> hum(std::size_t count, unsigned seed) {
    std::vector<float> out = SpeechSet::scaledTo(SpeechSet::pinkNoise(count, seed), -60);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = double(i) / rate;
        out[i] += float(0.02 * std::sin(2 * M_PI * 50 * t) + 0.008 * std::sin(2 * M_PI * 100 * t) +
                        0.004 * std::sin(2 * M_PI * 150 * t));
    }
    return out;
}

struct Room {
    const char* name;
    std::vector<float> (*sound)(std::size_t count, unsigned seed);
};

const Room rooms[] = {
    {"digital silence", [](std::size_t n, unsigned) { return std::vector<float>(n, 0.0f); }},
    {"dithered silence", dither},
    {"pink noise at -40 dBFS",
     [](std::size_t n, unsigned seed) { return SpeechSet::scaledTo(SpeechSet::pinkNoise(n, seed), -40); }},
    {"pink noise at -30 dBFS",
     [](std::size_t n, unsigned seed) { return SpeechSet::scaledTo(SpeechSet::pinkNoise(n, seed), -30); }},
    {"a low hum", hum},
};

} // namespace

TEST(SpokenSilence, aWindowInWhichNobodySpokeRunsNothing) {
    platform::PocketSphinxRecognizer recognizer;
    recognizer.load();
    ASSERT_TRUE(recognizer.waitUntilLoaded()) << "the pocketsphinx-en-us model did not load";
    test::SpokenDesktop desktop;
    const auto expectNothingRuns = [&](const SpeechSet::Decoded& decoded, const QString& where) {
        ASSERT_TRUE(decoded.error.isEmpty()) << qPrintable(where) << ": " << qPrintable(decoded.error);
        const QString heard = Text::normalize(decoded.finalText.value_or(QString()));
        EXPECT_TRUE(desktop.matcher->match(heard).empty())
            << qPrintable(where) << ": heard \"" << qPrintable(heard) << "\" (grammar \""
            << qPrintable(recognizer.lastDecision().grammarText) << "\", general \""
            << qPrintable(recognizer.lastDecision().generalText) << "\", score per frame "
            << recognizer.lastDecision().scorePerFrame << ", coverage "
            << recognizer.lastDecision().fixed.coverage << ", rise " << recognizer.lastDecision().riseDb
            << " dB)";
        for (const QString& partial : decoded.partials)
            EXPECT_TRUE(desktop.matcher->match(Text::normalize(partial)).empty())
                << qPrintable(where) << ": partial \"" << qPrintable(partial) << "\"";
    };

    unsigned seed = 1;
    for (const Room& room : rooms) {
        // A hold of two seconds, with the room's sound before it and without.
        expectNothingRuns(SpeechSet::decode(recognizer, room.sound(2 * rate, seed), desktop.request(),
                                            room.sound(rate * 4 / 10, seed + 1)),
                          QString("%1, a hold").arg(room.name));
        expectNothingRuns(
            SpeechSet::decode(recognizer, room.sound(3 * rate / 2, seed + 2), desktop.request()),
            QString("%1, a hold with nothing before it").arg(room.name));
        seed += 3;
    }
    // A long hands-free window in which the microphone gave nothing at all, then at
    // once the next hold, with nothing remembered before it: it opens with our own
    // chime, which the microphone hears, over whatever the room now sounds like.
    const std::vector<float> chime = SpeechSet::listeningChime();
    ASSERT_FALSE(chime.empty());
    // The window is told how long the chime it opened with lasts.
    const double chimeLength = platform::PulseSampleOutput::lengthOf(QStringLiteral("droplet"));
    EXPECT_NEAR(chimeLength, double(chime.size()) / rate, 0.01);
    for (const Room& room : rooms) {
        expectNothingRuns(SpeechSet::decode(recognizer, std::vector<float>(20 * rate, 0.0f),
                                            desktop.request(), std::vector<float>(rate * 4 / 10, 0.0f)),
                          QString("a long silent hands-free window"));
        std::vector<float> hold = room.sound(3 * rate / 2, seed++);
        for (std::size_t i = 0; i < chime.size() && i < hold.size(); ++i)
            hold[i] += chime[i];
        auto request = desktop.request();
        request->setOpeningSound(platform::PulseSampleOutput::samplesOf(QStringLiteral("droplet")));
        expectNothingRuns(SpeechSet::decode(recognizer, hold, request),
                          QString("%1, the first hold after a long silent window").arg(room.name));
    }
}
