#pragma once

#include "platform/Apps.h"
#include "platform/SleepWatcher.h"
#include "shell/PlatformFactory.h"

#include <QObject>
#include <QRectF>
#include <QStringList>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace brisklet {
class ActionExecutor;
class AppIndex;
class AppState;
class AskPort;
class AudioEngine;
class BrightnessControl;
class SetupCaptureController;
class SetupEditorController;
class Chime;
class ClapDetector;
class CommandRegistry;
class DefaultBrowserWatch;
class HUDController;
class HomePreview;
class HotkeyEngine;
class InstanceServer;
class IntentMatcher;
class LayoutStore;
class MagicBuilder;
class MagicController;
class MagicPaneHost;
class MediaActions;
class PlatformFactory;
class ReceiptController;
class RequestFlow;
class FolderDialogChooser;
class SetupEngine;
class SetupNudgeController;
struct Setup;
class SetupRuns;
class SetupStore;
class SoundClassifier;
class SpeechController;
class StatusItemController;
class WakeController;
class WatchdogPort;
class WindowEngine;
class WindowPort;
class HomeWindowController;
class OnboardingController;
class OnboardingPreview;
class DesktopPermissionCheck;
class SnapshotHost;

struct LaunchOptions {
    bool autostart = false; // started at login: show no window
};

// The composition root: builds every component in a fixed order, wires them and
// owns them for the life of the process.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    enum class LaunchResult {
        running,  // this instance carries on
        deferred, // another Brisklet runs; it was asked to show itself
        failed,   // this mode can't run; the process should exit with an error
    };
    enum class Appearance { system, light, dark };

    using Options = LaunchOptions;

    // `platform` null: the Linux desktop.
    explicit AppDelegate(std::unique_ptr<PlatformFactory> platform = nullptr, Options options = {},
                         QObject* parent = nullptr);
    ~AppDelegate() override;

    // Run the launch sequence once the application object exists.
    LaunchResult launch();

    // A second launch (or reopening) asks for the home window.
    void handleReopen();
    void showOnboarding();
    // Stops every worker thread; the components stay until the delegate goes.
    void shutdown();

    // What the recogniser should expect in the next window.
    QStringList vocabulary() const;
    // The microphone's level for the meters; 0 once the delegate is gone.
    std::function<float()> levelProvider();
    Appearance appearance() const { return appearance_; }
    // The keyring may prompt only outside the launch.
    static bool keychainInteractionAllowed();

    AppState* appState() const { return appState_; }
    RequestFlow* flow() const { return flow_.get(); }
    HUDController* hud() const { return hud_.get(); }
    ReceiptController* receipts() const { return receipts_.get(); }
    SetupNudgeController* nudge() const { return nudge_.get(); }
    SpeechController* speech() const { return speech_.get(); }
    AudioEngine* audio() const { return audio_.get(); }
    ClapDetector* clapDetector() const { return detector_.get(); }
    HotkeyEngine* hotkeyEngine() const { return hotkeyEngine_.get(); }
    CommandRegistry* registry() const { return registry_.get(); }
    AppIndex* appIndex() const { return appIndex_.get(); }
    LayoutStore* layouts() const { return layouts_.get(); }
    SetupStore* setups() const { return setups_.get(); }
    SetupEngine* setupEngine() const { return setupEngine_.get(); }
    SetupRuns* setupRuns() const { return setupRuns_.get(); }
    HomeWindowController* home() const { return home_.get(); }
    MagicController* magic() const { return magic_.get(); }
    SetupCaptureController* captureController() const { return captureCtl_.get(); }
    SetupEditorController* setupEditor() const { return setupEditor_.get(); }
    OnboardingController* onboarding() const { return onboarding_.get(); }
    BrightnessControl* brightness() const { return brightness_.get(); }
    // Null where there is no widget application to carry a tray icon.
    StatusItemController* status() const { return status_.get(); }
    WatchdogPort* watchdog() const { return watchdog_.get(); }

