#include "shell/AppDelegate.h"

#include "actions/ActionExecutor.h"
#include "actions/BrightnessControl.h"
#include "actions/MediaActions.h"
#include "ask/AskClient.h"
#include "base/AppState.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Prefs.h"
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/IntentMatcher.h"
#include "commands/Vocabulary.h"
#include "flow/RequestFlow.h"
#include "magic/MagicBuilder.h"
#include "magic/MagicController.h"
#include "platform/AppLauncher.h"
#include "platform/AudioBackend.h"
#include "platform/BrowserLauncher.h"
#include "platform/KeyTap.h"
#include "platform/SoundAnalyzer.h"
#include "platform/SpeechRecognizer.h"
#include "setups/SetupEngine.h"
#include "setups/SetupStore.h"
#include "shell/DefaultBrowserWatch.h"
#include "shell/DesktopPermissionCheck.h"
#include "shell/FolderDialogChooser.h"
#include "shell/HomePreview.h"
#include "shell/LegacyMigration.h"
#include "shell/LinuxPlatform.h"
#include "shell/MainMenu.h"
#include "shell/OnboardingPreview.h"
#include "shell/SetupRuns.h"
#include "shell/SingleInstance.h"
#include "shell/SnapshotHost.h"
#include "shell/SpeechModel.h"
#include "shell/StatusIcon.h"
#include "shell/StatusItemController.h"
#include "shell/Watchdog.h"
#include "snapshots/SnapshotEnvironment.h"
#include "ui/design/AppIcons.h"
#include "ui/design/DesignSystem.h"
#include "ui/home/HomeWindowController.h"
#include "ui/hud/HUDController.h"
#include "ui/magic/MagicPaneHost.h"
#include "ui/receipts/ReceiptController.h"
#include "ui/receipts/SetupNudgeController.h"
#include "ui/setups/SetupCaptureController.h"
#include "ui/setups/SetupEditorController.h"
#include "voice/AudioEngine.h"
#include "voice/Chime.h"
#include "voice/ClapDetector.h"
#include "voice/HotkeyEngine.h"
#include "voice/SoundClassifier.h"
#include "voice/SpeechController.h"
#include "voice/WakeController.h"
#include "windows/LayoutStore.h"
#include "windows/WindowEngine.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <atomic>

