#include "base/RepeatingTimer.h"

namespace brisklet {

void RepeatingTimer::start(double firstDelay) { arm(firstDelay < 0 ? interval_ : firstDelay); }

void RepeatingTimer::arm(double seconds) {
    pending_.schedule(seconds, [this] {
        arm(interval_);
        tick_();
    });
}

} // namespace brisklet
