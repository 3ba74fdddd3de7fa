#include "base/SerialQueue.h"

#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using brisklet::SerialQueue;

TEST(SerialQueue, runsWorkInOrderOnOneThread) {
    SerialQueue queue("com.brisklet.test");
    std::mutex m;
    std::vector<int> order;
    std::set<std::thread::id> threads;
    for (int i = 0; i < 200; ++i)
        queue.async([&, i] {
            std::lock_guard lock(m);
            order.push_back(i);
            threads.insert(std::this_thread::get_id());
        });
    queue.sync([] {});
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_EQ(threads.size(), 1u);
    EXPECT_EQ(threads.count(std::this_thread::get_id()), 0u);
}

TEST(SerialQueue, delayedWorkWaitsForItsTimeWithoutBlockingOthers) {
    SerialQueue queue("com.brisklet.test");
    std::mutex m;
    std::vector<std::string> order;
    queue.asyncAfter(0.15, [&] {
        std::lock_guard lock(m);
        order.push_back("late");
    });
    queue.async([&] {
        std::lock_guard lock(m);
        order.push_back("now");
    });
    queue.asyncAfter(0.05, [&] {
        std::lock_guard lock(m);
        order.push_back("soon");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    queue.sync([] {});
    EXPECT_EQ(order, (std::vector<std::string>{"now", "soon", "late"}));
}

TEST(SerialQueue, syncFromTheQueueItselfRunsInlineInsteadOfDeadlocking) {
    SerialQueue queue("com.brisklet.test");
    std::atomic<int> steps = 0;
    queue.sync([&] {
        EXPECT_TRUE(queue.isCurrent());
        queue.sync([&] { ++steps; });
        ++steps;
    });
    EXPECT_EQ(steps, 2);
    EXPECT_FALSE(queue.isCurrent());
}

TEST(SerialQueue, stopDropsPendingWorkAndRefusesMore) {
    SerialQueue queue("com.brisklet.test");
    std::atomic<int> ran = 0;
    std::atomic<bool> release = false;
    std::atomic<bool> started = false;
    queue.async([&] {
        started = true;
        while (!release)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ++ran;
    });
    for (int i = 0; i < 10; ++i)
        queue.async([&] { ++ran; });
    while (!started)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::thread stopper([&] { queue.stop(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    release = true;
    stopper.join();
    EXPECT_EQ(ran, 1); // the running item finished, the queued ones were dropped
    EXPECT_FALSE(queue.async([&] { ++ran; }));
    EXPECT_FALSE(queue.sync([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
}
