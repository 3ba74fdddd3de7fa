#pragma once

#include "base/Clock.h"

#include <mutex>

namespace brisklet::test {

// A clock that moves only when told. It starts far from zero, because several
// fields use 0 to mean "never". sleep() advances it instead of blocking.
class FakeClock final : public Clock {
public:
    explicit FakeClock(double start = 10000.0) : now_(start), start_(start) {}

    double now() const override {
        std::lock_guard lock(mutex_);
        return now_;
    }
    QDateTime wallNow() const override {
        std::lock_guard lock(mutex_);
        return wallStart_.addMSecs(static_cast<qint64>((now_ - start_) * 1000.0));
    }
    void sleep(double seconds) override { advance(seconds); }

    void advance(double seconds) {
        std::lock_guard lock(mutex_);
        if (seconds > 0)
            now_ += seconds;
    }
    void set(double seconds) {
        std::lock_guard lock(mutex_);
        now_ = seconds;
    }
    void setWallStart(const QDateTime& date) {
        std::lock_guard lock(mutex_);
        wallStart_ = date;
    }

private:
    mutable std::mutex mutex_;
    double now_;
    double start_;
    QDateTime wallStart_ = QDateTime(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC);
};

} // namespace brisklet::test
