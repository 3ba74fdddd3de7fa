// The default browser is asked for off the main thread, at start and again with
// every refresh of the app index, and each answer arrives on the main thread.
#include "shell/DefaultBrowserWatch.h"

#include "base/MainThread.h"
#include "commands/AppIndex.h"

#include "support/FakeApps.h"
#include "support/FakeBrowserLauncher.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/FakeScheduler.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

struct Answers {
    std::vector<std::optional<platform::AppEntry>> seen;
    bool offMainThread = false;
};

} // namespace

TEST(DefaultBrowserWatchTest, answersArriveOnTheMainThreadAtStartAndWithEachRefresh) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    FakeDesktop desktop(clock);
    FakeApps apps(desktop);
    apps.setInstalled({{"chromium", "Chromium", "/c.desktop"}});
    FakeBrowserLauncher launcher(desktop, clock);
    Answers answers;
    DefaultBrowserWatch watch(
        &launcher, apps,
        [&](std::optional<platform::AppEntry> browser) {
            answers.offMainThread |= !MainThread::isCurrent();
            answers.seen.push_back(std::move(browser));
        },
        scheduler);

    watch.start();
    ASSERT_TRUE(waitFor([&] { return answers.seen.size() == 1; }));
    EXPECT_EQ(answers.seen[0], (platform::AppEntry{"chromium", "Chromium", "/c.desktop"}));

    launcher.defaultId = QString("org.example.Unlisted");
    scheduler.advance(AppIndex::refreshInterval - 1);
    QTest::qWait(30);
    EXPECT_EQ(answers.seen.size(), 1u) << "not before the interval";
    scheduler.advance(1);
    ASSERT_TRUE(waitFor([&] { return answers.seen.size() == 2; }));
    EXPECT_EQ(answers.seen[1], (platform::AppEntry{"org.example.Unlisted", "org.example.Unlisted", {}}))
        << "a browser without a listed entry keeps its ID";

    launcher.defaultId.reset();
    watch.refresh();
    ASSERT_TRUE(waitFor([&] { return answers.seen.size() == 3; }));
    EXPECT_FALSE(answers.seen[2].has_value());
    EXPECT_FALSE(answers.offMainThread);
}

TEST(DefaultBrowserWatchTest, withoutALauncherNothingIsEverFound) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    FakeDesktop desktop(clock);
    FakeApps apps(desktop);
    int calls = 0;
    {
        DefaultBrowserWatch watch(
            nullptr, apps, [&](auto) { ++calls; }, scheduler);
        watch.start();
        QTest::qWait(30);
    }
    EXPECT_EQ(calls, 0);
}

TEST(DefaultBrowserWatchTest, anAnswerAfterTheWatchIsGoneIsDropped) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    FakeDesktop desktop(clock);
    FakeApps apps(desktop);
    FakeBrowserLauncher launcher(desktop, clock);
    int calls = 0;
    {
        DefaultBrowserWatch watch(
            &launcher, apps, [&](auto) { ++calls; }, scheduler);
        watch.start();
    }
    QTest::qWait(50);
    EXPECT_EQ(calls, 0);
}