private:
    bool deferToRunningInstance();
    // The audio engine until shutdown; null after.
    AudioEngine* liveAudio() const;
    // The components, by subject, in the order they are made, then their wiring.
    void buildVoice();
    void buildPhrases();
    void buildWindows();
    void buildActions();
    void buildAskAndViews();
    void buildMagic();
    void connectMagic();
    void buildOnboarding();
    void buildFlow();
    void buildWatchdog();
    void buildStatusItem();
    void buildSetupRuns();
    void buildSetupEditing();
    void connectVoice();
    void connectWindows();
    void connectHome();
    void connectOnboarding();
    void connectSetupsPane();
    // Re-captures `setup` from the windows on screen and saves it.
    void updateSetupFromScreen(const Setup& setup);
    std::function<std::vector<QRectF>()> screenFrames();
    // The phrases that mean a command, which no setup may be named or said by.
    std::function<QStringList()> reservedPhrases();
    void observeSystem();
    void willTerminate();
    // What the Settings pane reaches beyond the home window's callbacks.
    void connectSettings();

    std::unique_ptr<PlatformFactory> platform_;
    Options options_;
    AppState* appState_ = nullptr;
    InstanceServer* instanceServer_ = nullptr;
    Appearance appearance_ = Appearance::system;
    // Also read by the permission check's worker (the microphone read) until it stops.
    std::atomic<bool> shutDown_{false};
    platform::SleepWatcher::Token wakeToken_ = 0;
    bool wakeObserved_ = false;
    std::unique_ptr<BrightnessControl> brightness_;

    // Each is declared after what it uses, so it is destroyed first.
    std::unique_ptr<AudioEngine> audio_;
    std::unique_ptr<ClapDetector> detector_;
    std::unique_ptr<SoundClassifier> classifier_;
    std::unique_ptr<WakeController> wake_;
    std::unique_ptr<HotkeyEngine> hotkeyEngine_;
    std::unique_ptr<SpeechController> speech_;
    std::unique_ptr<Chime> chime_;
    std::unique_ptr<HUDController> hud_;
    std::unique_ptr<CommandRegistry> registry_;
    std::unique_ptr<AppIndex> appIndex_;
    std::unique_ptr<WindowEngine> windows_;
    std::unique_ptr<LayoutStore> layouts_;
    std::unique_ptr<SetupStore> setups_;
    std::unique_ptr<MediaActions> media_;
    std::unique_ptr<SetupEngine> setupEngine_;
    std::unique_ptr<IntentMatcher> matcher_;
    std::unique_ptr<ActionExecutor> executor_;
    std::unique_ptr<AskPort> ask_;
    std::unique_ptr<WatchdogPort> watchdog_;
    std::unique_ptr<DesktopPermissionCheck> permissionCheck_;
    std::unique_ptr<OnboardingController> onboarding_;
    std::unique_ptr<MagicController> magic_;
    std::unique_ptr<MagicBuilder> builder_;
    std::unique_ptr<MagicPaneHost> magicHost_;
    std::unique_ptr<HomeWindowController> home_;
    std::unique_ptr<SetupCaptureController> captureCtl_;
    std::unique_ptr<FolderDialogChooser> folderChooser_;
    std::unique_ptr<SetupEditorController> setupEditor_;
    std::optional<platform::AppEntry> defaultBrowser_; // the browser watch's last answer
    std::unique_ptr<ReceiptController> receipts_;
    std::unique_ptr<SetupNudgeController> nudge_;
    std::unique_ptr<RequestFlow> flow_;
    std::unique_ptr<HomePreview> homePreview_;
    std::unique_ptr<OnboardingPreview> onboardingPreview_;
    std::unique_ptr<SetupRuns> setupRuns_;
    std::unique_ptr<StatusItemController> status_;
    std::unique_ptr<DefaultBrowserWatch> browserWatch_;
    std::unique_ptr<SnapshotHost> snapshots_;
};

} // namespace brisklet
