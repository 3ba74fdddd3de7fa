// The miniature's geometry: how many screens, their proportions, where each tile
// sits and how big it and its icon are, and what a hand-edited display index does.
#include "ui/design/SetupThumbnailGeometry.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace brisklet;
namespace G = brisklet::SetupThumbnailGeometry;

namespace {

SetupItem at(double rx, double ry, double rw, double rh, int display = 0,
             SetupItemKind kind = SetupItemKind::app) {
    SetupItem item;
    item.bundleID = "app";
    item.kind = kind;
    item.frame = SetupFrame{rx, ry, rw, rh, display};
    return item;
}

const std::vector<QSizeF> oneScreen{QSizeF(1440, 900)};
// The tile area of a 1440 × 900 screen drawn 74 high: 118.4 wide, less 3 each side.
constexpr double areaW = 118.4 - 6, areaH = 74 - 6;

} // namespace

TEST(SetupThumbnailScreensTest, oneScreenPerDisplayUpToTheHighestUsedOneEmptyOnesIncluded) {
    EXPECT_EQ(G::layout({at(0, 0, 1, 1, 0), at(0, 0, 1, 1, 0)}, oneScreen, 74).size(), 1u);
    const auto screens = G::layout({at(0, 0, 1, 1, 0), at(0, 0, 1, 1, 2)}, oneScreen, 74);
    ASSERT_EQ(screens.size(), 3u);
    EXPECT_EQ(screens[0].tiles.size(), 1u);
    EXPECT_TRUE(screens[1].tiles.empty());
    EXPECT_EQ(screens[2].tiles.size(), 1u);

    SetupItem unplaced;
    unplaced.bundleID = "loose";
    EXPECT_EQ(G::layout({unplaced}, oneScreen, 74).size(), 1u) << "nothing placed: one empty screen";
    EXPECT_TRUE(G::layout({unplaced}, oneScreen, 74)[0].tiles.empty());
}

TEST(SetupThumbnailScreensTest, proportionsComeFromTheConnectedScreensElseOnePointSix) {
    const auto screens = G::layout({at(0, 0, 1, 1, 1)}, oneScreen, 74);
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_NEAR(screens[0].width, 118.4, 1e-9) << "1440 × 900";
    EXPECT_NEAR(screens[1].width, 118.4, 1e-9) << "not connected: 1.6";
    EXPECT_DOUBLE_EQ(screens[1].height, 74);
    EXPECT_NEAR(G::totalWidth(screens), 118.4 * 2 + 5, 1e-9);

    const auto wide = G::layout({at(0, 0, 1, 1, 1)}, {QSizeF(1440, 900), QSizeF(2560, 1080)}, 74);
    EXPECT_NEAR(wide[1].width, 74 * 2560.0 / 1080.0, 1e-9);
    EXPECT_NEAR(G::layout({}, {QSizeF(100, 0)}, 10)[0].width, 1000, 1e-9) << "a zero height counts as 1";
}

TEST(SetupThumbnailScreensTest, outOfRangeDisplayIndicesAreBounded) {
    const auto negative = G::layout({at(0, 0, 1, 1, -3)}, oneScreen, 74);
    ASSERT_EQ(negative.size(), 1u);
    EXPECT_EQ(negative[0].tiles.size(), 1u) << "drawn on the first screen";

    const auto huge = G::layout({at(0, 0, 1, 1, std::numeric_limits<int>::max())}, oneScreen, 74);
    ASSERT_EQ(huge.size(), 8u);
    EXPECT_EQ(huge.back().tiles.size(), 1u) << "drawn on the last screen drawn";

    std::vector<QSizeF> ten(10, QSizeF(1920, 1080));
    EXPECT_EQ(G::layout({at(0, 0, 1, 1, 9)}, ten, 74).size(), 10u) << "every connected one can be used";
}

TEST(SetupThumbnailTilesTest, framesMapIntoTheTileAreaWithTheOriginFlipped) {
    const auto full = G::layout({at(0, 0, 1, 1)}, oneScreen, 74)[0].tiles[0].rect;
    EXPECT_NEAR(full.x(), 3, 1e-9);
    EXPECT_NEAR(full.y(), 3, 1e-9);
    EXPECT_NEAR(full.width(), areaW, 1e-9);
    EXPECT_NEAR(full.height(), areaH, 1e-9);

    const auto left = G::layout({at(0, 0, 0.5, 1)}, oneScreen, 74)[0].tiles[0].rect;
    EXPECT_NEAR(left.x(), 3, 1e-9);
    EXPECT_NEAR(left.width(), areaW / 2, 1e-9);

    // ry 0 is the bottom of the display: the lower half of the miniature.
    const auto bottom = G::layout({at(0, 0, 1, 0.5)}, oneScreen, 74)[0].tiles[0].rect;
    EXPECT_NEAR(bottom.y(), 3 + areaH / 2, 1e-9);
    EXPECT_NEAR(bottom.bottom(), 3 + areaH, 1e-9);
    const auto top = G::layout({at(0, 0.5, 1, 0.5)}, oneScreen, 74)[0].tiles[0].rect;
    EXPECT_NEAR(top.y(), 3, 1e-9);
}

TEST(SetupThumbnailTilesTest, tilesAndIconsKeepTheirLimits) {
    const auto tiny = G::layout({at(0.5, 0.5, 0.001, 0.001)}, oneScreen, 74)[0].tiles[0];
    EXPECT_DOUBLE_EQ(tiny.rect.width(), 8);
    EXPECT_DOUBLE_EQ(tiny.rect.height(), 8);
    EXPECT_DOUBLE_EQ(tiny.iconSize, 9) << "raised to the minimum, overflowing the tile";
    EXPECT_NEAR(tiny.barHeight, 8 * 0.16, 1e-9);

    const auto big = G::layout({at(0, 0, 1, 1)}, {QSizeF(1000, 1000)}, 300)[0].tiles[0];
    EXPECT_DOUBLE_EQ(big.iconSize, 22);
    EXPECT_DOUBLE_EQ(big.barHeight, 3.5);
    EXPECT_NEAR(G::iconSize(30, 20), 20 * 0.52, 1e-9);

    const auto nan = std::numeric_limits<double>::quiet_NaN();
    const auto broken = G::layout({at(nan, nan, nan, nan)}, oneScreen, 74)[0].tiles[0].rect;
    EXPECT_TRUE(std::isfinite(broken.x()) && std::isfinite(broken.y()));
    EXPECT_DOUBLE_EQ(broken.width(), 8);
}

TEST(SetupThumbnailTilesTest, webPagesAreMarkedAndLaterItemsDrawnLast) {
    SetupItem page = at(0, 0, 1, 1, 0, SetupItemKind::url);
    page.bundleID = "firefox";
    const auto tiles = G::layout({at(0, 0, 0.5, 1), page}, oneScreen, 74)[0].tiles;
    ASSERT_EQ(tiles.size(), 2u);
    EXPECT_FALSE(tiles[0].web);
    EXPECT_TRUE(tiles[1].web);
    EXPECT_EQ(tiles[1].appID, "firefox");
}
