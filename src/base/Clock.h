#pragma once

#include <QDateTime>

namespace brisklet {

// Time as the logic sees it. `now()` is monotonic seconds (it does not jump with the
// wall clock); `wallNow()` is the calendar time for stamps and stored dates.
class Clock {
public:
    virtual ~Clock() = default;
    virtual double now() const = 0;
    virtual QDateTime wallNow() const = 0;
    // Block the calling worker thread for `seconds` (a fake clock advances instead).
    virtual void sleep(double seconds) = 0;

    // The process's real clock.
    static Clock& system();
};

} // namespace brisklet
