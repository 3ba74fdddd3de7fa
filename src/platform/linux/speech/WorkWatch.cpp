#include "platform/linux/speech/WorkWatch.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include <pthread.h>

namespace brisklet::platform {

struct WorkWatch::State {
    std::mutex mutex;
    std::condition_variable wake;
    bool ended = false;
    bool waiting = false; // the watch's own thread waits for the others
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

std::optional<clockid_t> WorkWatch::clockOfThisThread() {
    clockid_t clock;
    if (pthread_getcpuclockid(pthread_self(), &clock) != 0)
        return std::nullopt;
    return clock;
}

WorkWatch::WorkWatch(SerialQueue& queue, std::shared_ptr<RecognitionRequest> request, double interval)
    : WorkWatch(queue, std::move(request), {}, interval) {}

WorkWatch::WorkWatch(SerialQueue& queue, std::shared_ptr<RecognitionRequest> request,
                     std::vector<clockid_t> others, double interval)
    : state_(std::make_shared<State>()) {
    const auto own = clockOfThisThread();
    if (!request || !own)
        return;
    std::vector<clockid_t> clocks{*own};
    clocks.insert(clocks.end(), others.begin(), others.end());
    const auto every = std::chrono::duration<double>(interval);
    // The watch holds what it needs itself: it may start or wake after this object is gone.
    queue.async([state = state_, request = std::move(request), clocks = std::move(clocks), every] {
        std::vector<std::int64_t> last;
        for (const clockid_t clock : clocks)
            last.push_back(used(clock));
        std::unique_lock lock(state->mutex);
        while (!state->wake.wait_for(lock, every, [&] { return state->ended; })) {
            bool moved = false;
            for (std::size_t i = 0; i < clocks.size(); ++i) {
                const std::int64_t now = used(clocks[i]);
                if (now != last[i] && now >= 0) {
                    last[i] = now;
                    moved = moved || i > 0 || !state->waiting;
                }
            }
            if (moved)
                request->markProgress();
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

WorkWatch::Waiting::Waiting(const WorkWatch& watch) : watch_(watch) {
    std::lock_guard lock(watch_.state_->mutex);
    watch_.state_->waiting = true;
}

WorkWatch::Waiting::~Waiting() {
    std::lock_guard lock(watch_.state_->mutex);
    watch_.state_->waiting = false;
}

} // namespace brisklet::platform
