#pragma once

#include "base/RepeatingTimer.h"
#include "ui/design/WindowPort.h"
#include "ui/onboarding/OnboardingModel.h"
#include "ui/onboarding/PermissionCheckPort.h"

#include <QObject>
#include <QPointer>
#include <QPropertyAnimation>
#include <QQuickView>
#include <QtQml/qqmlregistration.h>
#include <functional>
#include <memory>
#include <vector>

namespace brisklet {

class Scheduler;
namespace platform {
class LoginItem;
class Permissions;
} // namespace platform

// The first-run window: owns it, its model, the permission poll and the level
// feed while it is open, follows the wake, clap and command events, and reaches
// the host through the callbacks below (each may be unset). Main thread.
class OnboardingController final : public QObject, public WindowPort {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The application owns the onboarding.")
public:
    struct Collaborators {
        PermissionCheckPort* permissionCheck = nullptr; // null: nothing is granted
        platform::Permissions* permissions = nullptr;   // null: "Allow…" does nothing
        platform::LoginItem* loginItem = nullptr;       // null: the choice isn't applied
        Scheduler* scheduler = nullptr;                 // null: the app's
    };

    static constexpr double pollInterval = 0.6;
    static constexpr double levelInterval = 1.0 / 24.0;
    static constexpr double peakFlashSeconds = 0.25;
    static constexpr double wakeFlashSeconds = 1.0;
    static constexpr double clapFlashSeconds = 1.2;
    static constexpr double fadeSeconds = 0.18;
    static constexpr int width = 640;
    static constexpr int height = 620;
    static constexpr int minimumWidth = 560;
    static constexpr int minimumHeight = 480;

    explicit OnboardingController(Collaborators collaborators, QObject* parent = nullptr);
    ~OnboardingController() override;

    OnboardingModel& model() { return model_; }

    // Brings the window forward, building it (and starting afresh) when there is
    // none. Without a GUI application it keeps only the state of an open window.
    void show() override;
    bool isVisible() const override;
    // Fades a visible window out of the way of a preview, keeping it.
    void stepAside();
    bool parkedForPreview() const { return parkedForPreview_; }
    // Back at full opacity behind the preview's windows; still parked.
    void settleBehind();
    QQuickView* window() const { return window_; }
    // Closes the window as its close button does.
    Q_INVOKABLE void close();

    // What the views call.
    Q_INVOKABLE void finish();
    Q_INVOKABLE void chooseStyle(const QString& style);
    Q_INVOKABLE void setClapEnabled(bool on);
    Q_INVOKABLE void allowMicrophone();
    Q_INVOKABLE void allowSpeech();
    Q_INVOKABLE void allowAccessibility();
    Q_INVOKABLE void relaunch();
    Q_INVOKABLE void magicUndo();
    // Try out a proposal's draft on screen; the host reports how it went.
    void magicRun(const MagicProposal& proposal);
    // The Magic step's card acts on the first proposal.
    Q_INVOKABLE void runFirstProposal();
    Q_INVOKABLE void saveFirstProposal();

    // The events the open window follows; ignored while it is closed.
    void notePeak();
    void noteWake();
    void noteClapDemo();
    void noteCommandDone(bool success);

    std::function<float()> levelProvider;
    std::function<void(double)> onSensitivityChange;
    std::function<void()> onPermissionsChanged;
    std::function<void()> onWakeConfigChange;
    std::function<void()> onFinished;
    std::function<void()> onRelaunch;
    std::function<void(const MagicProposal&)> onMagicRun;
    // True when the draft is kept as a setup.
    std::function<std::optional<QString>(const MagicProposal&)> onMagicSave; // the stored name
    std::function<void()> onMagicUndo;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void windowWillClose();
    // One read at a time: a poll that finds one running waits for its answer.
    void refreshPermissions(bool forceCallback, std::function<void(const PermissionGrants&)> then = {});
    void applyGrants(const PermissionGrants& grants);
    void startTimers();
    void tickLevel();
    void flash(void (OnboardingModel::*set)(bool), double seconds);
    bool isOpen() const { return window_ || headlessOpen_; }
    Scheduler& scheduler() const;

    Collaborators c_;
    OnboardingModel model_;
    QPointer<QQuickView> window_;
    QPointer<QPropertyAnimation> fade_;
    RepeatingTimer pollTimer_;
    RepeatingTimer levelTimer_;
    bool headlessOpen_ = false;
    bool headlessVisible_ = false;
    bool parkedForPreview_ = false;
    bool subscribed_ = false;
    bool checking_ = false;
    bool forcePending_ = false;
    PermissionGrants lastGrants_;
    std::vector<std::function<void(const PermissionGrants&)>> afterCheck_;
};

} // namespace brisklet
