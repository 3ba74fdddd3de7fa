// The key demo's loop on a fake clock: the hold and tap passes with their timings,
// standing still under Reduce Motion or held at one moment of the pass, following
// only the listening state without the loop, and nothing left pending once the
// demo goes.
#include "ui/onboarding/KeycapDemoModel.h"

#include "support/FakeClock.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class KeycapDemoModelTest : public ::testing::Test {
protected:
    std::unique_ptr<KeycapDemoModel> make(const QString& kind, bool looping) {
        auto demo = std::make_unique<KeycapDemoModel>(scheduler);
        demo->setKind(kind);
        demo->setLabel("Right Super");
        demo->setLooping(looping);
        return demo;
    }
    FakeClock clock;
    FakeScheduler scheduler{clock};
};

} // namespace

TEST_F(KeycapDemoModelTest, theHoldPassKeepsTheKeyDownWhileTheBarsRiseAndRepeatsEvery3Point2Seconds) {
    auto demo = make("hold", true);
    demo->appear(false);
    EXPECT_TRUE(demo->pressed());
    EXPECT_FALSE(demo->speaking());
    EXPECT_EQ(demo->caption(), "press and hold");
    scheduler.advance(0.35);
    EXPECT_TRUE(demo->speaking());
    EXPECT_EQ(demo->caption(), QString::fromUtf8("holding… speak"));
    scheduler.advance(1.75); // 2.1 s
    EXPECT_FALSE(demo->pressed());
    EXPECT_FALSE(demo->speaking());
    scheduler.advance(1.1); // 3.2 s: the next pass
    EXPECT_TRUE(demo->pressed());
}

TEST_F(KeycapDemoModelTest, theTapPassTapsBrieflyThenSpeaksForTwoSeconds) {
    auto demo = make("tap", true);
    demo->appear(false);
    EXPECT_TRUE(demo->pressed());
    scheduler.advance(0.16);
    EXPECT_FALSE(demo->pressed());
    EXPECT_FALSE(demo->speaking());
    scheduler.advance(0.24);
    EXPECT_TRUE(demo->speaking());
    EXPECT_EQ(demo->caption(), QString::fromUtf8("listening — just speak"));
    scheduler.advance(2.0);
    EXPECT_FALSE(demo->speaking());
    EXPECT_EQ(demo->caption(), "one quick tap");
}

TEST_F(KeycapDemoModelTest, underReduceMotionTheDemoStandsStillSpeaking) {
    auto demo = make("hold", true);
    demo->appear(true);
    EXPECT_TRUE(demo->speaking());
    EXPECT_FALSE(demo->pressed());
    EXPECT_FALSE(demo->isLoopRunning());
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(KeycapDemoModelTest, withoutTheLoopOnlyListeningMovesIt) {
    auto demo = make("hold", false);
    demo->appear(false);
    EXPECT_FALSE(demo->pressed());
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "no timer";
    demo->setListening(true);
    EXPECT_TRUE(demo->active());
    EXPECT_EQ(demo->caption(), QString::fromUtf8("Listening…"));
    scheduler.advance(5);
    EXPECT_FALSE(demo->pressed()) << "the key never moves";
}

TEST_F(KeycapDemoModelTest, listeningOutranksEveryPhaseAndAGoneDemoLeavesNothingPending) {
    auto demo = make("tap", true);
    demo->appear(false);
    demo->setListening(true);
    scheduler.advance(0.5);
    EXPECT_EQ(demo->caption(), QString::fromUtf8("Listening…"));
    demo->disappear();
    EXPECT_FALSE(demo->isLoopRunning());
    demo.reset();
    scheduler.advance(10); // phases of the last pass would touch a dead demo
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(KeycapDemoModelTest, theKeycapShowsASignForModifierKeysAndTheNameForOthers) {
    auto demo = make("hold", false);
    EXPECT_EQ(demo->glyph(), QString(QChar(0x2756)));
    EXPECT_TRUE(demo->glyphIsSign());
    demo->setLabel("F13");
    EXPECT_EQ(demo->glyph(), "F13");
    EXPECT_FALSE(demo->glyphIsSign());
}

TEST_F(KeycapDemoModelTest, aHeldDemoStandsAtItsMomentOfThePassWhateverTheClockDoes) {
    auto hold = make("hold", true);
    auto tap = make("tap", true);
    for (KeycapDemoModel* demo : {hold.get(), tap.get()}) {
        demo->appear(false);
        scheduler.advance(2.2); // past the speaking part of both passes
        demo->holdAt(1.0);
    }
    scheduler.advance(7.3);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
    EXPECT_TRUE(hold->pressed());
    EXPECT_TRUE(hold->speaking());
    EXPECT_FALSE(tap->pressed());
    EXPECT_TRUE(tap->speaking());
}
