#include "flow/WakeKeyGesture.h"

namespace brisklet {

using Mode = SpeechController::Mode;

WakeKeyGesture::Step WakeKeyGesture::pressed(const SpeechController::Window& window) {
    ignoreNextRelease_ = false;
    if (!window.listening)
        return Step::openHold;
    if (window.mode == Mode::hold)
        return Step::none; // a second press during a hold changes nothing
    if (window.mode == Mode::open && window.now - window.startTime < openWindowGrace &&
        !window.heardSomething) {
        // Likely a bounce of the tap that opened the window: ignore it and its release.
        ignoreNextRelease_ = true;
        return Step::none;
    }
    ignoreNextRelease_ = true;
    return Step::endWindow;
}

WakeKeyGesture::Step WakeKeyGesture::released(const SpeechController::Window& window, double heldFor) {
    if (ignoreNextRelease_) {
        ignoreNextRelease_ = false;
        return Step::none;
    }
    if (window.mode != Mode::hold || !window.listening)
        return Step::none;
    return heldFor < tapThreshold ? Step::openEnded : Step::endWindow;
}

WakeKeyGesture::Step WakeKeyGesture::cancelled(const SpeechController::Window& window) {
    ignoreNextRelease_ = false;
    return window.mode == Mode::hold && window.listening ? Step::cancelHold : Step::none;
}

} // namespace brisklet
