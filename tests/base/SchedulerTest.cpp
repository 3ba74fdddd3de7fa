#include "base/Scheduler.h"
#include "base/QtScheduler.h"
#include "base/RepeatingTimer.h"
#include "support/FakeScheduler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

#include <thread>

using namespace brisklet;
using brisklet::test::FakeClock;
using brisklet::test::FakeScheduler;

TEST(FakeScheduler, runsDueWorkInTimeOrderWithTheClockAtEachDueTime) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    std::vector<std::pair<std::string, double>> ran;
    const double start = clock.now();
    scheduler.schedule(0.35, [&] { ran.emplace_back("b", clock.now() - start); });
    scheduler.schedule(0.12, [&] { ran.emplace_back("a", clock.now() - start); });
    scheduler.schedule(30, [&] { ran.emplace_back("c", clock.now() - start); });
    scheduler.advance(0.11);
    EXPECT_TRUE(ran.empty());
    scheduler.advance(1.0);
    ASSERT_EQ(ran.size(), 2u);
    EXPECT_EQ(ran[0].first, "a");
    EXPECT_NEAR(ran[0].second, 0.12, 1e-9);
    EXPECT_EQ(ran[1].first, "b");
    EXPECT_NEAR(ran[1].second, 0.35, 1e-9);
    EXPECT_NEAR(clock.now() - start, 1.11, 1e-9);
    EXPECT_EQ(scheduler.pendingCount(), 1u);
}

TEST(FakeScheduler, cancelledWorkNeverRunsAndWorkMayScheduleMore) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    int ran = 0;
    auto token = scheduler.schedule(1, [&] { ran += 100; });
    scheduler.schedule(0.5, [&] {
        ++ran;
        scheduler.schedule(0.2, [&] { ran += 10; });
    });
    scheduler.cancel(token);
    scheduler.advance(2);
    EXPECT_EQ(ran, 11);
}

TEST(PendingWork, aNewerRequestCancelsTheOlder) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    std::vector<int> ran;
    {
        PendingWork work(scheduler);
        work.schedule(0.5, [&] { ran.push_back(1); });
        scheduler.advance(0.3);
        work.schedule(0.5, [&] { ran.push_back(2); });
        EXPECT_TRUE(work.isPending());
        scheduler.advance(0.3);
        EXPECT_TRUE(ran.empty());
        scheduler.advance(0.3);
        EXPECT_EQ(ran, std::vector<int>{2});
        EXPECT_FALSE(work.isPending());
        work.schedule(1, [&] { ran.push_back(3); });
    } // destroyed while pending: cancelled
    scheduler.advance(5);
    EXPECT_EQ(ran, std::vector<int>{2});
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST(RepeatingTimer, ticksEveryIntervalUntilStopped) {
    FakeClock clock;
    FakeScheduler scheduler(clock);
    int ticks = 0;
    RepeatingTimer timer(scheduler, 30, [&] { ++ticks; });
    timer.start(5);
    scheduler.advance(4.9);
    EXPECT_EQ(ticks, 0);
    scheduler.advance(0.1);
    EXPECT_EQ(ticks, 1);
    scheduler.advance(60);
    EXPECT_EQ(ticks, 3);
    timer.stop();
    scheduler.advance(300);
    EXPECT_EQ(ticks, 3);
}

TEST(MainScheduler, runsOnQtTimersAndHonoursCancel) {
    Scheduler& scheduler = Scheduler::main();
    int ran = 0;
    scheduler.schedule(0.01, [&] { ran += 1; });
    auto cancelled = scheduler.schedule(0.02, [&] { ran += 100; });
    scheduler.cancel(cancelled);
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(ran, 1);
}

TEST(MainScheduler, remembersOnlyCancellationsOfWorkStillOnItsWay) {
    QtScheduler scheduler;
    int ran = 0;
    const auto fired = scheduler.schedule(0, [&] { ran += 1; });
    QElapsedTimer t;
    t.start();
    while (ran == 0 && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_EQ(ran, 1);
    scheduler.cancel(fired);
    scheduler.cancel(fired + 1000); // never handed out
    EXPECT_EQ(scheduler.rememberedCancellations(), 0u) << "finished and unknown tokens are forgotten";

    // Scheduled from another thread: cancelled before the main thread arms it.
    Scheduler::Token token = 0;
    std::thread([&] { token = scheduler.schedule(0, [&] { ran += 100; }); }).join();
    scheduler.cancel(token);
    EXPECT_EQ(scheduler.rememberedCancellations(), 1u);
    t.restart();
    while (t.elapsed() < 100)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(ran, 1);
    EXPECT_EQ(scheduler.rememberedCancellations(), 0u);
}