namespace brisklet {

namespace {
// Off while the launch runs, so that no keyring prompt stands in its way.
std::atomic<bool> keychainInteraction{true};
} // namespace

bool AppDelegate::keychainInteractionAllowed() {
    return keychainInteraction.load();
}

AppDelegate::AppDelegate(std::unique_ptr<PlatformFactory> platform, Options options, QObject* parent)
    : QObject(parent), platform_(platform ? std::move(platform) : std::make_unique<LinuxPlatform>()),
      options_(options), appState_(new AppState(this)) {}

AppDelegate::~AppDelegate() {
    shutdown();
    DesignSystem::instance().setDesktop(nullptr);
    DesignSystem::instance().setWindowLook(nullptr);
}

bool AppDelegate::deferToRunningInstance() {
    const qint64 selfPid = QCoreApplication::applicationPid();
    const auto self = SingleInstance::readProcess(QStringLiteral("/proc"), selfPid);
    if (!self)
        return false;
    const auto others = SingleInstance::findOthers(
        QStringLiteral("/proc"), SingleInstance::programName(QCoreApplication::applicationFilePath()),
        qgetenv("XDG_RUNTIME_DIR"), selfPid);
    const auto winner = SingleInstance::deferTo(*self, others);
    if (!winner)
        return false;
    qCCritical(lcApp).noquote()
        << QStringLiteral("another Brisklet (pid %1) is already running — deferring to it").arg(*winner);
    SingleInstance::askToShow();
    return true;
}

AppDelegate::LaunchResult AppDelegate::launch() {
    // Pictures of the views instead of the app: nothing else of the launch runs.
    if (const auto folder = SnapshotEnvironment::folder()) {
        snapshots_ = std::make_unique<SnapshotHost>(*folder);
        snapshots_->start();
        return LaunchResult::running;
    }
    keychainInteraction.store(false);
    // Before anything reads the data folder or the settings.
    LegacyMigration::runIfNeeded();

    if (deferToRunningInstance()) {
        keychainInteraction.store(true);
        return LaunchResult::deferred;
    }
    instanceServer_ = new InstanceServer(this);
    connect(instanceServer_, &InstanceServer::showRequested, this, &AppDelegate::handleReopen);
    instanceServer_->listen();

    Prefs::registerDefaults();
    Paths::ensure();
    appState_->refresh();

    // The toolkit can't force a colour scheme here; the views read this choice.
    const QString appearance = Prefs::stringValue(Prefs::Key::appearance);
    appearance_ = appearance == QLatin1String("light")  ? Appearance::light
                  : appearance == QLatin1String("dark") ? Appearance::dark
                                                        : Appearance::system;

    buildVoice();
    buildPhrases();
    buildWindows();
    buildActions();
    buildAskAndViews();
    buildFlow();
    buildSetupRuns();
    connectVoice();
    connectWindows();
    buildStatusItem();

    watchdog_->start();

    if (Prefs::boolValue(Prefs::Key::onboarded)) {
        flow_->startPipelineIfPermitted();
        // A login start stays in the background; a launch by the user shows home.
        if (!options_.autostart)
            home_->show();
    } else {
        showOnboarding();
    }

    observeSystem();
    // The launch has written its own first files by now.
    LegacyMigration::noteLaunchFiles();

    qCInfo(lcApp).noquote() << QStringLiteral(
                                   "Brisklet launched — window + menu bar ready (onboarded: %1, clap: %2)")
                                   .arg(Prefs::boolValue(Prefs::Key::onboarded) ? "true" : "false")
                                   .arg(Prefs::boolValue(Prefs::Key::clapWake) ? "true" : "false");
    keychainInteraction.store(true);
    return LaunchResult::running;
}

void AppDelegate::buildVoice() {
    audio_ = std::make_unique<AudioEngine>(platform_->makeAudioBackend(), Scheduler::main(),
                                           platform_->sleepWatcher());
    detector_ = std::make_unique<ClapDetector>();
    classifier_ = std::make_unique<SoundClassifier>(platform_->makeSoundAnalyzer());
    wake_ = std::make_unique<WakeController>(*classifier_);
    hotkeyEngine_ = std::make_unique<HotkeyEngine>(platform_->makeKeyTap());
    speech_ = std::make_unique<SpeechController>(platform_->recognizer());
    chime_ = std::make_unique<Chime>(platform_->soundOutput());
    chime_->setWindowOpen([speech = speech_.get()] { return speech->isListening(); });
}

void AppDelegate::buildPhrases() {
    registry_ = std::make_unique<CommandRegistry>();
    registry_->load();
    appIndex_ = std::make_unique<AppIndex>(&platform_->installedApps(), platform_->runningApps());
}

void AppDelegate::buildWindows() {
    windows_ = std::make_unique<WindowEngine>(platform_->windowSystem(), platform_->ownWindows(),
                                              platform_->launcher());
    layouts_ = std::make_unique<LayoutStore>(*windows_);
    setups_ = std::make_unique<SetupStore>(Paths::setupsJSON());
    connect(setups_.get(), &SetupStore::runCounted, appState_, &AppState::refresh);
}

void AppDelegate::buildActions() {
    brightness_ = platform_->makeBrightness();
    if (auto* players = platform_->mediaPlayers()) {
        platform::AppLauncher* launcher = platform_->launcher();
        media_ = std::make_unique<MediaActions>(*players, platform_->installedApps(),
                                                [launcher](const QString& id, const QStringList& urls) {
                                                    return launcher && launcher->launch(id, urls).ok;
                                                });
    }
    SetupEngine::Collaborators engine;
    engine.installed = &platform_->installedApps();
    engine.running = platform_->runningApps();
    engine.launcher = platform_->launcher();
    engine.browsers = platform_->browserLauncher();
    engine.system = platform_->systemActions();
    engine.brightness = brightness_.get();
    engine.players = platform_->mediaPlayers();
    engine.appearance = platform_->appearanceSwitch();
    engine.own = platform_->ownWindows();
    setupEngine_ = std::make_unique<SetupEngine>(*windows_, *setups_, std::move(engine));
    connect(setupEngine_.get(), &SetupEngine::soundCueRequested, this,
            [this](const QString& name) { chime_->playCue(name); });

    // The matcher before the executor, as the pipeline's order has it. The media
    // actions say which words name a player, so the matcher reads them as they do.
    matcher_ =
        std::make_unique<IntentMatcher>(*registry_, *setups_, layouts_.get(), appIndex_.get(), media_.get());

    ActionExecutor::Collaborators c;
    c.windows = windows_.get();
    c.layouts = layouts_.get();
    c.apps = appIndex_.get();
    c.running = platform_->runningApps();
    c.launcher = platform_->launcher();
    c.system = platform_->systemActions();
    c.media = media_.get();
    c.setups = setupEngine_.get();
    executor_ = std::make_unique<ActionExecutor>(c);
}

void AppDelegate::buildAskAndViews() {
    ask_ = std::make_unique<AskClient>(platform_->secretStore());
    buildWatchdog();
    buildOnboarding();
    home_ = std::make_unique<HomeWindowController>(*registry_, appIndex_.get(), *setups_, *appState_);
    buildMagic();
    home_->setIcon(StatusIcon::make(false, DesignSystem::instance().palette(false)->ember));
    buildSetupEditing();
    receipts_ = std::make_unique<ReceiptController>();
    nudge_ = std::make_unique<SetupNudgeController>();

    connect(executor_.get(), &ActionExecutor::captureRequested, this,
            [this](const std::optional<QString>& name) { captureCtl_->begin(name); });
    // "Update" on the nudge: the drifted run is over, and its setup takes the
    // windows as they are now.
    connect(nudge_.get(), &SetupNudgeController::updateRequested, this, [this](const QUuid& id) {
        const std::optional<Setup> setup = setups_->setup(id);
        if (shutDown_ || !setup)
            return;
        setups_->setActiveRun(std::nullopt);
        updateSetupFromScreen(*setup);
    });
}

void AppDelegate::buildFlow() {
    DesignSystem::instance().setDesktop(platform_->appearance());
    DesignSystem::instance().setWindowLook(platform_->windowLook());
    hud_ = std::make_unique<HUDController>();
    hud_->levelProvider = levelProvider();
    // The display of the focused window, else the pointer's: the one the user works on.
    WindowEngine* engine = windows_.get();
    hud_->activeScreenProvider = [engine]() -> std::optional<QRect> {
        const QScreen* primary = QGuiApplication::primaryScreen();
        if (!engine || !primary)
            return std::nullopt;
        const QRectF topLeft = engine->toAX(engine->activeScreen().visibleFrame);
        return topLeft.translated(primary->geometry().topLeft()).toRect();
    };

    RequestFlow::Parts parts;
    parts.speech = speech_.get();
    parts.hud = hud_.get();
    parts.appState = appState_;
    parts.executor = executor_.get();
    parts.ask = ask_.get();
    parts.wake = wake_.get();
    parts.detector = detector_.get();
    parts.classifier = classifier_.get();
    parts.watchdog = watchdog_.get();
    parts.chime = chime_.get();
    IntentMatcher* matcher = matcher_.get();
    parts.match = [matcher](const QString& text) { return matcher->match(text); };
    platform::SpeechRecognizer* recognizer = platform_->recognizer();
    parts.speechAuthorized = [recognizer] { return speechModelOf(recognizer) == SpeechModel::ready; };
    parts.speechLoading = [recognizer] { return speechModelOf(recognizer) == SpeechModel::loading; };
    // The flow outlives the audio engine, which goes at shutdown. The answer comes
    // from the engine's own record: the backend is the control thread's alone.
    QPointer<AppDelegate> self(this);
    parts.microphoneAuthorized = [self] {
        AudioEngine* audio = self ? self->liveAudio() : nullptr;
        return audio && audio->inputAvailable();
    };
    parts.startAudio = [self] {
        if (AudioEngine* audio = self ? self->liveAudio() : nullptr)
            audio->start();
    };
    parts.stopAudio = [self] {
        if (AudioEngine* audio = self ? self->liveAudio() : nullptr)
            audio->stop();
    };
    flow_ = std::make_unique<RequestFlow>(parts);

    connect(flow_.get(), &RequestFlow::pauseChanged, this, [](bool paused) {
        qCInfo(lcApp).noquote() << (paused ? "status: Resume Listening" : "status: Pause Listening");
    });
    watchdog_->isPaused = [self] { return self && self->flow_ && self->flow_->isPaused(); };
}

void AppDelegate::buildWatchdog() {
    QPointer<AppDelegate> self(this);
    Watchdog::Checks checks;
    checks.accessibilityTrusted = [self] { return self && self->hotkeyEngine_->isTrusted(); };
    checks.soundServerAnswers = [self] {
        AudioEngine* audio = self ? self->liveAudio() : nullptr;
        return !audio || audio->soundServerAnswers();
    };
    checks.microphoneAuthorized = [self] {
        AudioEngine* audio = self ? self->liveAudio() : nullptr;
        return audio && audio->inputAvailable();
    };
    platform::SpeechRecognizer* recognizer = platform_->recognizer();
    checks.speechAuthorized = [recognizer] { return speechModelOf(recognizer) == SpeechModel::ready; };
    checks.speechLoading = [recognizer] { return speechModelOf(recognizer) == SpeechModel::loading; };
    checks.audio = [self] { return self ? self->liveAudio() : nullptr; };
    auto watchdog = std::make_unique<Watchdog>(checks, Scheduler::main(), platform_->notifications());
    watchdog->onStateChange = [self](bool degraded, const QStringList&) {
        if (!self || self->shutDown_)
            return;
        self->hotkeyEngine_->refreshIfNeeded();
        if (self->status_)
            self->status_->setHealth(degraded);
    };
    watchdog_ = std::move(watchdog);
}

// The tray needs a widget application; without one the app stays reachable
// through its window and a second launch.
void AppDelegate::buildStatusItem() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    status_ = std::make_unique<StatusItemController>();
    QPointer<AppDelegate> self(this);
    status_->onPauseToggle = [self] {
        if (self && !self->shutDown_)
            self->flow_->togglePause();
    };
    status_->onOpenHome = [self] {
        if (self)
            self->home_->show();
    };
    status_->setupsProvider = [self] {
        if (!self)
            return QList<StatusSetup>();
        const auto& run = self->setups_->activeRun();
        return statusSetupsOf(self->setups_->setups(),
                              run ? std::optional<QUuid>(run->setupID) : std::nullopt);
    };
    status_->onRunSetup = [self](const QUuid& id, const QString& name) {
        if (self && !self->shutDown_)
            self->flow_->performActions({Action::runSetup(name, id)});
    };
    connect(flow_.get(), &RequestFlow::pauseChanged, status_.get(), &StatusItemController::setPaused);
}

