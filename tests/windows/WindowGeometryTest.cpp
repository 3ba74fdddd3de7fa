#include "windows/WindowGeometry.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace brisklet;

namespace {

// A display of 1000 × 800 whose bottom-left corner is the origin; top-left space
// then has its origin at the same display's top-left corner.
const QRectF visible(0, 0, 1000, 800);
constexpr double H = 800;

} // namespace

TEST(DisplayGeometry, theFlipAndTheScreenOfARectangleFollowThePrimaryDisplay) {
    // The primary display is 1000 high; the second one reaches 200 above its top.
    const std::vector<Screen> screens = {{5, {0, 0, 1000, 1000}, {0, 0, 1000, 970}},
                                         {6, {1000, 0, 800, 1200}, {1000, 0, 800, 1200}}};
    EXPECT_DOUBLE_EQ(WindowGeometry::primaryHeight(screens), 1000);
    EXPECT_DOUBLE_EQ(WindowGeometry::primaryHeight({}), 0);
    const QRectF r(10, 20, 100, 50);
    EXPECT_EQ(WindowGeometry::flip(r, 1000), QRectF(10, 930, 100, 50));
    EXPECT_EQ(WindowGeometry::flip(WindowGeometry::flip(r, 1000), 1000), r);

    // Top-left y of -150 is above the primary: only the taller display has it.
    EXPECT_EQ(WindowGeometry::screen(QRectF(1100, -150, 100, 100), screens)->displayID, 6u);
    EXPECT_EQ(WindowGeometry::screen(QRectF(900, 100, 200, 100), screens)->displayID, 5u);
    EXPECT_FALSE(WindowGeometry::screen(QRectF(100, -150, 100, 100), screens).has_value());
    EXPECT_FALSE(WindowGeometry::screen(r, {}).has_value());
}

TEST(DisplayGeometry, theDesktopsOwnWindowsAreExcludedByClassOrInstance) {
    platform::WindowInfo window;
    window.wmInstance = QStringLiteral("editor");
    window.wmClass = QStringLiteral("Editor");
    EXPECT_FALSE(WindowGeometry::isExcludedOwner(window));
    window.wmClass = QStringLiteral("Plasmashell");
    EXPECT_TRUE(WindowGeometry::isExcludedOwner(window));
    window.wmClass = QStringLiteral("Panel");
    window.wmInstance = QStringLiteral("xfce4-panel");
    EXPECT_TRUE(WindowGeometry::isExcludedOwner(window));
    // A name that merely contains one is an ordinary window.
    window.wmInstance = QStringLiteral("conky-notes");
    EXPECT_FALSE(WindowGeometry::isExcludedOwner(window));
}

TEST(WindowMoveTargets, halvesMaximiseAndCentre) {
    const QRectF v(0, 25, 1440, 875);
    const QRectF current(100, 100, 800, 600);
    EXPECT_EQ(WindowGeometry::targetRect(WindowPosition::left, current, v), QRectF(6, 31, 711, 863));
    EXPECT_EQ(WindowGeometry::targetRect(WindowPosition::right, current, v), QRectF(723, 31, 711, 863));
    EXPECT_EQ(WindowGeometry::targetRect(WindowPosition::maximize, current, v), v);
    EXPECT_EQ(WindowGeometry::targetRect(WindowPosition::center, QRectF(0, 0, 2000, 300), v),
              QRectF(0, 25 + 875 / 2.0 - 150, 1440, 300));
}

TEST(WindowMoveTargets, nextDisplayWrapsLeftToRightAndKeepsTheRelativeSize) {
    const std::vector<Screen> screens = {{1, {0, 0, 1920, 1080}, {0, 0, 1920, 1080}},
                                         {2, {1440 + 480, 0, 2560, 1440}, {1920, 0, 2560, 1440}},
                                         {3, {-1920, 0, 1920, 1080}, {-1920, 0, 1920, 1080}}};
    // From the rightmost display to the leftmost.
    auto rect = WindowGeometry::nextDisplayRect(QRectF(2000, 100, 960, 540), screens[1], screens);
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ(*rect, QRectF(-1320, 337.5, 720, 405));
    // 960 × 540 on 1920 × 1080 becomes 1280 × 720 on 2560 × 1440, centred.
    rect = WindowGeometry::nextDisplayRect(QRectF(10, 10, 960, 540), screens[0], screens);
    EXPECT_EQ(*rect, QRectF(1920 + 1280 - 640, 720 - 360, 1280, 720));
    EXPECT_FALSE(
        WindowGeometry::nextDisplayRect(QRectF(10, 10, 960, 540), Screen{9, {}, {}}, screens).has_value());
}

