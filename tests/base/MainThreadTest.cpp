#include "base/MainThread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QObject>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using namespace brisklet;

namespace {
void pumpUntil(const std::function<bool()>& done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}
} // namespace

TEST(MainThread, hopsFromAWorkerArriveOnTheMainThreadInOrder) {
    std::vector<int> order;
    bool allOnMain = true;
    std::thread worker([&] {
        EXPECT_FALSE(MainThread::isCurrent());
        for (int i = 0; i < 100; ++i)
            MainThread::post([&, i] {
                allOnMain = allOnMain && MainThread::isCurrent();
                order.push_back(i);
            });
    });
    worker.join();
    pumpUntil([&] { return order.size() == 100; });
    ASSERT_EQ(order.size(), 100u);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(order[i], i);
    EXPECT_TRUE(allOnMain);
}

TEST(MainThread, workForADestroyedContextIsDropped) {
    auto* context = new QObject;
    int ran = 0;
    std::thread worker([&] { MainThread::post(context, [&] { ++ran; }); });
    worker.join();
    delete context;
    MainThread::post([&] { ran += 10; });
    pumpUntil([&] { return ran >= 10; });
    EXPECT_EQ(ran, 10);
}

TEST(MainThread, runSyncWaitsForTheMainThread) {
    int value = 0;
    std::atomic<bool> done = false;
    std::thread worker([&] {
        MainThread::runSync([&] { value = MainThread::isCurrent() ? 7 : -1; });
        done = true;
    });
    pumpUntil([&] { return done.load(); });
    worker.join();
    EXPECT_EQ(value, 7);
    MainThread::runSync([&] { value = 8; }); // inline on the main thread
    EXPECT_EQ(value, 8);
}
