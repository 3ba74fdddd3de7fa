#pragma once

#include "commands/Action.h"

#include <QString>
#include <functional>
#include <optional>

namespace brisklet {

// The parts of the program that the road of a request talks to but that are not
// built yet sit behind these small interfaces. Each has a stand-in that does the
// least a user would expect (mostly: says in the log what it would have done), so
// the real ones plug in at the composition root without rewiring anything else.

// Why a language-model request gave no plan.
enum class AskError { network, server, disabled, noKey, serviceUnavailable, badPlan };

struct AskResult {
    std::optional<Plan> plan; // set on success
    AskError error = AskError::disabled;
    QString detail; // network: the reason; server: the status code
};

// Sends a phrase that matched nothing to a language model.
class AskPort {
public:
    virtual ~AskPort() = default;
    // The chosen backend is usable and Ask is switched on.
    virtual bool isEnabled() const = 0;
    // Exactly one call of `completion`, on the main thread.
    virtual void plan(const QString& phrase, std::function<void(const AskResult&)> completion) = 0;
};

// Ask is not available in this build: it is never enabled and refuses at once.
class AskStandIn final : public AskPort {
public:
    bool isEnabled() const override { return false; }
    void plan(const QString& phrase, std::function<void(const AskResult&)> completion) override;
};

// A window the user can bring forward (home window, onboarding).
class WindowPort {
public:
    virtual ~WindowPort() = default;
    virtual void show() = 0;
    virtual bool isVisible() const = 0;
};

// A window of a later issue: counts and logs its showings and keeps the callbacks
// that the wake settings of both windows share.
class WindowStandIn : public WindowPort {
public:
    explicit WindowStandIn(const char* name) : name_(name) {}
    void show() override;
    bool isVisible() const override { return visible_; }
    int shown() const { return shown_; }

    std::function<float()> levelProvider;
    std::function<void(double)> onSensitivityChange;
    std::function<void()> onWakeConfigChange;

private:
    const char* name_;
    bool visible_ = false;
    int shown_ = 0;
};

// The first-run flow. Until it exists its stand-in only logs; there is no consent
// to wait for on this desktop, so it reports the permissions as settled at once and
// listening starts.
class OnboardingStandIn final : public WindowStandIn {
public:
    OnboardingStandIn() : WindowStandIn("onboarding") {}
    void show() override;

    std::function<void()> onPermissionsChanged;
    std::function<void()> onFinished;
};

// The home window, with the callbacks of its settings section.
class HomeStandIn final : public WindowStandIn {
public:
    HomeStandIn() : WindowStandIn("home") {}

    std::function<void()> onRunOnboarding;
};

// The capture review flow for a new setup.
class CapturePort {
public:
    virtual ~CapturePort() = default;
    virtual void begin(const std::optional<QString>& prefillName) = 0;
};

class CaptureStandIn final : public CapturePort {
public:
    void begin(const std::optional<QString>& prefillName) override;
};

// Health checks of the listening pipeline.
class WatchdogPort {
public:
    virtual ~WatchdogPort() = default;
    virtual void start() = 0;
    virtual void check() = 0;
    std::function<bool()> isPaused;
};

class WatchdogStandIn final : public WatchdogPort {
public:
    void start() override {}
    void check() override {}
};

// Receipt cards after setup runs, the drift nudge and Magic: nothing reaches them
// until setups exist, so their stand-ins only keep the callbacks the delegate
// installs.
class ReceiptsStandIn final {
public:
    std::function<void()> onUndo;
    std::function<void()> onAcknowledged;
    std::function<void()> onExpired;
};

class NudgeStandIn final {
public:
    std::function<void(const QString& setupID)> onUpdate;
};

class MagicStandIn final {
public:
    // The phrases a drafted setup may not take as its own.
    std::function<QStringList()> reservedPhrasesProvider;
};

} // namespace brisklet

#include "commands/SetupDirectory.h"

namespace brisklet {

// No setups can be saved yet: matching sees an empty list.
class SetupsStandIn final : public SetupDirectory {
public:
    std::shared_ptr<const std::vector<SetupNames>> setupNames() const override { return empty_; }
    std::optional<QString> lookup(const QString&) const override { return std::nullopt; }

private:
    std::shared_ptr<const std::vector<SetupNames>> empty_ = std::make_shared<const std::vector<SetupNames>>();
};

} // namespace brisklet
