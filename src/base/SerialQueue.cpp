#include "base/SerialQueue.h"

#include "base/MainThread.h"
#include "base/WorkCompletion.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <pthread.h>
#include <vector>

namespace brisklet {

namespace {
std::string shortName(const std::string& label) {
    std::string name = label;
    const std::string prefix = "com.brisklet.";
    if (name.rfind(prefix, 0) == 0)
        name = "bk." + name.substr(prefix.size());
    if (name.size() > 15)
        name.resize(15);
    return name;
}
} // namespace

struct SerialQueue::State {
    struct Item {
        std::chrono::steady_clock::time_point due;
        std::uint64_t seq;
        Work work;
    };

    std::mutex mutex;
    std::condition_variable wake;
    std::vector<Item> items; // kept unsorted; picked by (due, seq)
    std::uint64_t nextSeq = 0;
    bool stopping = false;
    // One thread joins the worker; the others that stop the queue wait for it.
    bool joinTaken = false;
    bool joined = false;
    std::condition_variable joinedChanged;

    void run(const std::string& threadName);
};

SerialQueue::SerialQueue(std::string label, std::string threadName)
    : label_(std::move(label)), state_(std::make_shared<State>()) {
    if (threadName.empty())
        threadName = shortName(label_);
    if (threadName.size() > 15)
        threadName.resize(15);
    // Held until the worker's id is stored, which the worker then reads after it.
    std::unique_lock lock(state_->mutex);
    worker_ = std::thread([state = state_, threadName] { state->run(threadName); });
    workerId_ = worker_.get_id();
}

SerialQueue::~SerialQueue() {
    stop();
    // Destroyed by its own item, the worker can't be joined: it is let go and ends when
    // that item returns, keeping the state it shares alive till then.
    std::lock_guard lock(state_->mutex);
    if (!state_->joinTaken) {
        state_->joinTaken = true;
        state_->joined = true; // nobody is left to wait for it
        worker_.detach();
    }
}

bool SerialQueue::async(Work work) { return enqueue(std::chrono::steady_clock::now(), std::move(work)); }

bool SerialQueue::asyncAfter(double seconds, Work work) {
    auto delay = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(std::max(0.0, seconds)));
    return enqueue(std::chrono::steady_clock::now() + delay, std::move(work));
}

bool SerialQueue::enqueue(std::chrono::steady_clock::time_point due, Work work) {
    if (!work)
        return false;
    {
        std::lock_guard lock(state_->mutex);
        if (state_->stopping)
            return false;
        state_->items.push_back(State::Item{due, state_->nextSeq++, std::move(work)});
    }
    state_->wake.notify_one();
    return true;
}

bool SerialQueue::sync(const Work& work) {
    if (isCurrent()) {
        work();
        return true;
    }
    // Waits until the item has run or has been dropped by stop().
    auto completion = std::make_shared<WorkCompletion>();
    if (!async(completion->item(work)))
        return false;
    return completion->wait();
}

void SerialQueue::stop() {
    // Kept alive while this call waits, should the thread it waits for end the queue.
    const std::shared_ptr<State> keep = state_;
    State& state = *keep;
    std::vector<State::Item> dropped;
    {
        std::lock_guard lock(state.mutex);
        state.stopping = true;
        dropped.swap(state.items);
    }
    state.wake.notify_all();
    dropped.clear(); // destroy captured state outside the lock
    if (isCurrent())
        return;
    // At quit the main thread waits here after its event loop has ended: a running
    // item that hops to it would wait for ever, so such hops give up.
    MainThread::WaitingScope waiting;
    std::unique_lock lock(state.mutex);
    if (state.joinTaken) {
        state.joinedChanged.wait(lock, [&] { return state.joined; });
        return;
    }
    state.joinTaken = true;
    lock.unlock();
    worker_.join();
    lock.lock();
    state.joined = true;
    state.joinedChanged.notify_all();
}

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == workerId_; }

void SerialQueue::State::run(const std::string& threadName) {
    pthread_setname_np(pthread_self(), threadName.c_str());
    std::unique_lock lock(mutex);
    for (;;) {
        if (stopping)
            return;
        if (items.empty()) {
            wake.wait(lock);
            continue;
        }
        auto next = std::min_element(items.begin(), items.end(), [](const Item& a, const Item& b) {
            return a.due != b.due ? a.due < b.due : a.seq < b.seq;
        });
        auto now = std::chrono::steady_clock::now();
        if (next->due > now) {
            wake.wait_until(lock, next->due);
            continue;
        }
        Work work = std::move(next->work);
        items.erase(next);
        lock.unlock();
        work();
        work = nullptr;
        lock.lock();
    }
}

} // namespace brisklet
