#pragma once

#include "platform/KeyTap.h"

#include <optional>

namespace brisklet {

// The wake key's rules, free of any desktop: which key events are swallowed, and
// when a hold starts, ends or is spoiled. Every press that reports `down` ends in
// exactly one `up` or one `cancel`. Used on the tap's thread only.
class WakeKeyStateMachine final {
public:
    using Event = platform::KeyTap::Event;
    using Verdict = platform::KeyTap::Verdict;

    enum class Signal { none, down, up, cancel };
    struct Outcome {
        Verdict verdict = Verdict::pass;
        Signal signal = Signal::none;
        double heldFor = 0; // with `up`
        bool operator==(const Outcome&) const = default;
    };

    // `wakeIsModifier`: the wake key is a modifier, so a press of another key or
    // any modifier change spoils a hold; for an ordinary key only a non-modifier
    // press does.
    // `now`: when this thread sees the event; the hold time comes from the events' own
    // stamps when both ends have one, from `now` otherwise.
    Outcome handle(const Event& event, bool wakeIsModifier, bool paused, double now);
    // The key's state can no longer be followed (lost connection, system sleep):
    // a hold in progress is cancelled.
    Signal interrupt();
    // Forget everything without a signal.
    void reset();

    bool wakeDown() const { return wakeDown_; }
    bool holdChorded() const { return holdChorded_; }

private:
    Outcome pressed(const Event& event, double now);
    Outcome released(const Event& event, double now);
    Outcome chord();

    bool wakeDown_ = false;
    bool holdChorded_ = false;
    double downAt_ = 0;
    std::optional<double> downStamp_;
};

} // namespace brisklet
