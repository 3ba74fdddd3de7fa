#pragma once

#include "voice/SpeechController.h"

namespace brisklet {

// What the wake key means at each press, release and cancel, given the listening
// window as it stands: a press opens a held window, a quick release turns it
// hands-free, a long one ends it, a press during a window ends it (its release then
// does nothing), and a press that comes right after a tap opened a window is taken
// for the tap's bounce. Main thread.
class WakeKeyGesture final {
public:
    static constexpr double tapThreshold = 0.35;
    static constexpr double openWindowGrace = 0.6;

    enum class Step {
        none,       // nothing to do
        openHold,   // open a window that lasts while the key is held
        openEnded,  // the held window becomes hands-free
        endWindow,  // end the window; what was heard is dispatched
        cancelHold, // drop the held window without a result
    };

    Step pressed(const SpeechController::Window& window);
    Step released(const SpeechController::Window& window, double heldFor);
    Step cancelled(const SpeechController::Window& window);
    // Forget a release that was to be ignored (pausing, a press that came to nothing).
    void reset() { ignoreNextRelease_ = false; }

private:
    bool ignoreNextRelease_ = false;
};

} // namespace brisklet
