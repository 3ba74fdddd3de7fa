#include "base/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace brisklet::MainThread {

bool isCurrent() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void post(std::function<void()> work) {
    auto* app = QCoreApplication::instance();
    if (!app || !work)
        return;
    QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

void post(const QObject* context, std::function<void()> work) {
    auto* app = QCoreApplication::instance();
    if (!app || !context || !work)
        return;
    // A context that lives on the main thread carries the call there and cancels it
    // when destroyed; one living elsewhere would run it on its own thread instead.
    if (context->thread() == app->thread()) {
        QMetaObject::invokeMethod(const_cast<QObject*>(context), std::move(work), Qt::QueuedConnection);
        return;
    }
    QPointer<const QObject> guard(context);
    QMetaObject::invokeMethod(
        app,
        [guard, work = std::move(work)] {
            if (guard)
                work();
        },
        Qt::QueuedConnection);
}

namespace {

// One hop waiting for the main thread. The work runs on the main thread, and only
// the main thread gives a hop up before it ran, so the two never overlap.
struct Hop {
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    bool abandoned = false;

    // The first word counts: a hop that ran is never taken back, nor the reverse.
    void finish(bool ran) {
        {
            std::lock_guard lock(mutex);
            if (done || abandoned)
                return;
            (ran ? done : abandoned) = true;
        }
        cv.notify_all();
    }
};

std::mutex hopsMutex;
std::vector<std::shared_ptr<Hop>> waitingHops;
int mainWaits = 0;

// Rides along with the posted call: when the call is dropped unrun (the application
// went first), its caller is let go instead of waiting.
struct DropGuard {
    std::shared_ptr<Hop> hop;
    explicit DropGuard(std::shared_ptr<Hop> h) : hop(std::move(h)) {}
    DropGuard(const DropGuard&) = delete;
    ~DropGuard() { hop->finish(false); }
};

} // namespace

bool runSync(const std::function<void()>& work) {
    if (!work)
        return false;
    if (isCurrent()) {
        work();
        return true;
    }
    auto* app = QCoreApplication::instance();
    if (!app)
        return false;
    auto hop = std::make_shared<Hop>();
    {
        std::lock_guard lock(hopsMutex);
        if (mainWaits > 0)
            return false;
        waitingHops.push_back(hop);
    }
    auto guard = std::make_shared<DropGuard>(hop);
    QMetaObject::invokeMethod(
        app,
        [hop, guard, &work] {
            {
                std::lock_guard lock(hop->mutex);
                if (hop->abandoned)
                    return; // the caller has gone: `work` is no more
            }
            work();
            hop->finish(true);
        },
        Qt::QueuedConnection);
    guard.reset();
    bool ran = false;
    {
        std::unique_lock lock(hop->mutex);
        hop->cv.wait(lock, [&] { return hop->done || hop->abandoned; });
        ran = hop->done;
    }
    std::lock_guard lock(hopsMutex);
    std::erase(waitingHops, hop);
    return ran;
}

WaitingScope::WaitingScope() {
    if (!isCurrent())
        return;
    active_ = true;
    std::vector<std::shared_ptr<Hop>> waiting;
    {
        std::lock_guard lock(hopsMutex);
        ++mainWaits;
        waiting = waitingHops;
    }
    for (const auto& hop : waiting)
        hop->finish(false);
}

WaitingScope::~WaitingScope() {
    if (!active_)
        return;
    std::lock_guard lock(hopsMutex);
    --mainWaits;
}

} // namespace brisklet::MainThread
