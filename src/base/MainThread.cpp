#include "base/MainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

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
    QMetaObject::invokeMethod(app, [&work] { work(); }, Qt::BlockingQueuedConnection);
}

} // namespace brisklet::MainThread