TEST(SortGeometry, gridsFillRowsFromTheTopWithAShortLastRowOfWiderCells) {
    const auto one = WindowGeometry::gridCells(1, visible, H);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0], QRectF(6, 6, 988, 788));

    const auto four = WindowGeometry::gridCells(4, visible, H);
    ASSERT_EQ(four.size(), 4u);
    EXPECT_EQ(four[0], QRectF(6, 6, 491, 391));
    EXPECT_EQ(four[3], QRectF(503, 403, 491, 391));

    const auto five = WindowGeometry::gridCells(5, visible, H);
    ASSERT_EQ(five.size(), 5u);
    EXPECT_DOUBLE_EQ(five[0].width(), (1000 - 4 * 6) / 3.0);
    EXPECT_DOUBLE_EQ(five[3].width(), 491);
    EXPECT_DOUBLE_EQ(five[3].y(), five[4].y());
    EXPECT_GT(five[3].y(), five[2].y());

    const auto ten = WindowGeometry::gridCells(10, visible, H);
    ASSERT_EQ(ten.size(), 10u);
    // Rows of 4, 4 and 2.
    EXPECT_DOUBLE_EQ(ten[3].y(), ten[0].y());
    EXPECT_GT(ten[4].y(), ten[3].y());
    EXPECT_GT(ten[8].y(), ten[7].y());
    EXPECT_DOUBLE_EQ(ten[8].width(), 491);
    EXPECT_TRUE(WindowGeometry::gridCells(0, visible, H).empty());
}

TEST(SortGeometry, equalDistancesGoToTheLowerWindowThenTheLowerCell) {
    const std::vector<QRectF> cells = {QRectF(-5, -5, 10, 10), QRectF(5, -5, 10, 10)};
    const std::vector<QRectF> frames = {QRectF(0, -5, 10, 10), QRectF(0, -5, 10, 10)};
    const auto assigned = WindowGeometry::assignNearest(frames, cells);
    ASSERT_EQ(assigned.size(), 2u);
    EXPECT_EQ(assigned.at(0), cells[0]);
    EXPECT_EQ(assigned.at(1), cells[1]);

    // More windows than cells: the farthest window gets none.
    const auto fewer =
        WindowGeometry::assignNearest({QRectF(0, 0, 10, 10), QRectF(500, 0, 10, 10)}, {cells[0]});
    EXPECT_EQ(fewer.size(), 1u);
    EXPECT_TRUE(fewer.count(0));
}

TEST(SortGeometry, distributeFillsWaterlikeAndShrinksInProportion) {
    struct Case {
        double total;
        std::vector<double> mins;
        std::vector<double> expected;
    };
    const std::vector<Case> cases = {
        {100, {60, 10, 10}, {60, 20, 20}}, {50, {60, 40}, {30, 20}},
        {100, {50, 50}, {50, 50}},         {90, {0, 0, 0}, {30, 30, 30}},
        {120, {100, 10}, {100, 20}},       {-30, {0, 0}, {0, 0}}, // a screen smaller than its gaps
        {-30, {10, 20}, {0, 0}},           {0, {}, {}},
    };
    for (const auto& c : cases) {
        const auto sizes = WindowGeometry::distribute(c.total, c.mins);
        ASSERT_EQ(sizes.size(), c.expected.size()) << c.total;
        for (size_t i = 0; i < sizes.size(); ++i) {
            EXPECT_TRUE(std::isfinite(sizes[i]));
            EXPECT_NEAR(sizes[i], c.expected[i], 1e-9) << "total " << c.total << " item " << i;
        }
    }
}

TEST(SortGeometry, aWideWindowTakesAFlexibleNeighbourIntoItsRow) {
    // Usable width 1500 and height 1000.
    const QRectF v(0, 0, 1512, 1012);
    const auto cells =
        WindowGeometry::minAwareCells({QSizeF(800, 0), QSizeF(0, 0), QSizeF(0, 0)},
                                      {QPointF(100, 100), QPointF(500, 100), QPointF(900, 100)}, v, 1012);
    ASSERT_TRUE(cells.has_value());
    ASSERT_EQ(cells->size(), 3u);
    EXPECT_EQ((*cells)[0], QRectF(6, 6, 800, 497));
    EXPECT_EQ((*cells)[2], QRectF(812, 6, 694, 497));
    EXPECT_EQ((*cells)[1], QRectF(6, 509, 1500, 497));
}