void AppDelegate::connectVoice() {
    RequestFlow* flow = flow_.get();
    QPointer<AppDelegate> self(this);
    speech_->quickMatch = [self](const QString& text) {
        return self && self->matcher_->isExactCommand(text);
    };
    speech_->vocabularyProvider = [self] { return self ? self->vocabulary() : QStringList(); };
    speech_->captureBacklog = [self]() -> std::optional<std::int64_t> {
        AudioEngine* audio = self ? self->liveAudio() : nullptr;
        return audio ? audio->captureBacklog() : std::nullopt;
    };
    speech_->chimeRoute = [self] {
        AudioEngine* audio = self ? self->liveAudio() : nullptr;
        const QString route = audio ? audio->route() : QString();
        if (route.isEmpty())
            return QString();
        return route + QStringLiteral(" | %1 at %2")
                           .arg(Prefs::stringValue(Prefs::Key::wakeSound))
                           .arg(Chime::userVolume(), 0, 'f', 2);
    };
    speech_->shapesProvider = [self] {
        return self ? Vocabulary::shapes(*self->matcher_, *self->setups_, *self->layouts_, *self->appIndex_)
                    : platform::SpeechShapes();
    };

    // The processing thread: audio is destroyed first at shutdown, so `flow` outlives
    // every call.
    connect(detector_.get(), &ClapDetector::doubleClap, flow, &RequestFlow::onDoubleClap,
            Qt::DirectConnection);
    audio_->addHandler([flow](std::span<const float> samples, std::int64_t position) {
        flow->feedClapAndClassifier(samples, position);
    });
    audio_->addHandler([flow](std::span<const float> samples, std::int64_t) { flow->feedSpeech(samples); });
    flow_->updateClapMode();

    // The microphone comes promptly while a window listens and in longer
    // stretches otherwise, which wakes the capture less often.
    connect(appState_, &AppState::isListeningChanged, this, [this] {
        if (AudioEngine* audio = liveAudio())
            audio->setListening(appState_->isListening());
    });
    connect(wake_.get(), &WakeController::woke, flow, &RequestFlow::handleWake);
    // The key thread asks this; the engine is torn down before `flow` goes.
    hotkeyEngine_->isPaused = [flow] { return flow->isPaused(); };
    connect(hotkeyEngine_.get(), &HotkeyEngine::wakeDown, flow, &RequestFlow::wakeKeyDown);
    connect(hotkeyEngine_.get(), &HotkeyEngine::wakeUp, flow, &RequestFlow::wakeKeyUp);
    connect(hotkeyEngine_.get(), &HotkeyEngine::wakeCancelled, flow, &RequestFlow::holdCancel);
    hotkeyEngine_->start();
    appIndex_->start();
}

