#include "snapshots/SteppedAnimationDriver.h"

#include <algorithm>

namespace brisklet {

SteppedAnimationDriver::SteppedAnimationDriver(QObject* parent) : QAnimationDriver(parent) {
    // Qt stops the driver while nothing animates and starts it again with the next
    // animation: counted on from before, that one would leap by every earlier step.
    connect(this, &QAnimationDriver::started, this, [this] { elapsed_ = 0; });
}

void SteppedAnimationDriver::step(qint64 ms, qint64 frameMs) {
    frameMs = std::max<qint64>(1, frameMs);
    for (qint64 left = ms; left > 0; left -= frameMs) {
        elapsed_ += std::min(left, frameMs);
        advance();
    }
}

} // namespace brisklet
