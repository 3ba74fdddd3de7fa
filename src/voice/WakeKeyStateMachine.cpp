#include "voice/WakeKeyStateMachine.h"

#include <algorithm>

namespace brisklet {

using Type = platform::KeyTap::Event::Type;

WakeKeyStateMachine::Outcome WakeKeyStateMachine::handle(const Event& event, bool wakeIsModifier, bool paused,
                                                         double now) {
    if (paused) {
        // A paused engine swallows nothing; a hold already under way ends.
        return {Verdict::pass, interrupt()};
    }
    if (event.isWakeKey) {
        if (event.type == Type::up)
            return released(event, now);
        // Only the press we caught ourselves starts a hold; one we merely heard
        // about has already reached the application.
        if (event.observedOnly)
            return {};
        if (event.isRepeat)
            return {Verdict::swallow};
        return pressed(event, now);
    }
    if (!wakeDown_)
        return {};
    // A modifier wake key: a press of any key, or any change of the modifiers. The
    // release of an ordinary key held since before the hold is neither.
    if (wakeIsModifier && (event.type == Type::down || event.isModifier))
        return chord();
    if (event.type == Type::down && !event.isModifier)
        return chord();
    return {};
}

WakeKeyStateMachine::Outcome WakeKeyStateMachine::pressed(const Event& event, double now) {
    if (wakeDown_)
        return {Verdict::swallow};
    wakeDown_ = true;
    holdChorded_ = false;
    downAt_ = now;
    downStamp_ = event.time;
    return {Verdict::swallow, Signal::down};
}

WakeKeyStateMachine::Outcome WakeKeyStateMachine::released(const Event& event, double now) {
    if (!wakeDown_) {
        holdChorded_ = false;
        return {Verdict::swallow};
    }
    wakeDown_ = false;
    // A busy machine may hand us the release long after the finger let go; the
    // desktop's stamps say how long the key was really down.
    const double heldFor = downStamp_ && event.time ? *event.time - *downStamp_ : now - downAt_;
    return {Verdict::swallow, Signal::up, std::max(0.0, heldFor)};
}

WakeKeyStateMachine::Outcome WakeKeyStateMachine::chord() {
    wakeDown_ = false;
    holdChorded_ = true;
    return {Verdict::pass, Signal::cancel};
}

WakeKeyStateMachine::Signal WakeKeyStateMachine::interrupt() {
    if (!wakeDown_)
        return Signal::none;
    wakeDown_ = false;
    holdChorded_ = false;
    return Signal::cancel;
}

void WakeKeyStateMachine::reset() {
    wakeDown_ = false;
    holdChorded_ = false;
}

} // namespace brisklet
