#include "platform/linux/X11Displays.h"

#include <gtest/gtest.h>

using namespace brisklet::platform;
using x11::Monitor;
using x11::Strut;

namespace {
const QRectF root(0, 0, 4480, 1440);
}

TEST(X11Displays, thePrimaryComesFirstAndDefinesTheOrigin) {
    // A 2560-wide primary to the right of a 1920-wide monitor that sits lower.
    const std::vector<Monitor> monitors = {{11, {0, 360, 1920, 1080}, false, "HDMI-1"},
                                           {12, {1920, 0, 2560, 1440}, true, "DP-1"}};
    QPointF origin;
    const auto displays = x11::arrange(monitors, root, {}, false, std::nullopt, &origin);
    ASSERT_EQ(displays.size(), 2u);
    EXPECT_EQ(displays[0].id, 12u);
    EXPECT_EQ(origin, QPointF(1920, 0));
    EXPECT_EQ(displays[0].frame, QRectF(0, 0, 2560, 1440));
    EXPECT_EQ(displays[1].frame, QRectF(-1920, 360, 1920, 1080));

    // Nothing flagged: the monitor at the root's origin.
    auto unflagged = monitors;
    unflagged[1].primary = false;
    EXPECT_EQ(x11::arrange(unflagged, root, {}, false, std::nullopt)[0].id, 11u);
}

TEST(X11Displays, identitiesAreUniqueAndNeverZeroAndThereIsAlwaysAScreen) {
    const auto displays = x11::arrange({{0, {0, 0, 100, 100}, true, "A"},
                                        {7, {100, 0, 100, 100}, false, "B"},
                                        {7, {200, 0, 100, 100}, false, "C"}},
                                       root, {}, false, std::nullopt);
    ASSERT_EQ(displays.size(), 3u);
    EXPECT_NE(displays[0].id, 0u);
    EXPECT_EQ(displays[1].id, 7u);
    EXPECT_NE(displays[2].id, 7u);
    EXPECT_NE(displays[2].id, displays[0].id);

    const auto none = x11::arrange({}, QRectF(0, 0, 1920, 1080), {}, false, std::nullopt);
    ASSERT_EQ(none.size(), 1u);
    EXPECT_EQ(none[0].id, 1u);
    EXPECT_EQ(none[0].frame, QRectF(0, 0, 1920, 1080));
    // Monitors without an area do not count.
    EXPECT_EQ(
        x11::arrange({{5, {0, 0, 0, 0}, true, "off"}}, QRectF(0, 0, 800, 600), {}, false, std::nullopt)[0].id,
        1u);
}

TEST(X11Displays, dockStrutsAreCutFromTheMonitorsTheyTouch) {
    const std::vector<Monitor> monitors = {{1, {0, 0, 1920, 1080}, true, "A"},
                                           {2, {1920, 0, 2560, 1440}, false, "B"}};
    // A 40-high panel along the bottom of the right monitor only (measured from the
    // root's bottom edge, which is that monitor's), and a left strut of 64 on the left one.
    std::vector<Strut> struts = x11::struts({0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 1920, 4479}, root);
    const auto left = x11::struts({64, 0, 0, 0, 0, 1079, 0, 0, 0, 0, 0, 0}, root);
    struts.insert(struts.end(), left.begin(), left.end());
    const auto displays = x11::arrange(monitors, root, struts, true, std::nullopt);
    EXPECT_EQ(displays[0].visibleFrame, QRectF(64, 0, 1920 - 64, 1080));
    EXPECT_EQ(displays[1].visibleFrame, QRectF(1920, 0, 2560, 1400));

    // The old four-value form spans whole edges.
    const auto old = x11::struts({0, 0, 30, 0}, root);
    ASSERT_EQ(old.size(), 1u);
    EXPECT_EQ(old[0].rect, QRectF(0, 0, 4480, 30));
    EXPECT_TRUE(x11::struts({1, 2}, root).empty());
}

TEST(X11Displays, withoutDocksTheWorkAreaLimitsEachMonitor) {
    const auto displays = x11::arrange({{1, {0, 0, 1920, 1080}, true, "A"}}, QRectF(0, 0, 1920, 1080), {},
                                       false, QRectF(0, 27, 1920, 1053));
    EXPECT_EQ(displays[0].visibleFrame, QRectF(0, 27, 1920, 1053));
}
