#include "platform/linux/speech/WorkWatch.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include <pthread.h>
#include <time.h>

namespace brisklet::platform {

struct WorkWatch::State {
    std::mutex mutex;
    std::condition_variable wake;
    bool ended = false;
};

namespace {

// Nanoseconds of processor time the thread of `clock` has had (-1: unknown).
std::int64_t used(clockid_t clock) {
    timespec ts{};
    if (clock_gettime(clock, &ts) != 0)
        return -1;
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

} // namespace

WorkWatch::WorkWatch(SerialQueue& queue, std::shared_ptr<RecognitionRequest> request, double interval)
    : state_(std::make_shared<State>()) {
    clockid_t clock;
    if (!request || pthread_getcpuclockid(pthread_self(), &clock) != 0)
        return;
    const auto every = std::chrono::duration<double>(interval);
    // The watch holds what it needs itself: it may start or wake after this object is gone.
    queue.async([state = state_, request = std::move(request), clock, every] {
        std::int64_t last = used(clock);
        std::unique_lock lock(state->mutex);
        while (!state->wake.wait_for(lock, every, [&] { return state->ended; })) {
            const std::int64_t now = used(clock);
            if (now != last && now >= 0) {
                last = now;
                request->markProgress();
            }
        }
    });
}

WorkWatch::~WorkWatch() {
    {
        std::lock_guard lock(state_->mutex);
        state_->ended = true;
    }
    state_->wake.notify_all();
}

} // namespace brisklet::platform
