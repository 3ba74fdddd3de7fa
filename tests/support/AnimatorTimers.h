#pragma once

#include "base/SerialQueue.h"
#include "windows/WindowAnimator.h"
#include "support/FakeClock.h"

#include <chrono>
#include <deque>
#include <mutex>
#include <thread>

namespace brisklet::test {

// Animation frames that run as fast as they can while the fake clock jumps to each
// frame's time: a glide of 0.3 s takes a few milliseconds.
inline WindowAnimator::Timer virtualTimeTimer(FakeClock& clock) {
    return [&clock](SerialQueue& queue, double seconds, std::function<void()> work) {
        queue.async([&clock, seconds, work = std::move(work)] {
            clock.advance(seconds);
            work();
        });
    };
}

// Animation frames that run only when the test steps them, one at a time, on the
// animator's queue.
class SteppedTimer {
public:
    explicit SteppedTimer(FakeClock& clock) : clock_(clock) {}

    WindowAnimator::Timer timer() {
        return [this](SerialQueue& queue, double seconds, std::function<void()> work) {
            std::lock_guard lock(mutex_);
            queue_ = &queue;
            items_.push_back({clock_.now() + seconds, std::move(work)});
        };
    }

    // Runs the next frame; false when none came within `waitSeconds`.
    bool step(double waitSeconds = 1.0) {
        Item item;
        SerialQueue* queue = nullptr;
        for (int i = 0; i < static_cast<int>(waitSeconds * 1000); ++i) {
            {
                std::lock_guard lock(mutex_);
                if (!items_.empty()) {
                    item = std::move(items_.front());
                    items_.pop_front();
                    queue = queue_;
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (!queue)
            return false;
        if (clock_.now() < item.due)
            clock_.set(item.due);
        queue->sync(item.work);
        return true;
    }

    // Steps until no frame is pending (at most `limit` frames); the number run.
    int runAll(int limit = 1000) {
        int n = 0;
        while (n < limit && step(0.2))
            ++n;
        return n;
    }

private:
    struct Item {
        double due = 0;
        std::function<void()> work;
    };
    FakeClock& clock_;
    std::mutex mutex_;
    std::deque<Item> items_;
    SerialQueue* queue_ = nullptr;
};

} // namespace brisklet::test
