#include "windows/WindowMatching.h"
#include "windows/OverlapDetection.h"

#include <gtest/gtest.h>

using namespace brisklet;
using WindowMatching::LiveWindow;
using WindowMatching::Pair;

namespace {
LiveWindow win(const char* title, double x, double y, double w = 800, double h = 600) {
    return {QString::fromUtf8(title), QRectF(x, y, w, h)};
}
} // namespace

TEST(WindowMatching, pairsByExactTitleWhateverTheAppsOrder) {
    const auto pairs =
        WindowMatching::pair({win("Calendar", 0, 0), win("Inbox", 10, 10)}, {"Inbox", "Calendar"});
    EXPECT_EQ(pairs, (std::vector<Pair>{{1, 0}, {0, 1}}));
}

TEST(WindowMatching, titlesAreComparedExactly) {
    // Case and blanks count: neither window matches by title, so reading order decides.
    const auto pairs = WindowMatching::pair({win("inbox", 0, 200), win("Inbox ", 0, 100)}, {"Inbox"});
    EXPECT_EQ(pairs, (std::vector<Pair>{{1, 0}}));
}

TEST(WindowMatching, firstOfTwoSameTitledWindowsTakesTheSlot) {
    const auto pairs =
        WindowMatching::pair({win("Notes", 0, 300), win("Notes", 0, 100)}, {"Notes", "Something else"});
    EXPECT_EQ(pairs, (std::vector<Pair>{{0, 0}, {1, 1}}));
}

TEST(WindowMatching, handsOutTheRestInReadingOrder) {
    const auto pairs =
        WindowMatching::pair({win("", 500, 100), win("", 0, 100), win("", 0, 50)}, {"A", "B", "C"});
    EXPECT_EQ(pairs, (std::vector<Pair>{{2, 0}, {1, 1}, {0, 2}}));
}

TEST(WindowMatching, titleMatchesComeBeforeReadingOrderPairs) {
    const auto pairs = WindowMatching::pair({win("x", 0, 0), win("Mail", 0, 500)}, {"gone", "Mail"});
    EXPECT_EQ(pairs, (std::vector<Pair>{{1, 1}, {0, 0}}));
}

TEST(WindowMatching, leftoversOnEitherSideAreAbsent) {
    EXPECT_EQ(WindowMatching::pair({win("", 0, 0)}, {"a", "b", "c"}), (std::vector<Pair>{{0, 0}}));
    EXPECT_EQ(WindowMatching::pair({win("", 0, 0), win("", 0, 10)}, {}), std::vector<Pair>{});
    EXPECT_EQ(WindowMatching::pair({}, {"a"}), std::vector<Pair>{});
}

namespace {
struct OverlapCase {
    const char* what;
    QRectF a;
    int displayA;
    QRectF b;
    int displayB;
    bool reported;
};
} // namespace

TEST(OverlapDetection, reportsOnlyHeavyOverlapsOnOneDisplay) {
    const OverlapCase cases[] = {
        {"offset by 100: 700 x 600 of 800 x 600", {0, 0, 800, 600}, 0, {100, 0, 800, 600}, 0, true},
        {"same windows, different displays", {0, 0, 800, 600}, 0, {100, 0, 800, 600}, 1, false},
        {"intersection 20 wide", {0, 0, 800, 600}, 0, {780, 0, 800, 600}, 0, false},
        {"intersection 24 wide is enough", {0, 0, 40, 600}, 0, {16, 0, 800, 600}, 0, true},
        {"exactly a quarter is not reported", {0, 0, 400, 400}, 0, {200, 200, 400, 400}, 0, false},
        {"just over a quarter", {0, 0, 400, 400}, 0, {199, 200, 400, 400}, 0, true},
        {"edges that only touch", {0, 0, 400, 400}, 0, {400, 0, 400, 400}, 0, false},
        {"zero width never takes part", {100, 100, 0, 400}, 0, {0, 0, 800, 800}, 0, false},
        {"ratio of the smaller window", {0, 0, 2000, 2000}, 0, {100, 100, 200, 200}, 0, true},
    };
    for (const auto& c : cases) {
        const QUuid ida = QUuid::createUuid();
        const QUuid idb = QUuid::createUuid();
        const auto pairs =
            OverlapDetection::messyPairs({{ida, c.a, c.displayA}, {idb, c.b, c.displayB}}, 0.25, 24);
        EXPECT_EQ(!pairs.empty(), c.reported) << c.what;
        if (!pairs.empty()) {
            EXPECT_EQ(pairs.front(), std::make_pair(ida, idb)) << c.what;
        }
    }
}

TEST(OverlapDetection, pairsComeInInputOrderOncePerPair) {
    const QUuid a = QUuid::createUuid(), b = QUuid::createUuid(), c = QUuid::createUuid();
    const QRectF r(0, 0, 500, 500);
    const auto pairs = OverlapDetection::messyPairs({{a, r, 0}, {b, r, 0}, {c, r, 0}}, 0.25, 24);
    const std::vector<std::pair<QUuid, QUuid>> expected{{a, b}, {a, c}, {b, c}};
    EXPECT_EQ(pairs, expected);
}
