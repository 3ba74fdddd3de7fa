#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

namespace brisklet {

// A caller waiting for work that it handed to another thread: until the work has
// run, or was dropped unrun with its queue, or the caller was let go. The first
// word counts: work that ran is never taken back, nor the reverse. Make it with
// std::make_shared: the queued item keeps it alive after the caller has gone.
class WorkCompletion final : public std::enable_shared_from_this<WorkCompletion> {
public:
    // The item to queue: it runs `work` unless the caller was let go first, and lets
    // the caller go when it is destroyed unrun. `work` must live until wait() returns.
    std::function<void()> item(const std::function<void()>& work);
    // Blocks until the work ran (true) or will not run (false).
    bool wait();
    // Lets the caller go before the work ran. Only the thread that runs the item may
    // call it, so it never overlaps the work.
    void letGo();

private:
    struct DropGuard;
    void finish(bool ran);

    std::mutex mutex_;
    std::condition_variable cv_;
    bool done_ = false;
    bool abandoned_ = false;
};

} // namespace brisklet
