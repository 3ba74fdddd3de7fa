#include "base/PendingWork.h"

namespace brisklet {

void PendingWork::schedule(double seconds, std::function<void()> work) {
    cancel();
    const auto generation = ++generation_;
    token_ = scheduler_.schedule(seconds, [this, generation, work = std::move(work)] {
        if (generation != generation_)
            return;
        token_ = 0;
        work();
    });
}

void PendingWork::cancel() {
    if (token_ != 0) {
        scheduler_.cancel(token_);
        token_ = 0;
    }
    ++generation_;
}

} // namespace brisklet
