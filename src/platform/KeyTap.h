#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace brisklet::platform {

// Watches the keyboard for one wake key, ahead of the applications, on a thread
// of its own. Key codes are the settings' wake-key codes (54 right super, 61 right
// alt, 58 left alt, 55 left super, 105/107/113/106 F13–F16); the tap maps them to
// the desktop's keys.
class KeyTap {
public:
    struct Event {
        enum class Type { down, up };
        Type type = Type::down;
        bool isWakeKey = false;
        // The key is a modifier (shift, control, alt, super …).
        bool isModifier = false;
        // A press of a key that is already down (auto-repeat).
        bool isRepeat = false;
        // Seen after the fact: the event has already gone to the application, so the
        // verdict is not asked for.
        bool observedOnly = false;
        // When the key moved, in seconds on the desktop's own clock, as the desktop
        // stamped the event; unknown when absent. A hold measured between two stamps
        // lasts as long as the finger held the key, however late this thread saw them.
        std::optional<double> time = std::nullopt;
        bool operator==(const Event&) const = default;
    };
    enum class Verdict { pass, swallow };

    struct Handlers {
        // Each key event of interest, on the tap's thread; must answer at once.
        std::function<Verdict(const Event&)> onEvent;
        // The connection to the desktop was lost; the tap has stopped watching. Tap's thread.
        std::function<void()> onLost;
    };

    virtual ~KeyTap() = default;

    // The desktop allows watching the keyboard this way.
    virtual bool isTrusted() = 0;
    // Start watching `keyCode`. False, with the reason, when the key can't be watched
    // (another program holds it, or the desktop can't be reached).
    virtual bool start(int keyCode, Handlers handlers, QString* error) = 0;
    // Watch another key instead; false, with the reason, when it can't be watched.
    virtual bool setWakeKey(int keyCode, QString* error) = 0;
    // Started and still connected.
    virtual bool isRunning() const = 0;
    // Run `work` on the tap's thread (at once when it isn't running).
    virtual void post(std::function<void()> work) = 0;
    // Stop watching and join the thread. Idempotent.
    virtual void stop() = 0;
};

} // namespace brisklet::platform
