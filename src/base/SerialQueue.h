#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace brisklet {

// A named serial queue: one worker thread runs the submitted work one item at a
// time, in submission order (delayed items when their time comes).
class SerialQueue final {
public:
    using Work = std::function<void()>;

    // `label` names the queue in logs ("com.brisklet.executor"); `threadName` is the
    // short thread name (Linux keeps at most 15 bytes). Empty: derived from the label.
    explicit SerialQueue(std::string label, std::string threadName = {});
    // Stops the queue. Destroyed by its own item, it lets the worker finish that item
    // on its own: the worker never touches the queue object after it.
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
    // Any thread, any number of times, several at once: each returns once the worker
    // has ended, except the worker itself, which can't wait for its own end and
    // returns at once (the queue ends when its item does).
    void stop();

    bool isCurrent() const;

private:
    struct State;
    bool enqueue(std::chrono::steady_clock::time_point due, Work work);

    std::string label_;
    // Shared with the worker, which uses nothing else of the queue.
    std::shared_ptr<State> state_;
    std::thread::id workerId_;
    std::thread worker_;
};

} // namespace brisklet
