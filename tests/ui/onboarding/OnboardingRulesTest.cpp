// The onboarding's wording and arithmetic: the footer's label and gate, the key's
// label and sign, the demo's captions, the first command's texts, the Magic
// count line.
#include "ui/onboarding/OnboardingRules.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::OnboardingRules;

namespace {
FooterState at(int step) {
    FooterState s;
    s.step = step;
    return s;
}
} // namespace

TEST(OnboardingRulesTest,
     theFooterSaysSkipUntilTheFirstCommandWorkedAndSkipForNowOnlyOverUntouchedProposals) {
    EXPECT_EQ(footerLabel(at(0)), "Continue");
    EXPECT_EQ(footerLabel(at(1)), "Continue");
    EXPECT_EQ(footerLabel(at(2)), "Skip");
    FooterState worked = at(2);
    worked.commandSucceeded = true;
    EXPECT_EQ(footerLabel(worked), "Continue");

    FooterState magic = at(3);
    EXPECT_EQ(footerLabel(magic), "Continue") << "nothing on offer";
    magic.magicProposals = true;
    EXPECT_EQ(footerLabel(magic), "Skip for now");
    magic.magicRan = true;
    EXPECT_EQ(footerLabel(magic), "Continue");
    magic.magicRan = false; // the run failed and the host took it back
    EXPECT_EQ(footerLabel(magic), "Skip for now");
    magic.magicSaved = true;
    EXPECT_EQ(footerLabel(magic), "Continue");
    EXPECT_EQ(footerLabel(at(4)), "Start using Brisklet");
}

TEST(OnboardingRulesTest, onlyTheFirstStepIsGatedAndOnlyByMicrophoneAndSpeech) {
    FooterState first = at(0);
    EXPECT_FALSE(forwardEnabled(first));
    first.micOK = true;
    EXPECT_FALSE(forwardEnabled(first)) << "speech still missing";
    first.speechOK = true;
    EXPECT_TRUE(forwardEnabled(first)) << "Accessibility doesn't gate it";
    for (int step = 1; step <= 4; ++step)
        EXPECT_TRUE(forwardEnabled(at(step))) << step;
}

TEST(OnboardingRulesTest, theWakeKeyShowsItsLinuxLabelAndSign) {
    EXPECT_EQ(wakeKeyLabel(0), "Right Super");
    EXPECT_EQ(wakeKeyLabel(54), "Right Super");
    EXPECT_EQ(wakeKeyLabel(61), "Right Alt");
    EXPECT_EQ(wakeKeyLabel(105), "F13");
    EXPECT_EQ(wakeKeyLabel(999), "Right Super");
    EXPECT_EQ(keyGlyph("Right Super"), QString(QChar(0x2756)));
    EXPECT_EQ(keyGlyph("Left Alt"), QString(QChar(0x2387)));
    EXPECT_EQ(keyGlyph("F13"), "F13");
    EXPECT_EQ(keyGlyph("super"), "super") << "the test is case-sensitive";
}

TEST(OnboardingRulesTest, theStoredStyleIsTapOnlyWhenItSaysExactlyTap) {
    EXPECT_EQ(styleFrom("tap"), Style::tap);
    EXPECT_EQ(styleFrom("Tap"), Style::hold);
    EXPECT_EQ(styleFrom(""), Style::hold);
    EXPECT_EQ(styleFrom("hold"), Style::hold);
    EXPECT_EQ(styleText(Style::tap), "tap");
}

TEST(OnboardingRulesTest, theDemoCaptionPutsListeningFirstThenTheGesture) {
    EXPECT_EQ(keycapCaption(Style::hold, true, true), QString::fromUtf8("Listening…"));
    EXPECT_EQ(keycapCaption(Style::hold, true, false), QString::fromUtf8("holding… speak"));
    EXPECT_EQ(keycapCaption(Style::tap, true, false), QString::fromUtf8("listening — just speak"));
    EXPECT_EQ(keycapCaption(Style::hold, false, false), "press and hold");
    EXPECT_EQ(keycapCaption(Style::tap, false, false), "one quick tap");
}

TEST(OnboardingRulesTest, theFirstCommandAsksForSortOnlyWithAccessibility) {
    EXPECT_EQ(firstCommandTitle(Style::hold, "Right Super"), QString::fromUtf8("Hold Right Super…"));
    EXPECT_EQ(firstCommandTitle(Style::tap, "F13"), QString::fromUtf8("Tap F13…"));
    EXPECT_EQ(
        firstCommandInstruction(Style::hold, true),
        QString::fromUtf8("…keep holding, say **sort**, then let go. Your open windows tile into a grid."));
    EXPECT_EQ(
        firstCommandInstruction(Style::tap, false),
        QString::fromUtf8("…then say **volume up**. You'll hear it — your first command, no setup needed."));
    EXPECT_TRUE(firstCommandInstruction(Style::hold, false).contains("**volume up**"));
    EXPECT_TRUE(
        firstCommandInstruction(Style::tap, true).startsWith(QString::fromUtf8("…then say **sort**")));
}

TEST(OnboardingRulesTest, theHeaderLineFollowsTheStepAndTheMoreLineCountsTheOthers) {
    EXPECT_EQ(headerLine(0), "Speak. Your computer obeys.");
    EXPECT_EQ(headerLine(3), "It already knows how you work.");
    EXPECT_EQ(headerLine(4), "A last flourish.");
    EXPECT_EQ(headerLine(9), "A last flourish.");
    EXPECT_TRUE(moreWaiting(1).isEmpty());
    EXPECT_TRUE(moreWaiting(4).startsWith("3 more waiting in Home"));
}
