#include "base/MainThread.h"

#include "base/WorkCompletion.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <algorithm>
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

// Hops waiting for the main thread. Their work runs on the main thread, and only
// the main thread lets a hop go before it ran, so the two never overlap.
std::mutex hopsMutex;
std::vector<std::shared_ptr<WorkCompletion>> waitingHops;
int mainWaits = 0;

} // namespace

void runSync(const std::function<void()>& work) {
    if (!work)
        return;
    if (isCurrent()) {
        work();
        return;
    }
    auto* app = QCoreApplication::instance();
    if (!app)
        return;
    auto hop = std::make_shared<WorkCompletion>();
    {
        std::lock_guard lock(hopsMutex);
        if (mainWaits > 0)
            return;
        waitingHops.push_back(hop);
    }
    QMetaObject::invokeMethod(app, hop->item(work), Qt::QueuedConnection);
    hop->wait();
    std::lock_guard lock(hopsMutex);
    std::erase(waitingHops, hop);
}

WaitingScope::WaitingScope() {
    if (!isCurrent())
        return;
    active_ = true;
    std::vector<std::shared_ptr<WorkCompletion>> waiting;
    {
        std::lock_guard lock(hopsMutex);
        ++mainWaits;
        waiting = waitingHops;
    }
    for (const auto& hop : waiting)
        hop->letGo();
}

WaitingScope::~WaitingScope() {
    if (!active_)
        return;
    std::lock_guard lock(hopsMutex);
    --mainWaits;
}

} // namespace brisklet::MainThread
