#include "voice/HotkeyEngine.h"

#include "base/Log.h"
#include "base/MainThread.h"
#include "base/Prefs.h"

namespace brisklet {

HotkeyEngine::HotkeyEngine(std::unique_ptr<platform::KeyTap> tap, Clock& clock, QObject* parent)
    : QObject(parent), tap_(std::move(tap)), clock_(clock), self_(std::make_shared<HotkeyEngine*>(this)) {}

HotkeyEngine::~HotkeyEngine() {
    teardown();
    self_.reset();
}

WakeKeyOption HotkeyEngine::keyOption() const {
    std::lock_guard guard(cfgLock_);
    return keyOption_;
}

void HotkeyEngine::reloadConfig() {
    const WakeKeyOption& option = WakeKeyOption::forCode(Prefs::intValue(Prefs::Key::wakeKeyCode));
    {
        std::lock_guard guard(cfgLock_);
        keyOption_ = option;
    }
    if (!tap_->isRunning() || watchedCode_ == option.keyCode)
        return;
    // A hold of the old key can't be followed any more.
    tap_->post([this] { report(machine_.interrupt()); });
    QString why;
    if (!tap_->setWakeKey(option.keyCode, &why)) {
        qCCritical(lcApp) << "key grab failed — keyboard wake unavailable (key taken by another program?)";
        qCInfo(lcApp).noquote() << "wake key" << option.label << "not watched:" << why;
        watchedCode_ = 0; // the next reload tries again
        return;
    }
    watchedCode_ = option.keyCode;
}

void HotkeyEngine::start() {
    reloadConfig();
    if (tap_->isRunning())
        return;
    if (!tap_->isTrusted()) {
        qCInfo(lcApp) << "event tap deferred — Accessibility not yet trusted";
        return;
    }
    machine_.reset();
    const WakeKeyOption option = keyOption();
    // The pause test is fixed for the life of this tap, so the tap's thread never
    // reads a function object the main thread may be replacing.
    std::function<bool()> paused = isPaused ? isPaused : [] { return false; };
    platform::KeyTap::Handlers handlers;
    handlers.onEvent = [this, paused](const platform::KeyTap::Event& event) { return handle(event, paused); };
    handlers.onLost = [this] { report(machine_.interrupt()); };
    QString why;
    if (!tap_->start(option.keyCode, std::move(handlers), &why)) {
        qCCritical(lcApp) << "key grab failed — keyboard wake unavailable (key taken by another program?)";
        qCInfo(lcApp).noquote() << "wake key" << option.label << "not watched:" << why;
        started_ = false;
        return;
    }
    watchedCode_ = option.keyCode;
    started_ = true;
}

void HotkeyEngine::refreshIfNeeded() {
    if (tap_->isRunning())
        return;
    if (!tap_->isTrusted())
        return;
    if (started_) {
        qCInfo(lcApp) << "event tap dead — rebuilding";
        teardown();
    }
    start();
}

void HotkeyEngine::resetHoldStateOnWake() {
    tap_->post([this] { report(machine_.interrupt()); });
}

void HotkeyEngine::teardown() {
    tap_->stop();
    machine_.reset();
    started_ = false;
    watchedCode_ = 0;
}

platform::KeyTap::Verdict HotkeyEngine::handle(const platform::KeyTap::Event& event,
                                               const std::function<bool()>& paused) {
    const bool wakeIsModifier = keyOption().isModifier;
    const auto outcome = machine_.handle(event, wakeIsModifier, paused(), clock_.now());
    report(outcome.signal, outcome.heldFor);
    return outcome.verdict;
}

void HotkeyEngine::report(WakeKeyStateMachine::Signal signal, double heldFor) {
    if (signal == WakeKeyStateMachine::Signal::none)
        return;
    std::weak_ptr<HotkeyEngine*> weak = self_;
    // Posted, never waited for: the keyboard stays frozen until the tap answers.
    MainThread::post([weak, signal, heldFor] {
        auto self = weak.lock();
        if (!self)
            return;
        HotkeyEngine* engine = *self;
        switch (signal) {
        case WakeKeyStateMachine::Signal::down:
            emit engine->wakeDown();
            break;
        case WakeKeyStateMachine::Signal::up:
            emit engine->wakeUp(heldFor);
            break;
        case WakeKeyStateMachine::Signal::cancel:
            emit engine->wakeCancelled();
            break;
        case WakeKeyStateMachine::Signal::none:
            break;
        }
    });
}

} // namespace brisklet
