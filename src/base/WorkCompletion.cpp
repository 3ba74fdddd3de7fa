#include "base/WorkCompletion.h"

namespace brisklet {

// Rides along with the item: when the item is destroyed unrun (its queue went
// first), the caller is let go instead of waiting for ever.
struct WorkCompletion::DropGuard {
    std::shared_ptr<WorkCompletion> completion;
    explicit DropGuard(std::shared_ptr<WorkCompletion> c) : completion(std::move(c)) {}
    DropGuard(const DropGuard&) = delete;
    ~DropGuard() { completion->finish(false); }
};

std::function<void()> WorkCompletion::item(const std::function<void()>& work) {
    auto guard = std::make_shared<DropGuard>(shared_from_this());
    return [self = shared_from_this(), guard, &work] {
        {
            std::lock_guard lock(self->mutex_);
            if (self->abandoned_)
                return; // the caller has gone: `work` is no more
        }
        work();
        self->finish(true);
    };
}

bool WorkCompletion::wait() {
    std::unique_lock lock(mutex_);
    cv_.wait(lock, [this] { return done_ || abandoned_; });
    return done_;
}

void WorkCompletion::letGo() { finish(false); }

void WorkCompletion::finish(bool ran) {
    {
        std::lock_guard lock(mutex_);
        if (done_ || abandoned_)
            return;
        (ran ? done_ : abandoned_) = true;
    }
    cv_.notify_all();
}

} // namespace brisklet