void AppDelegate::connectWindows() {
    // After shutdown nothing may start the key tap or the microphone again.
    const auto wakeConfigChanged = [this] {
        if (shutDown_)
            return;
        hotkeyEngine_->reloadConfig();
        flow_->updateClapMode();
    };
    const auto sensitivityChanged = [this](double value) { detector_->setSensitivity(value); };
    home_->levelProvider = levelProvider();
    home_->onSensitivityChange = sensitivityChanged;
    home_->onWakeConfigChange = wakeConfigChanged;
    connectHome();
    connectOnboarding();
}

// The home window's setup buttons take the plan path of a spoken setup name, with
// the setup they show named by id.
void AppDelegate::connectHome() {
    QPointer<AppDelegate> self(this);
    home_->onRunOnboarding = [self] {
        if (self)
            self->showOnboarding();
    };
    home_->onRunSetup = [self](const Setup& setup) {
        if (self && !self->shutDown_)
            self->flow_->performActions({Action::runSetup(setup.name, setup.id)});
    };
    home_->onEndSetup = [self](const Setup& setup) {
        if (self && !self->shutDown_)
            self->flow_->performActions({Action::endSetup(setup.name, setup.id)});
    };
    home_->onUpdateSetup = [self](const Setup& setup) {
        if (self && !self->shutDown_)
            self->updateSetupFromScreen(setup);
    };
    home_->onCaptureSetup = [self] {
        if (self && !self->shutDown_)
            self->captureCtl_->begin(std::nullopt);
    };
    connectSetupsPane();
    home_->setMenus(MainMenu::asData());
    home_->windowEntriesProvider = [] { return MainMenu::windowEntries(); };
    home_->onMenuCommand = [self](int command) {
        if (!self)
            return;
        const MainMenu::OtherApps others{self->platform_->runningApps(), self->platform_->launcher(),
                                         QCoreApplication::applicationPid()};
        MainMenu::perform(command, MainMenu::handlersFor(*self->home_, others));
    };
    connectSettings();
}

