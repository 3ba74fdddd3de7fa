#pragma once

#include "base/PendingWork.h"

#include <functional>

namespace brisklet {

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
