#pragma once

#include "base/Clock.h"

#include <cstdint>
#include <functional>

namespace brisklet {

// Cancellable delayed work on the main thread. The app uses Qt timers; tests use a
// fake scheduler on a fake clock, so every timing runs without sleeping.
class Scheduler {
public:
    using Token = std::uint64_t; // 0 means "nothing scheduled"

    virtual ~Scheduler() = default;
    // Run `work` on the main thread once `seconds` have passed. May be called from
    // any thread.
    virtual Token schedule(double seconds, std::function<void()> work) = 0;
    // Cancel work that has not run yet; unknown or finished tokens are ignored.
    virtual void cancel(Token token) = 0;
    virtual Clock& clock() = 0;

    // The app's scheduler over Qt timers and the system clock.
    static Scheduler& main();
};

// One pending work item of a kind: scheduling a newer one cancels the older, and
// destruction cancels what is still pending.
class PendingWork final {
public:
    explicit PendingWork(Scheduler& scheduler) : scheduler_(scheduler) {}
    ~PendingWork() { cancel(); }
    PendingWork(const PendingWork&) = delete;
    PendingWork& operator=(const PendingWork&) = delete;

    void schedule(double seconds, std::function<void()> work);
    void cancel();
    bool isPending() const { return token_ != 0; }

private:
    Scheduler& scheduler_;
    Scheduler::Token token_ = 0;
    std::uint64_t generation_ = 0;
};

// Work repeated every `interval` seconds on the main thread until stopped.
class RepeatingTimer final {
public:
    RepeatingTimer(Scheduler& scheduler, double interval, std::function<void()> tick)
        : pending_(scheduler), interval_(interval), tick_(std::move(tick)) {}
    // First tick after `firstDelay` seconds (negative: one interval).
    void start(double firstDelay = -1);
    void stop() { pending_.cancel(); }
    bool isRunning() const { return pending_.isPending(); }

private:
    void arm(double seconds);
    PendingWork pending_;
    double interval_;
    std::function<void()> tick_;
};

} // namespace brisklet
