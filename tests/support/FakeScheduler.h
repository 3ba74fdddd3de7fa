#pragma once

#include "base/Scheduler.h"
#include "support/FakeClock.h"

#include <map>
#include <mutex>

namespace brisklet::test {

// Delayed work on a fake clock: nothing runs until the test advances time, and
// then every item that falls due runs in time order, with the clock set to the
// item's due time while it runs.
class FakeScheduler final : public Scheduler {
public:
    explicit FakeScheduler(FakeClock& clock) : clock_(clock) {}

    Token schedule(double seconds, std::function<void()> work) override;
    void cancel(Token token) override;
    Clock& clock() override { return clock_; }

    // Move time forward by `seconds`, running whatever falls due on the way
    // (including work scheduled by that work).
    void advance(double seconds);
    // Run everything that is due now, without moving time.
    void runDue() { advance(0); }
    size_t pendingCount() const;
    // Seconds until the next item is due, or a negative number when none is pending.
    double nextDueIn() const;

private:
    FakeClock& clock_;
    mutable std::mutex mutex_;
    Token next_ = 0;
    std::map<std::pair<double, Token>, std::function<void()>> items_;
};

} // namespace brisklet::test
