// Phrasings the matcher reads, spoken by flite voices and heard by the real
// recogniser with what the app's vocabulary builder gives it for a desktop: the
// heard text makes the spoken text's plan, new names included, and free questions
// make none.
#include "SpokenDesktop.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/SpeechSet.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
namespace SpeechSet = brisklet::test::SpeechSet;

namespace {

// Heard as spoken, or, with `orMissed`, at least never as another command.
void expectHeardAsSpoken(const std::vector<SpeechSet::Phrase>& phrases, std::optional<double> snrDb,
                         bool orMissed = false) {
    static platform::PocketSphinxRecognizer recognizer;
    static const bool loading = (recognizer.load(), true);
    (void)loading;
    ASSERT_TRUE(recognizer.waitUntilLoaded()) << "the pocketsphinx-en-us model did not load";
    test::SpokenDesktop desktop;
    QTemporaryDir folder;
    QString error;
    const auto clips = SpeechSet::generate(folder.path(), phrases, {"slt", "rms"}, snrDb, &error);
    ASSERT_EQ(clips.size(), phrases.size() * (snrDb ? 4 : 2)) << qPrintable(error);
    for (const auto& clip : clips) {
        const auto samples = SpeechSet::readClip(clip.file);
        ASSERT_TRUE(samples);
        const auto decoded =
            SpeechSet::decode(recognizer, *samples, desktop.request(), SpeechSet::roomOf(clip));
        const QString heard = Text::normalize(decoded.finalText.value_or(QString()));
        const QString spoken = clip.expected.isEmpty() ? QString() : clip.spoken;
        const auto verdict = desktop.verdict(spoken, heard);
        EXPECT_TRUE(verdict == test::SpokenDesktop::Verdict::right ||
                    (orMissed && verdict == test::SpokenDesktop::Verdict::miss))
            << qPrintable(clip.voice) << (clip.noisy ? " noisy" : " clean") << ": \""
            << qPrintable(clip.spoken) << "\" heard as \"" << qPrintable(heard) << "\" (general model \""
            << qPrintable(recognizer.lastDecision().generalText) << "\")";
    }
}

} // namespace

TEST(SpokenPhrasings, newNamesAndEveryVerbOfTheMatcherAndResolverAreHeard) {
    expectHeardAsSpoken({{"play jazz", "play jazz"},
                         {"save layout as reading", "save layout as reading"},
                         {"create a setup called weekend", "create a setup called weekend"},
                         {"maximize firefox", "maximize firefox"},
                         {"kill slack", "kill slack"},
                         {"shut down firefox", "shut down firefox"},
                         {"load the coding layout", "load the coding layout"},
                         {"fire up terminal", "fire up terminal"},
                         {"play jazz on spotify", "play jazz on spotify"},
                         {"save this as my work setup", "save this as my work setup"}},
                        std::nullopt);
}

// In noise new names are often misheard and numbers fit any noise; such a phrase
// then goes unheard, never as a capture with no name or another's, or a number
// nobody said.
TEST(SpokenPhrasings, inNoiseAPhraseIsHeardAsSaidOrNotAtAll) {
    expectHeardAsSpoken({{"create a setup called weekend", "create a setup called weekend"},
                         {"save layout as coding", "save layout as coding"},
                         {"volume up", "volume up"},
                         {"study setup", "study setup"}},
                        15.0, true);
}

TEST(SpokenPhrasings, freeQuestionsMakeNoPlanEvenWithFreeSlotsInTheGrammar) {
    expectHeardAsSpoken({{"what is the weather like tomorrow", ""},
                         {"tell me a joke about computers", ""},
                         {"how do I open a jar", ""},
                         {"can you recommend a good book", ""}},
                        15.0);
}
