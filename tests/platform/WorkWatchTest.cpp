#include "platform/linux/speech/WorkWatch.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <optional>
#include <thread>

#include <time.h>

using namespace brisklet;
using platform::RecognitionRequest;
using platform::WorkWatch;

namespace {

double processorSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

} // namespace

// A decoder call that runs for seconds on a loaded machine says nothing until it
// returns: the watch tells the window it is working as long as its thread is given
// the processor, and tells it nothing while the thread waits, which is standing still.
TEST(WorkWatch, marksProgressWhileTheWatchedThreadWorksAndNoneWhileItWaits) {
    SerialQueue queue("com.brisklet.test.watch", "bk.test.watch");
    auto request = std::make_shared<RecognitionRequest>();
    {
        const WorkWatch watch(queue, request, 0.02);
        // At least a third of a second of this thread's own processor time, and on until
        // the watch has marked twice or ten seconds have passed: a loaded machine may give
        // the watch's thread its turns late.
        const double from = processorSeconds();
        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        volatile double sink = 0;
        while (processorSeconds() - from < 0.3 ||
               (request->progress() < 2 && std::chrono::steady_clock::now() < limit))
            for (int i = 0; i < 10000; ++i)
                sink = sink + i;
    }
    EXPECT_GE(request->progress(), 2u) << "a thread at work marked no progress";

    auto waiting = std::make_shared<RecognitionRequest>();
    {
        const WorkWatch watch(queue, waiting, 0.02);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    // At most the moment before the thread began to wait.
    EXPECT_LE(waiting->progress(), 1u) << "a waiting thread was taken for one at work";

    // Once the watch has ended, nothing more is marked.
    const std::size_t marked = request->progress();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(request->progress(), marked);
}

// A window's work runs on more than one thread: the watch marks while another thread
// it watches works, and marks nothing for its own thread waiting for that work, even
// as it wakes now and then to look in on it.
TEST(WorkWatch, marksWhileAnotherWatchedThreadWorksAndNothingForItsOwnWaiting) {
    SerialQueue queue("com.brisklet.test.watch", "bk.test.watch");
    SerialQueue other("com.brisklet.test.other", "bk.test.other");
    std::optional<clockid_t> clock;
    other.sync([&] { clock = WorkWatch::clockOfThisThread(); });
    ASSERT_TRUE(clock);
    // This thread waits for `work` to be done, looking in every 10 ms.
    const auto waitFor = [&](const std::shared_ptr<RecognitionRequest>& request, SerialQueue::Work work) {
        const WorkWatch watch(queue, request, {*clock}, 0.02);
        const WorkWatch::Waiting waiting(watch);
        std::promise<void> done;
        auto future = done.get_future();
        other.async([&] {
            work();
            done.set_value();
        });
        while (future.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) {
        }
    };

    auto working = std::make_shared<RecognitionRequest>();
    waitFor(working, [] {
        const double from = processorSeconds();
        volatile double sink = 0;
        while (processorSeconds() - from < 0.3)
            for (int i = 0; i < 10000; ++i)
                sink = sink + i;
    });
    EXPECT_GE(working->progress(), 2u) << "the other thread at work marked no progress";

    other.sync([] {});
    auto idle = std::make_shared<RecognitionRequest>();
    waitFor(idle, [] { std::this_thread::sleep_for(std::chrono::milliseconds(300)); });
    // At most the moments the other thread went to sleep and woke.
    EXPECT_LE(idle->progress(), 2u) << "looking in on a thread that waits was taken for work";
}
