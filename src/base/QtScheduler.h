#pragma once

#include "base/Scheduler.h"

#include <QPointer>
#include <QTimer>
#include <cstddef>
#include <mutex>
#include <unordered_map>

namespace brisklet {

// The app's scheduler: Qt timers on the main thread and the system clock. Work
// scheduled from another thread is armed once the main thread gets to it; until
// then its token is "in flight", and only such tokens need remembering when they
// are cancelled.
class QtScheduler final : public Scheduler {
public:
    QtScheduler() = default;
    ~QtScheduler() override;
    QtScheduler(const QtScheduler&) = delete;
    QtScheduler& operator=(const QtScheduler&) = delete;

    Token schedule(double seconds, std::function<void()> work) override;
    void cancel(Token token) override;
    Clock& clock() override { return Clock::system(); }

    // Cancelled tokens still waiting to be armed (and then dropped).
    std::size_t rememberedCancellations() const;

private:
    void arm(Token token, double seconds, std::function<void()> work);

    mutable std::mutex mutex_;
    Token next_ = 0;
    std::unordered_map<Token, bool> inFlight_;           // token → cancelled; guarded by mutex_
    std::unordered_map<Token, QPointer<QTimer>> timers_; // main thread only
};

} // namespace brisklet
