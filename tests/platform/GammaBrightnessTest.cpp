#include "platform/linux/GammaBrightness.h"

#include <gtest/gtest.h>

using namespace brisklet;

TEST(GammaBrightness, rampsAreLinearAndNeverDarkerThanAFifth) {
    auto tenth = platform::GammaBrightness::ramp(256, 0.1);
    ASSERT_EQ(tenth.size(), 256u);
    EXPECT_EQ(tenth.front(), 0);
    EXPECT_EQ(tenth.back(), 13107); // 0.2 × 65535
    EXPECT_EQ(platform::GammaBrightness::ramp(3, 1.5), (std::vector<uint16_t>{0, 32768, 65535}));
    EXPECT_TRUE(platform::GammaBrightness::ramp(0, 0.5).empty());
}