TEST(SortGeometry, minimumsThatCannotFitGiveNothing) {
    const QRectF v(0, 0, 1012, 812);
    EXPECT_FALSE(WindowGeometry::minAwareCells({QSizeF(600, 500), QSizeF(600, 500)},
                                               {QPointF(0, 0), QPointF(0, 600)}, v, 812)
                     .has_value());
    EXPECT_FALSE(WindowGeometry::minAwareCells({QSizeF(10, 10)}, {}, v, 812).has_value());
    EXPECT_TRUE(WindowGeometry::minAwareCells({}, {}, v, 812)->empty());
    // A minimum wider than the display is clamped: the window fills its row.
    const auto wide = WindowGeometry::minAwareCells({QSizeF(5000, 0)}, {QPointF(0, 0)}, v, 812);
    ASSERT_TRUE(wide.has_value());
    EXPECT_EQ((*wide)[0], QRectF(6, 6, 1000, 800));
}

TEST(SortGeometry, aTinyScreenStillGivesFiniteCells) {
    const QRectF tiny(0, 0, 100, 50);
    const auto grid = WindowGeometry::gridCells(12, tiny, 50);
    ASSERT_EQ(grid.size(), 12u);
    for (const auto& c : grid) {
        EXPECT_TRUE(std::isfinite(c.x()) && std::isfinite(c.y()));
        EXPECT_GE(c.width(), 1);
        EXPECT_GE(c.height(), 1);
    }
    std::vector<QSizeF> mins(12, QSizeF(0, 0));
    mins[0] = QSizeF(30, 30);
    std::vector<QPointF> centers(12, QPointF(10, 10));
    if (auto cells = WindowGeometry::minAwareCells(mins, centers, tiny, 50))
        for (const auto& c : *cells) {
            EXPECT_TRUE(std::isfinite(c.width()) && std::isfinite(c.height()));
            EXPECT_GE(c.width(), 0);
            EXPECT_GE(c.height(), 0);
        }
}

TEST(SortGeometry, groupLayoutNamesTheAppsItTilesAroundOrCannotFitOnce) {
    WindowGeometry::Group group;
    group.visible = QRectF(0, 0, 1512, 1012);
    auto window = [](quint32 id, const QString& app, QRectF frame) {
        WindowRef w;
        w.windowID = id;
        w.element = id;
        w.appName = app;
        w.axFrame = frame;
        return w;
    };
    group.windows = {window(1, "Editor", {0, 0, 500, 400}), window(2, "Editor", {600, 0, 500, 400}),
                     window(3, "Terminal", {0, 500, 500, 400})};
    group.own = {{7, QRectF(600, 500, 500, 400), QSizeF(0, 0)}};

    // No minimum known: the plain grid, no names.
    QStringList around, unfit;
    auto cells = WindowGeometry::layoutGroup(group, {}, 1012, around, unfit);
    ASSERT_EQ(cells.size(), 4u);
    EXPECT_TRUE(around.isEmpty());
    EXPECT_TRUE(unfit.isEmpty());

    // Two wide editor windows fit around each other: named once.
    std::map<quint32, QSizeF> floors = {{1, QSizeF(900, 0)}, {2, QSizeF(900, 0)}};
    cells = WindowGeometry::layoutGroup(group, floors, 1012, around, unfit);
    EXPECT_EQ(around, QStringList{"Editor"});
    EXPECT_TRUE(unfit.isEmpty());
    EXPECT_GE(cells[0].width(), 900);
    EXPECT_GE(cells[1].width(), 900);

    // Heights that cannot all fit: the plain grid, and the names as unfit, once each.
    around.clear();
    group.own[0].minSize = QSizeF(0, 700);
    floors = {{1, QSizeF(0, 700)}, {2, QSizeF(0, 700)}};
    cells = WindowGeometry::layoutGroup(group, floors, 1012, around, unfit);
    EXPECT_TRUE(around.isEmpty());
    EXPECT_EQ(unfit, (QStringList{"Editor", "Brisklet"}));
    EXPECT_EQ(cells.size(), 4u);
}
