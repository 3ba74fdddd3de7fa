// A command said as the chime that opened its window dies away, heard by the real
// recogniser with what the app's vocabulary builder gives it: the microphone hears our
// own chime first, a little late, then the speech, and the key is let go just after.
#include "SpokenDesktop.h"
#include "platform/linux/PulseSampleOutput.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/SpeechSet.h"
#include "support/TestSignals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace brisklet;
namespace SpeechSet = brisklet::test::SpeechSet;
namespace TestSignals = brisklet::test::TestSignals;

namespace {

constexpr std::size_t rate = 16000;

struct Room {
    const char* name;
    std::vector<float> (*sound)(std::size_t count, unsigned seed);
};

const Room rooms[] = {
    // The test desktop's microphone: the monitor of a sink that plays nothing else.
    {"digital silence", [](std::size_t n, unsigned) { return std::vector<float>(n, 0.0f); }},
    {"a quiet room",
     [](std::size_t n, unsigned seed) { return SpeechSet::scaledTo(SpeechSet::pinkNoise(n, seed), -60); }},
};

} // namespace

TEST(SpokenAfterChime, aCommandSaidAsTheOpeningChimeEndsIsTaken) {
    platform::PocketSphinxRecognizer recognizer;
    recognizer.load();
    ASSERT_TRUE(recognizer.waitUntilLoaded()) << "the pocketsphinx-en-us model did not load";
    test::SpokenDesktop desktop;
    std::string error;
    // flite's clip opens with 0.22 s of its own silence: played with the chime, its
    // speech starts as the chime ends.
    const std::vector<float> speech = TestSignals::speech("mute", &error, "slt");
    ASSERT_FALSE(speech.empty()) << error;
    const std::vector<float> chime = SpeechSet::listeningChime();
    ASSERT_FALSE(chime.empty());
    // The window is told the chime it opened with, as the app plays it.
    const std::vector<float> played = platform::PulseSampleOutput::samplesOf(QStringLiteral("droplet"));
    ASSERT_FALSE(played.empty());

    unsigned seed = 1;
    for (const Room& room : rooms) {
        // The chime reaches the microphone a little after the window opened; the clip
        // comes through the same speakers with it or a moment later.
        for (double chimeAt : {0.0, 0.05, 0.12}) {
            for (double clipAt : {0.0, 0.22, 0.35}) {
                const double clipStart = chimeAt + clipAt;
                // The key is let go 0.3 s after the clip.
                std::vector<float> hold =
                    room.sound(std::size_t((clipStart + 0.3) * rate) + speech.size(), seed++);
                TestSignals::mix(hold, chime, chimeAt);
                TestSignals::mix(hold, speech, clipStart);
                auto request = desktop.request();
                request->setOpeningSound(played);
                const auto decoded =
                    SpeechSet::decode(recognizer, hold, request, room.sound(rate * 4 / 10, seed++));
                ASSERT_TRUE(decoded.error.isEmpty()) << qPrintable(decoded.error);
                const auto decision = recognizer.lastDecision();
                EXPECT_EQ(decoded.finalText.value_or(QString()), QStringLiteral("mute"))
                    << qPrintable(QString::asprintf(
                           "%s, chime at %.2f s, clip at %.2f s: grammar \"%s\", score per frame %.1f, "
                           "coverage %.2f, general \"%s\"",
                           room.name, chimeAt, clipStart, qPrintable(decision.grammarText),
                           decision.scorePerFrame, decision.coverage, qPrintable(decision.generalText)));
            }
        }
    }
}

namespace {

// A clip from its first sound on: flite's own silence before the voice cut off, so
// the voice starts where the test puts it.
std::vector<float> fromFirstSound(const std::vector<float>& clip) {
    float peak = 0;
    for (float s : clip)
        peak = std::max(peak, std::fabs(s));
    std::size_t first = 0;
    while (first < clip.size() && std::fabs(clip[first]) < 0.02f * peak)
        ++first;
    // A few milliseconds of lead-in, as the clip had.
    first -= std::min<std::size_t>(first, rate / 200);
    return {clip.begin() + std::ptrdiff_t(first), clip.end()};
}

} // namespace

// Speech begun as the key goes down: the voice starts 0.05–0.2 s into the window,
// over the chime where the microphone hears it, and before the chime would have died
// away where it does not (headphones, a muted or redirected output). Only the chime is
// taken out: the voice's first syllable stays, so "unmute" is never heard as "mute".
TEST(SpokenAfterChime, aVoiceStartedAsTheWindowOpensKeepsItsFirstSyllable) {
    platform::PocketSphinxRecognizer recognizer;
    recognizer.load();
    ASSERT_TRUE(recognizer.waitUntilLoaded()) << "the pocketsphinx-en-us model did not load";
    test::SpokenDesktop desktop;
    const std::vector<float> chime = SpeechSet::listeningChime();
    ASSERT_FALSE(chime.empty());
    const std::vector<float> played = platform::PulseSampleOutput::samplesOf(QStringLiteral("droplet"));
    ASSERT_FALSE(played.empty());

    const struct {
        const char* said;
        const char* heard; // as the final gives it
    } phrases[] = {{"unmute", "unmute"}, {"volume fifty", "volume 50"}, {"maximize", "maximize"}};
    unsigned seed = 100;
    for (const char* voice : {"slt", "rms", "awb", "kal16"}) {
        for (const auto& phrase : phrases) {
            std::string error;
            const std::vector<float> speech = fromFirstSound(TestSignals::speech(phrase.said, &error, voice));
            ASSERT_FALSE(speech.empty()) << error;
            for (const bool heard : {false, true}) {
                for (const double voiceAt : {0.05, 0.12, 0.2}) {
                    // The key is let go 0.3 s after the voice ends.
                    std::vector<float> hold = SpeechSet::scaledTo(
                        SpeechSet::pinkNoise(std::size_t((voiceAt + 0.3) * rate) + speech.size(), seed++),
                        -60);
                    if (heard)
                        TestSignals::mix(hold, chime, 0.02, 0.5f);
                    TestSignals::mix(hold, speech, voiceAt);
                    auto request = desktop.request();
                    request->setOpeningSound(played);
                    const auto decoded = SpeechSet::decode(
                        recognizer, hold, request,
                        SpeechSet::scaledTo(SpeechSet::pinkNoise(rate * 4 / 10, seed++), -60));
                    ASSERT_TRUE(decoded.error.isEmpty()) << qPrintable(decoded.error);
                    const QString text = Text::normalize(decoded.finalText.value_or(QString()));
                    const auto decision = recognizer.lastDecision();
                    const QString where = QString::asprintf(
                        "%s \"%s\" at %.2f s, chime %s: heard \"%s\" (grammar \"%s\", general \"%s\")", voice,
                        phrase.said, voiceAt, heard ? "heard" : "unheard", qPrintable(text),
                        qPrintable(decision.grammarText), qPrintable(decision.generalText));
                    EXPECT_NE(text, QStringLiteral("mute")) << qPrintable(where);
                    EXPECT_EQ(text, QLatin1String(phrase.heard)) << qPrintable(where);
                }
            }
        }
    }
}
