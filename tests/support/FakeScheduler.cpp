#include "support/FakeScheduler.h"

#include <algorithm>

namespace brisklet::test {

Scheduler::Token FakeScheduler::schedule(double seconds, std::function<void()> work) {
    std::lock_guard lock(mutex_);
    const Token token = ++next_;
    items_.emplace(std::make_pair(clock_.now() + std::max(0.0, seconds), token), std::move(work));
    return token;
}

void FakeScheduler::cancel(Token token) {
    std::lock_guard lock(mutex_);
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if (it->first.second == token) {
            items_.erase(it);
            return;
        }
    }
}

void FakeScheduler::advance(double seconds) {
    const double end = clock_.now() + std::max(0.0, seconds);
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(mutex_);
            if (items_.empty() || items_.begin()->first.first > end)
                break;
            auto it = items_.begin();
            if (it->first.first > clock_.now())
                clock_.set(it->first.first);
            work = std::move(it->second);
            items_.erase(it);
        }
        work();
    }
    if (end > clock_.now())
        clock_.set(end);
}

size_t FakeScheduler::pendingCount() const {
    std::lock_guard lock(mutex_);
    return items_.size();
}

double FakeScheduler::nextDueIn() const {
    std::lock_guard lock(mutex_);
    if (items_.empty())
        return -1;
    return items_.begin()->first.first - clock_.now();
}

} // namespace brisklet::test
