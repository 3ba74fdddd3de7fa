#include "actions/BrightnessControl.h"
#include "base/Termination.h"
#include "platform/linux/GammaBrightness.h"
#include "support/FakeClock.h"

#include <gtest/gtest.h>

using namespace brisklet;

namespace {
struct EngineLog {
    std::vector<double> sets;
    std::vector<double> times;
    int restores = 0;
};

class FakeEngine final : public platform::BrightnessEngine {
public:
    FakeEngine(EngineLog& log, test::FakeClock& clock, bool available, std::optional<double> current)
        : log_(log), clock_(clock), available_(available), current_(current) {}
    bool isAvailable() override { return available_; }
    std::optional<double> read() override { return current_; }
    bool set(double level) override {
        log_.sets.push_back(level);
        log_.times.push_back(clock_.now());
        return failAt != static_cast<int>(log_.sets.size());
    }
    bool restore() override {
        ++log_.restores;
        return true;
    }
    int failAt = 0; // 1-based index of a set that fails

private:
    EngineLog& log_;
    test::FakeClock& clock_;
    bool available_;
    std::optional<double> current_;
};

struct Rig {
    test::FakeClock clock;
    EngineLog preferredLog, fallbackLog;
    bool preferredAvailable = true;
    std::optional<double> current = 0.2;
    bool reduceMotion = false;
    int failAt = 0;
    BrightnessControl control{
        [this] {
            auto e = std::make_unique<FakeEngine>(preferredLog, clock, preferredAvailable, current);
            e->failAt = failAt;
            return e;
        },
        [this] { return std::make_unique<FakeEngine>(fallbackLog, clock, true, std::nullopt); }, clock,
        [this] { return reduceMotion; }};
};
} // namespace

TEST(BrightnessControl, rampsInEightStepsFromTheCurrentLevel) {
    Rig rig;
    EXPECT_TRUE(rig.control.apply(60));
    const std::vector<double> expected{0.25, 0.30, 0.35, 0.40, 0.45, 0.50, 0.55, 0.60};
    ASSERT_EQ(rig.preferredLog.sets.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(rig.preferredLog.sets[i], expected[i], 1e-9);
        EXPECT_NEAR(rig.preferredLog.times[i], 10000.0 + 0.03 * i, 1e-9);
    }
    EXPECT_TRUE(rig.fallbackLog.sets.empty());
}

TEST(BrightnessControl, reduceMotionMakesOneChange) {
    Rig rig;
    rig.reduceMotion = true;
    EXPECT_TRUE(rig.control.apply(60));
    EXPECT_EQ(rig.preferredLog.sets, std::vector<double>{0.6});
}

TEST(BrightnessControl, percentagesAreClampedTo5Through100) {
    Rig rig;
    rig.preferredAvailable = false;
    EXPECT_TRUE(rig.control.apply(0));
    EXPECT_TRUE(rig.control.apply(150));
    EXPECT_EQ(rig.fallbackLog.sets, (std::vector<double>{0.05, 1.0}));
    EXPECT_TRUE(rig.preferredLog.sets.empty());
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
    EXPECT_EQ(rig.fallbackLog.sets, (std::vector<double>{0.1, 0.2}));
    EXPECT_EQ(rig.fallbackLog.restores, 0);
    Termination::runHooks();
    EXPECT_EQ(rig.fallbackLog.restores, 1);
}

TEST(GammaBrightness, rampsAreLinearAndNeverDarkerThanAFifth) {
    auto tenth = platform::GammaBrightness::ramp(256, 0.1);
    ASSERT_EQ(tenth.size(), 256u);
    EXPECT_EQ(tenth.front(), 0);
    EXPECT_EQ(tenth.back(), 13107); // 0.2 × 65535
    EXPECT_EQ(platform::GammaBrightness::ramp(3, 1.5), (std::vector<uint16_t>{0, 32768, 65535}));
    EXPECT_TRUE(platform::GammaBrightness::ramp(0, 0.5).empty());
}
