#include "base/Scheduler.h"

#include "base/MainThread.h"

#include <QCoreApplication>
#include <QTimer>
#include <mutex>
#include <unordered_map>

namespace brisklet {

namespace {

class QtScheduler final : public Scheduler {
public:
    Token schedule(double seconds, std::function<void()> work) override {
        Token token;
        {
            std::lock_guard lock(mutex_);
            token = ++next_;
        }
        auto arm = [this, token, seconds, work = std::move(work)]() mutable {
            {
                std::lock_guard lock(mutex_);
                if (cancelled_.erase(token))
                    return;
            }
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
        };
        if (MainThread::isCurrent())
            arm();
        else
            MainThread::post(std::move(arm));
        return token;
    }

    void cancel(Token token) override {
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
        // Not armed yet (scheduled from another thread and still on its way).
        std::lock_guard lock(mutex_);
        if (token <= next_)
            cancelled_.insert({token, true});
    }

    Clock& clock() override { return Clock::system(); }

private:
    std::mutex mutex_;
    Token next_ = 0;
    std::unordered_map<Token, bool> cancelled_;
    std::unordered_map<Token, QTimer*> timers_; // main thread only
};

} // namespace

Scheduler& Scheduler::main() {
    static QtScheduler scheduler;
    return scheduler;
}

} // namespace brisklet
