// The sound's own word on a reading: how much better a reading's deciding words
// explain their frames than an unconstrained phone loop does, on speech made by flite.
#include "platform/linux/speech/PhoneLoop.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/ScopedEnv.h"
#include "support/SpeechSet.h"
#include "support/WaitFor.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>

using namespace brisklet;
using platform::PhoneLoop;
namespace SpeechSet = brisklet::test::SpeechSet;

namespace {

PhoneLoop::Word word(const char* text, const char* phones, bool decides = true) {
    return {QString::fromLatin1(text), {phones}, decides};
}

const PhoneLoop::Word quit = word("quit", "K W IH T");
const PhoneLoop::Word firefox = word("firefox", "F AY ER F AA K S");
const PhoneLoop::Word open = word("open", "OW P AH N");
const PhoneLoop::Word play = word("play", "P L EY");
const PhoneLoop::Word jazz = word("jazz", "JH AE Z");
const PhoneLoop::Word apply = word("apply", "AH P L AY");
const PhoneLoop::Word gym = word("gym", "JH IH M");
const PhoneLoop::Word layout = word("layout", "L EY AW T");

class PhoneLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString hmm = platform::PocketSphinxRecognizer::defaultModelDir() + "/en-us/en-us";
        ASSERT_TRUE(loop.load(hmm.toUtf8())) << "the pocketsphinx-en-us model did not load";
    }

    // Each candidate's support on one clip, fed as the recogniser feeds it.
    std::vector<std::optional<double>> weigh(const QString& phrase, const QString& voice,
                                             std::vector<PhoneLoop::Candidate> candidates) {
        return weighOn(loop, phrase, voice, std::move(candidates));
    }
    std::vector<std::optional<double>> weighOn(PhoneLoop& loop, const QString& phrase, const QString& voice,
                                               std::vector<PhoneLoop::Candidate> candidates,
                                               const std::function<void()>& beforeWeighing = {}) {
        const std::vector<float> samples = clip(phrase, voice);
        if (samples.empty())
            return {};
        return weighSamples(loop, samples, std::move(candidates), beforeWeighing);
    }
    std::vector<float> clip(const QString& phrase, const QString& voice) {
        QString error;
        const auto clips =
            SpeechSet::generate(folder.path(), {{phrase, phrase}}, {voice}, std::nullopt, &error);
        EXPECT_EQ(clips.size(), 1u) << qPrintable(error);
        if (clips.empty())
            return {};
        return *SpeechSet::readClip(clips.front().file);
    }
    std::vector<std::optional<double>> weighSamples(PhoneLoop& loop, const std::vector<float>& samples,
                                                    std::vector<PhoneLoop::Candidate> candidates,
                                                    const std::function<void()>& beforeWeighing = {}) {
        const std::size_t stepsBefore = loop.steps();
        loop.begin(50);
        for (auto& block : SpeechSet::pcmBlocks(samples))
            loop.feed(std::move(block));
        if (beforeWeighing) {
            // Once the loop has heard it all.
            const std::size_t blocks = (samples.size() + 511) / 512;
            EXPECT_TRUE(test::waitFor([&] { return loop.steps() >= stepsBefore + blocks; }, 20000));
            beforeWeighing();
        }
        return loop.weigh(std::move(candidates)).get();
    }

    PhoneLoop loop{1e-20};
    QTemporaryDir folder;
};

} // namespace

// What was said is borne out by the sound; a reading forced onto other words is not,
// by a wide margin, whichever of its words is the wrong one.
TEST_F(PhoneLoopTest, theSaidReadingIsSupportedAndForcedOnesAreNot) {
    for (const char* voice : {"slt", "rms"}) {
        const auto support = weigh("quit firefox", voice, {{quit, firefox}, {open, firefox}, {quit, jazz}});
        ASSERT_EQ(support.size(), 3u);
        ASSERT_TRUE(support[0] && support[1] && support[2]) << voice;
        EXPECT_GT(*support[0], *support[1] + 10) << voice << ": a right name cannot carry a wrong verb";
        EXPECT_GT(*support[0], *support[2] + 10) << voice << ": a right verb cannot carry a wrong name";
    }
    // Once read as "apply a gym layout".
    const auto support =
        weigh("play jazz", "rms", {{play, jazz}, {apply, word("a", "AH", false), gym, layout}});
    ASSERT_EQ(support.size(), 2u);
    ASSERT_TRUE(support[0] && support[1]);
    EXPECT_GT(*support[0], *support[1] + 10);
}

// Only the deciding words count: a small joining word said quickly scores what it
// likes, and a reading with no deciding word, or a word the model cannot say, has no
// support at all rather than a made-up one.
TEST_F(PhoneLoopTest, onlyDecidingWordsCountAndWhatCannotBeAlignedHasNoSupport) {
    const auto support = weigh("quit firefox", "slt",
                               {{quit, firefox},
                                {quit, word("the", "DH AH", false), firefox},
                                {word("quit", "K W IH T", false)},
                                {quit, word("firefox", "")}});
    ASSERT_EQ(support.size(), 4u);
    ASSERT_TRUE(support[0] && support[1]);
    EXPECT_NEAR(*support[0], *support[1], 15);
    EXPECT_FALSE(support[2]);
    EXPECT_FALSE(support[3]);
}

// A window cancelled midway leaves nothing behind for the next.
TEST_F(PhoneLoopTest, aCancelledWindowLeavesTheNextUntouched) {
    loop.begin(50);
    loop.feed(std::vector<std::int16_t>(16000, 1000));
    loop.cancel();
    const auto support = weigh("quit firefox", "slt", {{quit, firefox}});
    ASSERT_EQ(support.size(), 1u);
    ASSERT_TRUE(support[0]);
    EXPECT_GT(*support[0], -25);
}

