// A command said as the chime that opened its window dies away, heard by the real
// recogniser with what the app's vocabulary builder gives it: the microphone hears our
// own chime first, a little late, then the speech, and the key is let go just after.
#include "SpokenDesktop.h"
#include "platform/linux/QtSoundOutput.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/SpeechSet.h"
#include "support/TestSignals.h"

#include <gtest/gtest.h>

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
    const double chimeLength = platform::QtSoundOutput::lengthOf(QStringLiteral("droplet"));

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
                request->setOpeningSound(chimeLength);
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
