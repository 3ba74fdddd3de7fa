#include "actions/BrightnessControl.h"
#include "base/Termination.h"
#include "support/FakeBrightnessEngine.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

using namespace brisklet;

namespace {
struct Rig {
    test::FakeClock clock;
    std::shared_ptr<test::BrightnessLog> preferred = std::make_shared<test::BrightnessLog>();
    std::shared_ptr<test::BrightnessLog> fallback = std::make_shared<test::BrightnessLog>();
    bool preferredAvailable = true;
    std::optional<double> current = 0.2;
    bool reduceMotion = false;
    int failAt = 0;
    BrightnessControl control{
        [this] {
            auto e = std::make_unique<test::FakeBrightnessEngine>(preferred, clock, preferredAvailable, current);
            e->failAt = failAt;
            return e;
        },
        [this] { return std::make_unique<test::FakeBrightnessEngine>(fallback, clock); }, clock,
        [this] { return reduceMotion; }};
};
} // namespace

TEST(BrightnessControl, rampsInEightStepsFromTheCurrentLevel) {
    Rig rig;
    EXPECT_TRUE(rig.control.apply(60));
    const std::vector<double> expected{0.25, 0.30, 0.35, 0.40, 0.45, 0.50, 0.55, 0.60};
    ASSERT_EQ(rig.preferred->sets.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(rig.preferred->sets[i], expected[i], 1e-9);
        EXPECT_NEAR(rig.preferred->times[i], 10000.0 + 0.03 * i, 1e-9);
    }
    EXPECT_TRUE(rig.fallback->sets.empty());
}

TEST(BrightnessControl, reduceMotionMakesOneChange) {
    Rig rig;
    rig.reduceMotion = true;
    EXPECT_TRUE(rig.control.apply(60));
    EXPECT_EQ(rig.preferred->sets, std::vector<double>{0.6});
}

TEST(BrightnessControl, percentagesAreClampedTo5Through100) {
    Rig rig;
    rig.preferredAvailable = false;
    EXPECT_TRUE(rig.control.apply(0));
    EXPECT_TRUE(rig.control.apply(150));
    EXPECT_EQ(rig.fallback->sets, (std::vector<double>{0.05, 1.0}));
    EXPECT_TRUE(rig.preferred->sets.empty());
}

TEST(BrightnessControl, theRampReportsTheLastStep) {
    Rig failingEnd;
    failingEnd.failAt = 8;
    EXPECT_FALSE(failingEnd.control.apply(60));
    Rig failingMiddle;
    failingMiddle.failAt = 3;
    EXPECT_TRUE(failingMiddle.control.apply(60));
}

TEST(BrightnessControl, theEngineIsChosenOnceAndRestoredAtQuit) {
    Rig rig;
    rig.preferredAvailable = false;
    EXPECT_TRUE(rig.control.apply(10));
    rig.preferredAvailable = true; // too late: the choice is made
    EXPECT_TRUE(rig.control.apply(20));
    EXPECT_EQ(rig.fallback->sets, (std::vector<double>{0.1, 0.2}));
    EXPECT_EQ(rig.fallback->restores, 0);
    Termination::runHooks();
    EXPECT_EQ(rig.fallback->restores, 1);
}
