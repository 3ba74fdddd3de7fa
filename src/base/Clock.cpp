#include "base/Clock.h"

#include <chrono>
#include <thread>

namespace brisklet {

Clock& Clock::system() {
    static SteadyClock clock;
    return clock;
}

double SteadyClock::now() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

QDateTime SteadyClock::wallNow() const { return QDateTime::currentDateTimeUtc(); }

void SteadyClock::sleep(double seconds) {
    if (seconds > 0)
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

} // namespace brisklet
