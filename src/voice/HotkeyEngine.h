#pragma once

#include "base/Clock.h"
#include "platform/KeyTap.h"
#include "voice/WakeKeyOption.h"
#include "voice/WakeKeyStateMachine.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace brisklet {

// Watches the keyboard for the wake key and reports, on the main thread, when it
// goes down, when it comes up (with the seconds it was held) and when a hold is
// spoiled. The key's own presses are kept from the applications; every other key
// passes.
class HotkeyEngine final : public QObject {
    Q_OBJECT
public:
    explicit HotkeyEngine(std::unique_ptr<platform::KeyTap> tap, Clock& clock = Clock::system(),
                          QObject* parent = nullptr);
    ~HotkeyEngine();
    HotkeyEngine(const HotkeyEngine&) = delete;
    HotkeyEngine& operator=(const HotkeyEngine&) = delete;

    // Asked on the tap's thread for every key event; install it before start().
    std::function<bool()> isPaused;

    void start();
    // Re-reads "brisklet.wakeKeyCode" and watches that key.
    void reloadConfig();
    // Starts a tap that isn't there and rebuilds one that died.
    void refreshIfNeeded();
    // After system sleep: a release lost while asleep must not leave a hold open.
    void resetHoldStateOnWake();
    void teardown();

    WakeKeyOption keyOption() const;
    // A tap is watching the keyboard.
    bool isActive() const { return tap_->isRunning(); }
    // The desktop lets a tap watch the keyboard.
    bool isTrusted() const { return tap_->isTrusted(); }

signals:
    // Main thread.
    void wakeDown();
    void wakeUp(double heldFor);
    void wakeCancelled();

private:
    platform::KeyTap::Verdict handle(const platform::KeyTap::Event& event,
                                     const std::function<bool()>& paused);
    void report(WakeKeyStateMachine::Signal signal, double heldFor = 0);

    std::unique_ptr<platform::KeyTap> tap_;
    Clock& clock_;
    mutable std::mutex cfgLock_;
    WakeKeyOption keyOption_ = WakeKeyOption::defaultOption();
    int watchedCode_ = 0;
    bool started_ = false;
    WakeKeyStateMachine machine_; // the tap's thread only
    std::shared_ptr<HotkeyEngine*> self_;
};

} // namespace brisklet
