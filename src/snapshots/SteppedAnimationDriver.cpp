#include "snapshots/SteppedAnimationDriver.h"

#include <algorithm>

namespace brisklet {

void SteppedAnimationDriver::step(qint64 ms, qint64 frameMs) {
    frameMs = std::max<qint64>(1, frameMs);
    for (qint64 left = ms; left > 0; left -= frameMs) {
        elapsed_ += std::min(left, frameMs);
        advance();
    }
}

} // namespace brisklet
