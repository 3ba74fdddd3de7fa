#pragma once

#include <QDeadlineTimer>
#include <QTest>
#include <gtest/gtest.h>

namespace brisklet::test {

// Runs the event loop until `done` holds or `ms` pass; whether it held. The suite's
// one waiting check: inside ASSERT_TRUE (or EXPECT_TRUE) a wait that runs out fails
// its test, which Qt Test's own waiting macros never do under GoogleTest.
template <class Done> [[nodiscard]] bool waitFor(Done done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

// Starts an asynchronous call through `start(callback)` and waits for its result;
// fails the test unless exactly one comes, also after a short grace.
template <class Result, class Start> Result oneResult(Start start) {
    int calls = 0;
    Result result{};
    start([&](const Result& r) {
        ++calls;
        result = r;
    });
    EXPECT_TRUE(waitFor([&] { return calls > 0; }));
    QTest::qWait(20);
    EXPECT_EQ(calls, 1);
    return result;
}

} // namespace brisklet::test
