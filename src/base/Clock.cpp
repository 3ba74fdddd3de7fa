#include "base/Clock.h"

#include <chrono>
#include <thread>

namespace brisklet {

namespace {

class SteadyClock final : public Clock {
public:
    double now() const override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
    QDateTime wallNow() const override { return QDateTime::currentDateTimeUtc(); }
    void sleep(double seconds) override {
        if (seconds > 0)
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
};

} // namespace

Clock& Clock::system() {
    static SteadyClock clock;
    return clock;
}

} // namespace brisklet
