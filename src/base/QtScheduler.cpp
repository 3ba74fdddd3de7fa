#include "base/QtScheduler.h"

#include "base/MainThread.h"

#include <QCoreApplication>
#include <algorithm>

namespace brisklet {

QtScheduler::~QtScheduler() {
    // The timers are the application's children: gone already when it is.
    for (auto& [token, timer] : timers_)
        delete timer.data();
}

Scheduler::Token QtScheduler::schedule(double seconds, std::function<void()> work) {
    Token token;
    const bool here = MainThread::isCurrent();
    {
        std::lock_guard lock(mutex_);
        token = ++next_;
        if (!here)
            inFlight_.emplace(token, false);
    }
    if (here) {
        arm(token, seconds, std::move(work));
    } else {
        MainThread::post([this, token, seconds, work = std::move(work)]() mutable {
            {
                std::lock_guard lock(mutex_);
                const auto it = inFlight_.find(token);
                const bool cancelled = it != inFlight_.end() && it->second;
                if (it != inFlight_.end())
                    inFlight_.erase(it);
                if (cancelled)
                    return;
            }
            arm(token, seconds, std::move(work));
        });
    }
    return token;
}

void QtScheduler::arm(Token token, double seconds, std::function<void()> work) {
    auto* timer = new QTimer(QCoreApplication::instance());
    timer->setSingleShot(true);
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer, &QTimer::timeout, timer, [this, token, timer, work = std::move(work)] {
        timers_.erase(token);
        timer->deleteLater();
        work();
    });
    timers_[token] = timer;
    timer->start(std::max(0, static_cast<int>(seconds * 1000.0 + 0.5)));
}

void QtScheduler::cancel(Token token) {
    if (token == 0)
        return;
    if (!MainThread::isCurrent()) {
        MainThread::post([this, token] { cancel(token); });
        return;
    }
    auto it = timers_.find(token);
    if (it != timers_.end()) {
        it->second->stop();
        it->second->deleteLater();
        timers_.erase(it);
        return;
    }
    // Scheduled from another thread and not armed yet: drop it when it arrives.
    // A token that already ran, or was never handed out, needs nothing.
    std::lock_guard lock(mutex_);
    if (auto waiting = inFlight_.find(token); waiting != inFlight_.end())
        waiting->second = true;
}

std::size_t QtScheduler::rememberedCancellations() const {
    std::lock_guard lock(mutex_);
    return static_cast<std::size_t>(
        std::count_if(inFlight_.begin(), inFlight_.end(), [](const auto& entry) { return entry.second; }));
}

} // namespace brisklet
