#pragma once

#include "base/Scheduler.h"

#include <cstdint>
#include <functional>

namespace brisklet {

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

} // namespace brisklet
