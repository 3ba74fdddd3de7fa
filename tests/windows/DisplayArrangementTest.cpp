#include "windows/DisplayArrangement.h"

#include <gtest/gtest.h>

using namespace brisklet;

TEST(DisplayArrangementLabel, countsDisplaysFromTheFingerprint) {
    EXPECT_EQ(DisplayArrangement::label(""), "single display");
    EXPECT_EQ(DisplayArrangement::label(":::"), "single display");
    EXPECT_EQ(DisplayArrangement::label("1:1728x1117"), "single display");
    EXPECT_EQ(DisplayArrangement::label("0:"), "single display");
    EXPECT_EQ(DisplayArrangement::label("-2:"), "single display");
    EXPECT_EQ(DisplayArrangement::label("two:1x1"), "single display");
    EXPECT_EQ(DisplayArrangement::label("2:1728x1117,2560x1440"), "2 displays");
    EXPECT_EQ(DisplayArrangement::label("3:1728x1117,2560x1440,1920x1080"), "3 displays");
    EXPECT_EQ(DisplayArrangement::label("::3:"), "3 displays");
}
