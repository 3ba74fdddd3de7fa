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

} // namespace brisklet
