#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace brisklet {

// A named serial queue: one worker thread runs the submitted work one item at a
// time, in submission order (delayed items when their time comes).
class SerialQueue final {
public:
    using Work = std::function<void()>;

    // `label` names the queue in logs ("com.brisklet.executor"); `threadName` is the
    // short thread name (Linux keeps at most 15 bytes). Empty: derived from the label.
    explicit SerialQueue(std::string label, std::string threadName = {});
    ~SerialQueue();

    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const { return label_; }

    // Queue work; returns false once the queue has been stopped.
    bool async(Work work);
    // Queue work to run no earlier than `seconds` from now (monotonic time).
    bool asyncAfter(double seconds, Work work);
    // Run work on the queue and wait for it. Called from the queue's own thread it
    // runs inline, so a queue item can never deadlock on itself. Returns false when
    // the queue has been stopped and the work did not run.
    bool sync(const Work& work);
    // Let the running item finish, drop what is still queued and join the thread.
    // Idempotent; the destructor calls it.
    void stop();

    bool isCurrent() const;

private:
    struct Item {
        std::chrono::steady_clock::time_point due;
        std::uint64_t seq;
        Work work;
    };
    void run();
    bool enqueue(std::chrono::steady_clock::time_point due, Work work);

    std::string label_;
    std::string threadName_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::vector<Item> items_; // kept unsorted; picked by (due, seq)
    std::uint64_t nextSeq_ = 0;
    bool stopping_ = false;
    std::thread::id workerId_;
    std::thread worker_;
};

} // namespace brisklet
