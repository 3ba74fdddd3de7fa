#include "base/SerialQueue.h"

#include "base/MainThread.h"
#include "base/WorkCompletion.h"

#include <algorithm>
#include <pthread.h>

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

SerialQueue::SerialQueue(std::string label, std::string threadName)
    : label_(std::move(label)), threadName_(threadName.empty() ? shortName(label_) : std::move(threadName)) {
    if (threadName_.size() > 15)
        threadName_.resize(15);
    std::unique_lock lock(mutex_);
    worker_ = std::thread([this] { run(); });
    workerId_ = worker_.get_id();
}

SerialQueue::~SerialQueue() { stop(); }

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
        std::lock_guard lock(mutex_);
        if (stopping_)
            return false;
        items_.push_back(Item{due, nextSeq_++, std::move(work)});
    }
    wake_.notify_one();
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
    std::vector<Item> dropped;
    {
        std::lock_guard lock(mutex_);
        if (stopping_ && !worker_.joinable())
            return;
        stopping_ = true;
        dropped.swap(items_);
    }
    wake_.notify_all();
    dropped.clear(); // destroy captured state outside the lock
    if (worker_.joinable()) {
        if (isCurrent()) {
            worker_.detach();
        } else {
            // At quit the main thread waits here after its event loop has ended: a
            // running item that hops to it would wait for ever, so such hops give up.
            MainThread::WaitingScope waiting;
            worker_.join();
        }
    }
}

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == workerId_; }

void SerialQueue::run() {
    pthread_setname_np(pthread_self(), threadName_.c_str());
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_)
            return;
        if (items_.empty()) {
            wake_.wait(lock);
            continue;
        }
        auto next = std::min_element(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
            return a.due != b.due ? a.due < b.due : a.seq < b.seq;
        });
        auto now = std::chrono::steady_clock::now();
        if (next->due > now) {
            wake_.wait_until(lock, next->due);
            continue;
        }
        Work work = std::move(next->work);
        items_.erase(next);
        lock.unlock();
        work();
        work = nullptr;
        lock.lock();
    }
}

} // namespace brisklet