void AppDelegate::observeSystem() {
    if (auto* sleep = platform_->sleepWatcher()) {
        QPointer<AppDelegate> self(this);
        wakeToken_ = sleep->addWakeHandler([self] {
            if (!self || self->shutDown_)
                return;
            self->hotkeyEngine_->resetHoldStateOnWake();
            self->hotkeyEngine_->refreshIfNeeded();
            self->watchdog_->check();
        });
        wakeObserved_ = true;
    }
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(gui, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive && hotkeyEngine_ && !shutDown_)
                hotkeyEngine_->refreshIfNeeded();
        });
    }
    if (auto* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &AppDelegate::willTerminate);
}

QStringList AppDelegate::vocabulary() const {
    return Vocabulary::gather(*setups_, *layouts_, *registry_, *appIndex_);
}

AudioEngine* AppDelegate::liveAudio() const {
    return shutDown_ ? nullptr : audio_.get();
}

std::function<float()> AppDelegate::levelProvider() {
    QPointer<AppDelegate> self(this);
    return [self]() -> float {
        if (!self || !self->audio_)
            return 0.0f;
        return self->audio_->level();
    };
}

void AppDelegate::handleReopen() {
    qCInfo(lcApp) << "asked to show the home window";
    if (Prefs::boolValue(Prefs::Key::onboarded)) {
        // A visible window may sit behind others: bring it forward, build nothing.
        if (home_ && home_->isVisible()) {
            home_->bringForward();
            return;
        }
        if (home_)
            home_->show();
    } else {
        showOnboarding();
    }
}

void AppDelegate::willTerminate() {
    // Brightness set through the gamma fallback would outlive us.
    if (brightness_ && brightness_->restoreDisplays())
        qCInfo(lcApp) << "display gamma restored";
    shutdown();
}

void AppDelegate::shutdown() {
    if (shutDown_)
        return;
    shutDown_ = true;
    if (wakeObserved_ && platform_->sleepWatcher())
        platform_->sleepWatcher()->removeWakeHandler(wakeToken_);
    wakeObserved_ = false;
    // Worker threads first: they call into components that go away below.
    if (hotkeyEngine_) {
        hotkeyEngine_->teardown();
        // A press reported just before the tap stopped may still be on its way.
        if (flow_)
            QObject::disconnect(hotkeyEngine_.get(), nullptr, flow_.get(), nullptr);
    }
    if (permissionCheck_)
        permissionCheck_->stop();
    audio_.reset();
    browserWatch_.reset();
    // The platform that draws the icons goes away with the delegate.
    AppIcons::instance().setSource(nullptr);
    if (wake_)
        wake_->stop();
    if (classifier_)
        classifier_->stop();
    if (speech_)
        speech_->cancel();
    if (setupRuns_)
        setupRuns_->stopDriftTimer();
    executor_.reset();
}

} // namespace brisklet
