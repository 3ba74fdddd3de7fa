#include "base/SerialQueue.h"
#include "support/WaitFor.h"

#include <atomic>
#include <gtest/gtest.h>
#include <memory>
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
    // The stop has begun once the queue refuses work; what it took before is dropped.
    EXPECT_TRUE(brisklet::test::waitFor([&] { return !queue.async([&] { ++ran; }); }));
    release = true;
    stopper.join();
    EXPECT_EQ(ran, 1); // the running item finished, the queued ones were dropped
    EXPECT_FALSE(queue.async([&] { ++ran; }));
    EXPECT_FALSE(queue.sync([&] { ++ran; }));
    EXPECT_EQ(ran, 1);
}

namespace {
// Blocks the queue's running item until released.
struct Gate {
    std::atomic<bool> started = false;
    std::atomic<bool> released = false;
    void waitForStart() const {
        while (!started)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    void pass() {
        started = true;
        while (!released)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
};
} // namespace

// Owners stop their queues at teardown while other threads, the queue's own worker
// among them, may be stopping it too: every stop returns once the running item is
// over, and none of them throws or crashes.
TEST(SerialQueue, stopsFromSeveralThreadsAtOnceAndFromItsOwnWorker) {
    for (int round = 0; round < 50; ++round) {
        auto queue = std::make_unique<SerialQueue>("com.brisklet.test");
        Gate gate;
        std::atomic<bool> itemDone = false;
        std::atomic<bool> stoppedItself = false;
        queue->async([&] {
            gate.pass();
            queue->stop();
            stoppedItself = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            itemDone = true;
        });
        gate.waitForStart();
        std::atomic<int> ready = 0;
        std::atomic<int> returnedEarly = 0;
        std::vector<std::thread> stoppers;
        for (int i = 0; i < 6; ++i)
            stoppers.emplace_back([&] {
                ++ready;
                while (ready < 6)
                    std::this_thread::yield();
                queue->stop();
                if (!itemDone)
                    ++returnedEarly;
            });
        while (ready < 6)
            std::this_thread::yield();
        gate.released = true;
        for (auto& stopper : stoppers)
            stopper.join();
        EXPECT_TRUE(stoppedItself);
        EXPECT_EQ(returnedEarly, 0) << "round " << round;
        EXPECT_FALSE(queue->async([] {}));
        queue->stop();
        queue.reset();
    }
}

// A queue its own item stops is still waited for when its owner stops it: the
// owner's teardown must not free what the item is still using.
TEST(SerialQueue, anOwnerStoppingAQueueThatStoppedItselfWaitsForTheRunningItem) {
    auto queue = std::make_unique<SerialQueue>("com.brisklet.test");
    Gate gate;
    std::atomic<bool> itemDone = false;
    queue->async([&] {
        queue->stop();
        gate.pass();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        itemDone = true;
    });
    gate.waitForStart();
    gate.released = true;
    queue.reset();
    EXPECT_TRUE(itemDone);
}

// An item may end what owns its queue; the worker, which can't wait for itself, then
// finishes without touching the queue that is gone.
TEST(SerialQueue, aQueueItsOwnItemDestroysFinishesCleanly) {
    for (int round = 0; round < 20; ++round) {
        auto queue = std::make_unique<SerialQueue>("com.brisklet.test");
        std::atomic<bool> destroyed = false;
        std::atomic<int> ranAfter = 0;
        Gate gate;
        queue->async([&] {
            gate.pass();
            queue.reset();
            destroyed = true;
        });
        queue->async([&] { ++ranAfter; });
        gate.released = true;
        while (!destroyed)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(ranAfter, 0) << "what was queued behind it is dropped with the queue";
    }
}
