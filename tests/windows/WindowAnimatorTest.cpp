#include "windows/WindowEngine.h"
#include "support/AnimatorTimers.h"
#include "support/FakeDesktop.h"

#include <cmath>
#include <future>
#include <gtest/gtest.h>

using namespace brisklet;
using brisklet::test::FakeDesktop;

namespace {

struct Delivery {
    std::mutex mutex;
    std::vector<std::vector<bool>> results;
    std::vector<int> order;
    void add(int tag, std::vector<bool> r) {
        std::lock_guard lock(mutex);
        order.push_back(tag);
        results.push_back(std::move(r));
    }
    size_t count() {
        std::lock_guard lock(mutex);
        return results.size();
    }
};

bool waitFor(const std::function<bool()>& condition) {
    for (int i = 0; i < 2000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return condition();
}

class WindowAnimatorTest : public ::testing::Test {
protected:
    test::FakeClock clock;
    FakeDesktop desktop{clock};
    test::SteppedTimer frames{clock};
    std::unique_ptr<WindowEngine> engine;
    void SetUp() override {
        desktop.setDisplays({FakeDesktop::display(1, {0, 0, 1920, 1080})});
        engine = std::make_unique<WindowEngine>(desktop, nullptr, nullptr, clock, frames.timer());
    }
    WindowAnimator::Glide glide(platform::WindowId id, QRectF to) {
        return {id, 10, desktop.frameOf(id), to, true};
    }
};

} // namespace

TEST_F(WindowAnimatorTest, staggeredWindowsStartAndFinishOnTime) {
    std::vector<platform::WindowId> ids;
    for (int i = 0; i < 3; ++i)
        ids.push_back(desktop.addWindow(10, "editor", {0, 0, 400, 300}));
    const double start = clock.now();
    Delivery delivered;
    engine->animator().glide({glide(ids[0], {600, 300, 500, 400}), glide(ids[1], {600, 300, 500, 400}),
                              glide(ids[2], {600, 300, 500, 400})},
                             0.3, 0.05, [&](std::vector<bool> r) { delivered.add(0, r); });
    frames.runAll();
    ASSERT_EQ(delivered.count(), 1u);
    EXPECT_EQ(delivered.results[0], (std::vector<bool>{true, true, true}));
    double firstMove = -1, lastMove = 0;
    for (const auto& r : desktop.requests()) {
        EXPECT_TRUE(std::isfinite(r.frame.x()) && std::isfinite(r.frame.width()));
        if (r.window != ids[2])
            continue;
        if (firstMove < 0)
            firstMove = r.at - start;
        lastMove = r.at - start;
    }
    EXPECT_GT(firstMove, 0.1);
    EXPECT_LT(firstMove, 0.1 + 1.5 / 60);
    EXPECT_LT(lastMove, 0.4);
    EXPECT_NEAR(clock.now() - start, 0.4, 1.0 / 60);
    EXPECT_EQ(desktop.frameOf(ids[2]), QRectF(600, 300, 500, 400));
}

TEST_F(WindowAnimatorTest, aPositionOnlyGlideKeepsTheSizeUntilTheFinalSet) {
    const auto id = desktop.addWindow(10, "chromium", {0, 0, 400, 300});
    Delivery delivered;
    engine->animator().glide({{id, 10, {0, 0, 400, 300}, {600, 300, 800, 600}, false}}, 0.3, 0,
                             [&](std::vector<bool> r) { delivered.add(0, r); });
    frames.runAll();
    for (const auto& r : desktop.requests())
        EXPECT_EQ(r.frame.size(), QSizeF(400, 300));
    EXPECT_EQ(desktop.frameOf(id), QRectF(600, 300, 800, 600));
    EXPECT_EQ(delivered.count(), 1u);
}

TEST_F(WindowAnimatorTest, aNewerGlideSupersedesAndTheOlderCompletesFirst) {
    const auto a = desktop.addWindow(10, "editor", {0, 0, 400, 300});
    const auto b = desktop.addWindow(10, "editor", {0, 400, 400, 300});
    Delivery delivered;
    engine->animator().glide({glide(a, {1000, 0, 400, 300}), glide(b, {1000, 400, 400, 300})}, 0.3, 0.0,
                             [&](std::vector<bool> r) { delivered.add(1, r); });
    for (int i = 0; i < 9; ++i) // half way
        ASSERT_TRUE(frames.step());
    const QRectF halfway = desktop.frameOf(a);
    EXPECT_GT(halfway.x(), 0);
    EXPECT_LT(halfway.x(), 1000);
    engine->animator().glide({glide(b, {0, 700, 400, 300})}, 0.3, 0.0,
                             [&](std::vector<bool> r) { delivered.add(2, r); });
    frames.runAll();
    ASSERT_EQ(delivered.count(), 2u);
    EXPECT_EQ(delivered.order, (std::vector<int>{1, 2}));
    EXPECT_EQ(delivered.results[0], (std::vector<bool>{false, false}));
    EXPECT_EQ(delivered.results[1], (std::vector<bool>{true}));
    EXPECT_EQ(desktop.frameOf(a), halfway); // left where the last frame put it
    EXPECT_EQ(desktop.frameOf(b), QRectF(0, 700, 400, 300));
}

TEST_F(WindowAnimatorTest, anEmptyGlideStopsTheRunningOneAndCompletesAtOnce) {
    const auto a = desktop.addWindow(10, "editor", {0, 0, 400, 300});
    Delivery delivered;
    engine->animator().glide({glide(a, {1000, 0, 400, 300})}, 0.3, 0.0,
                             [&](std::vector<bool> r) { delivered.add(1, r); });
    ASSERT_TRUE(frames.step());
    engine->animator().glide({}, 0.3, 0.0, [&](std::vector<bool> r) { delivered.add(2, r); });
    ASSERT_TRUE(waitFor([&] { return delivered.count() == 2; }));
    frames.runAll(); // the stale frame does nothing
    EXPECT_EQ(delivered.order, (std::vector<int>{1, 2}));
    EXPECT_EQ(delivered.results[0], std::vector<bool>{false});
    EXPECT_TRUE(delivered.results[1].empty());
    EXPECT_EQ(delivered.count(), 2u);
}

TEST_F(WindowAnimatorTest, zeroDurationFinishesWindowsAsTheirStaggerComesWithoutBadFrames) {
    const auto a = desktop.addWindow(10, "editor", {0, 0, 400, 300});
    const auto b = desktop.addWindow(10, "editor", {0, 400, 400, 300});
    Delivery delivered;
    const double start = clock.now();
    engine->animator().glide({glide(a, {1000, 0, 400, 300}), glide(b, {1000, 400, 400, 300})}, 0, 0.05,
                             [&](std::vector<bool> r) { delivered.add(0, r); });
    ASSERT_TRUE(frames.step());
    EXPECT_EQ(desktop.frameOf(a), QRectF(1000, 0, 400, 300)); // at once
    frames.runAll();
    ASSERT_EQ(delivered.count(), 1u);
    EXPECT_EQ(delivered.results[0], (std::vector<bool>{true, true}));
    EXPECT_TRUE(desktop.requests().empty());
    EXPECT_LT(clock.now() - start, 0.05 + 1.5 / 60);
}

TEST_F(WindowAnimatorTest, destroyingTheAnimatorMidGlideDeliversItsCompletion) {
    const auto a = desktop.addWindow(10, "editor", {0, 0, 400, 300});
    Delivery delivered;
    {
        WindowAnimator animator(*engine, clock, frames.timer());
        animator.glide({glide(a, {1000, 0, 400, 300})}, 0.3, 0.0,
                       [&](std::vector<bool> r) { delivered.add(0, r); });
        ASSERT_TRUE(frames.step());
    }
    ASSERT_EQ(delivered.count(), 1u);
    EXPECT_EQ(delivered.results[0], std::vector<bool>{false});
}

TEST_F(WindowAnimatorTest, aWindowThatVanishesMidGlideEndsUnfitted) {
    const auto a = desktop.addWindow(10, "editor", {0, 0, 400, 300});
    const auto b = desktop.addWindow(10, "editor", {0, 400, 400, 300});
    Delivery delivered;
    engine->animator().glide({glide(a, {1000, 0, 400, 300}), glide(b, {1000, 400, 400, 300})}, 0.3, 0.0,
                             [&](std::vector<bool> r) { delivered.add(0, r); });
    ASSERT_TRUE(frames.step());
    desktop.remove(a);
    frames.runAll();
    ASSERT_EQ(delivered.count(), 1u);
    EXPECT_EQ(delivered.results[0], (std::vector<bool>{false, true}));
}

TEST(WindowAnimatorSizes, slowRepaintingAppsGlideByPositionOnly) {
    EXPECT_FALSE(WindowAnimator::animatesSizeSmoothly(QString("Com.Google.Chrome.Beta")));
    EXPECT_FALSE(WindowAnimator::animatesSizeSmoothly(QString("chromium")));
    EXPECT_FALSE(WindowAnimator::animatesSizeSmoothly(QString("code")));
    EXPECT_TRUE(WindowAnimator::animatesSizeSmoothly(QString("org.gnome.Terminal")));
    EXPECT_TRUE(WindowAnimator::animatesSizeSmoothly(std::nullopt));
}