// A word is weighed as the reading spells it, whatever spelling an earlier window gave
// it: the general model's dictionary spells some words unlike the grammar's.
TEST_F(PhoneLoopTest, aWordIsWeighedAsSpelledNowNotAsFirstSpelled) {
    PhoneLoop fresh{1e-20};
    ASSERT_TRUE(fresh.load((platform::PocketSphinxRecognizer::defaultModelDir() + "/en-us/en-us").toUtf8()));
    const auto quitAsQuite = word("quit", "K W AY T");
    const auto name = word("firefox", "F AY ER F AA K S", false);
    ASSERT_EQ(weigh("quit firefox", "slt", {{quitAsQuite, name}}).size(), 1u);
    const auto later = weigh("quit firefox", "slt", {{quit, name}, {quitAsQuite, name}});
    const auto alone = weighOn(fresh, "quit firefox", "slt", {{quit, name}, {quitAsQuite, name}});
    ASSERT_EQ(later.size(), 2u);
    ASSERT_EQ(alone.size(), 2u);
    ASSERT_TRUE(later[0] && later[1] && alone[0] && alone[1]);
    EXPECT_DOUBLE_EQ(*later[0], *alone[0]);
    EXPECT_DOUBLE_EQ(*later[1], *alone[1]);
    EXPECT_GT(*later[0], *later[1]);
}

// The opposite command said alike: "minimize" read as "maximize" is borne out far
// less than "maximize" said.
TEST_F(PhoneLoopTest, minimizeIsNotBorneOutAsMaximize) {
    const auto maximize = word("maximize", "M AE K S AH M AY Z");
    for (const char* voice : {"slt", "rms", "awb"}) {
        const auto misread = weigh("minimize", voice, {{maximize}});
        const auto said = weigh("maximize", voice, {{maximize}});
        ASSERT_TRUE(!misread.empty() && !said.empty() && misread[0] && said[0]) << voice;
        EXPECT_LT(*misread[0], *said[0] - 10) << voice;
    }
}

// The alignments read back the senone scores the loop kept: they weigh as scoring the
// audio again does, and nothing is written for them.
TEST_F(PhoneLoopTest, theKeptScoresWeighAsScoringAgainDoesAndOnlyTheWindowsAreKept) {
    test::ScopedRuntimeDir runtime;
    const QString hmm = platform::PocketSphinxRecognizer::defaultModelDir() + "/en-us/en-us";
    PhoneLoop own{1e-20};
    PhoneLoop scoringAgain{1e-20, false};
    ASSERT_TRUE(own.load(hmm.toUtf8()));
    ASSERT_TRUE(scoringAgain.load(hmm.toUtf8()));
    const std::vector<PhoneLoop::Candidate> readings{{quit, firefox}, {open, firefox}};
    EXPECT_EQ(weighOn(own, "open firefox", "rms", readings).size(), 2u);
    const auto kept = weighOn(own, "quit firefox", "slt", readings);
    const auto again = weighOn(scoringAgain, "quit firefox", "slt", readings);
    ASSERT_EQ(kept.size(), 2u);
    ASSERT_EQ(again.size(), 2u);
    ASSERT_TRUE(kept[0] && kept[1] && again[0] && again[1]);
    EXPECT_DOUBLE_EQ(*kept[0], *again[0]);
    EXPECT_DOUBLE_EQ(*kept[1], *again[1]);
    EXPECT_GT(*kept[0], *kept[1] + 10);
    EXPECT_TRUE(QDir(runtime.dir.path()).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
        << "nothing of the loop's is left in the runtime folder";
}

// A window's scores take about a megabyte a second of audio, far more than a full
// runtime folder or a small file size limit lets through: each window is still
// weighed as it would be without the limit, the first whose scores outgrow it and
// those after. Weighed in a child, which runs this test again from its start, so
// that a crash fails the test instead of ending the program.
TEST_F(PhoneLoopTest, windowsWhoseScoresOutgrowTheFileSizeLimitAreWeighed) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    test::ChildTempFolder childTemp;
    test::ScopedRuntimeDir runtime;
    const QString hmm = platform::PocketSphinxRecognizer::defaultModelDir() + "/en-us/en-us";
    const std::vector<PhoneLoop::Candidate> readings{{quit, firefox}, {open, firefox}};
    const std::vector<std::vector<float>> windows{clip("quit firefox", "slt"), clip("open firefox", "rms"),
                                                  clip("quit firefox", "slt")};
    ASSERT_TRUE(std::none_of(windows.begin(), windows.end(), [](const auto& w) { return w.empty(); }));
    std::vector<std::vector<std::optional<double>>> unlimited;
    for (const auto& samples : windows)
        unlimited.push_back(weighSamples(loop, samples, readings));
    const auto underTheLimit = [&] {
        // No file of the child may grow past 200 kB; a write past it fails, as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 200000;
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
            std::_Exit(2);
        bool all = true;
        {
            PhoneLoop own{1e-20};
            if (!own.load(hmm.toUtf8()))
                std::_Exit(2);
            for (std::size_t i = 0; i < windows.size(); ++i) {
                const auto support = weighSamples(own, windows[i], readings);
                const bool same = support.size() == 2 && support[0] && support[1] && support == unlimited[i];
                if (!same)
                    std::fprintf(stderr, "window %zu: not weighed as without the limit\n", i + 1);
                all = all && same;
            }
        }
        std::fflush(stderr);
        std::_Exit(all ? 0 : 1);
    };
    EXPECT_EXIT(underTheLimit(), ::testing::ExitedWithCode(0), "");
}
