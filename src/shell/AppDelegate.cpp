#include "shell/AppDelegate.h"

#include "base/AppState.h"
#include "base/Log.h"
#include "base/Notifications.h"
#include "base/Paths.h"
#include "base/Prefs.h"
#include "base/Text.h"
#include "actions/ActionExecutor.h"
#include "commands/AppIndex.h"
#include "actions/BrightnessControl.h"
#include "commands/CommandRegistry.h"
#include "actions/ExecutorPorts.h"
#include "commands/IntentMatcher.h"
#include "windows/LayoutStore.h"
#include "actions/MediaActions.h"
#include "windows/WindowEngine.h"
#include "platform/AppLauncher.h"
#include "platform/AudioBackend.h"
#include "platform/KeyTap.h"
#include "platform/SoundAnalyzer.h"
#include "platform/SpeechRecognizer.h"
#include "shell/LinuxPlatform.h"
#include "flow/RequestFlow.h"
#include "shell/SingleInstance.h"
#include "shell/AskStandIn.h"
#include "shell/CaptureStandIn.h"
#include "shell/HomeStandIn.h"
#include "shell/MagicStandIn.h"
#include "shell/NudgeStandIn.h"
#include "shell/OnboardingStandIn.h"
#include "shell/ReceiptsStandIn.h"
#include "shell/SetupsStandIn.h"
#include "shell/WatchdogStandIn.h"
#include "ui/HUDController.h"
#include "voice/AudioEngine.h"
#include "voice/Chime.h"
#include "voice/ClapDetector.h"
#include "voice/HotkeyEngine.h"
#include "voice/SoundClassifier.h"
#include "voice/SpeechController.h"
#include "voice/WakeController.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QSet>
#include <atomic>
#include <cstdio>

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
    Chime::setOutput(nullptr);
}

void AppDelegate::record(const QString& step) {
    platform_->record(step);
}

bool AppDelegate::deferToRunningInstance() {
    const qint64 selfPid = QCoreApplication::applicationPid();
    const auto self = SingleInstance::readProcess(QStringLiteral("/proc"), selfPid);
    if (!self)
        return false;
    const auto others =
        SingleInstance::findOthers(QStringLiteral("/proc"), QCoreApplication::applicationFilePath(), selfPid);
    const auto winner = SingleInstance::deferTo(*self, others);
    if (!winner)
        return false;
    qCCritical(lcApp).noquote()
        << QStringLiteral("another Brisklet (pid %1) is already running — deferring to it").arg(*winner);
    SingleInstance::askToShow();
    return true;
}

AppDelegate::LaunchResult AppDelegate::launch() {
    if (!qEnvironmentVariableIsEmpty("BRISKLET_SNAPSHOT_DIR")) {
        record(QStringLiteral("snapshots"));
        qCCritical(lcApp) << "snapshot mode isn't available in this build — nothing was rendered";
        std::fputs("Brisklet: snapshots are not built yet\n", stderr);
        return LaunchResult::failed;
    }
    record(QStringLiteral("keychain off"));
    keychainInteraction.store(false);

    record(QStringLiteral("single instance"));
    if (deferToRunningInstance()) {
        keychainInteraction.store(true);
        return LaunchResult::deferred;
    }
    instanceServer_ = new InstanceServer(this);
    connect(instanceServer_, &InstanceServer::showRequested, this, &AppDelegate::handleReopen);
    instanceServer_->listen();

    record(QStringLiteral("defaults"));
    Prefs::registerDefaults();
    Paths::ensure();
    appState_->refresh();

    // The toolkit can't force a colour scheme here; the views read this choice.
    record(QStringLiteral("appearance"));
    const QString appearance = Prefs::stringValue(Prefs::Key::appearance);
    appearance_ = appearance == QLatin1String("light")  ? Appearance::light
                  : appearance == QLatin1String("dark") ? Appearance::dark
                                                        : Appearance::system;

    buildPipeline();

    record(QStringLiteral("watchdog"));
    watchdog_->start();

    record(QStringLiteral("first window"));
    if (Prefs::boolValue(Prefs::Key::onboarded)) {
        flow_->startPipelineIfPermitted();
        // A login start stays in the background; a launch by the user shows home.
        if (!options_.autostart)
            home_->show();
    } else {
        showOnboarding();
    }

    record(QStringLiteral("wake observer"));
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

    record(QStringLiteral("launched"));
    qCInfo(lcApp).noquote() << QStringLiteral(
                                   "Brisklet launched — window + menu bar ready (onboarded: %1, clap: %2)")
                                   .arg(Prefs::boolValue(Prefs::Key::onboarded) ? "true" : "false")
                                   .arg(Prefs::boolValue(Prefs::Key::clapWake) ? "true" : "false");
    keychainInteraction.store(true);
    return LaunchResult::running;
}

void AppDelegate::buildPipeline() {
    brightness_ = platform_->makeBrightness();
    Chime::setOutput(platform_->soundOutput());

    record(QStringLiteral("audio"));
    audio_ = std::make_unique<AudioEngine>(platform_->makeAudioBackend(), Scheduler::main(),
                                           platform_->sleepWatcher());
    record(QStringLiteral("detector"));
    detector_ = std::make_unique<ClapDetector>();
    record(QStringLiteral("classifier"));
    classifier_ = std::make_unique<SoundClassifier>(platform_->makeSoundAnalyzer());
    record(QStringLiteral("wake"));
    wake_ = std::make_unique<WakeController>(*classifier_);
    record(QStringLiteral("hotkeyEngine"));
    hotkeyEngine_ = std::make_unique<HotkeyEngine>(platform_->makeKeyTap());
    record(QStringLiteral("speech"));
    speech_ = std::make_unique<SpeechController>(platform_->recognizer());
    record(QStringLiteral("hud"));
    hud_ = std::make_unique<HUDController>();
    record(QStringLiteral("registry"));
    registry_ = std::make_unique<CommandRegistry>();
    registry_->load();
    record(QStringLiteral("appIndex"));
    appIndex_ = std::make_unique<AppIndex>(&platform_->installedApps(), platform_->runningApps());
    record(QStringLiteral("windows"));
    windows_ = std::make_unique<WindowEngine>(platform_->windowSystem(), platform_->ownWindows(),
                                              platform_->launcher());
    record(QStringLiteral("layouts"));
    layouts_ = std::make_unique<LayoutStore>(*windows_);
    record(QStringLiteral("setups"));
    setups_ = std::make_unique<SetupsStandIn>();
    record(QStringLiteral("matcher"));
    matcher_ = std::make_unique<IntentMatcher>(*registry_, *setups_, layouts_.get(), appIndex_.get());

    record(QStringLiteral("executor"));
    if (auto* players = platform_->mediaPlayers()) {
        platform::AppLauncher* launcher = platform_->launcher();
        media_ = std::make_unique<MediaActions>(*players, platform_->installedApps(),
                                                [launcher](const QString& id, const QStringList& urls) {
                                                    return launcher && launcher->launch(id, urls).ok;
                                                });
    }
    moves_ = std::make_unique<WindowEngineMoves>(*windows_);
    layoutActions_ = std::make_unique<LayoutStoreActions>(*layouts_);
    appLookup_ = std::make_unique<AppIndexLookup>(*appIndex_);
    ActionExecutor::Collaborators c;
    c.windows = moves_.get();
    c.layouts = layoutActions_.get();
    c.apps = appLookup_.get();
    c.running = platform_->runningApps();
    c.launcher = platform_->launcher();
    c.system = platform_->systemActions();
    c.media = media_.get();
    executor_ = std::make_unique<ActionExecutor>(c);
    planRunner_ = std::make_unique<ExecutorPlanRunner>(*executor_);

    record(QStringLiteral("ask"));
    ask_ = std::make_unique<AskStandIn>();
    record(QStringLiteral("watchdog"));
    watchdog_ = std::make_unique<WatchdogStandIn>();
    record(QStringLiteral("onboarding"));
    onboarding_ = std::make_unique<OnboardingStandIn>();
    record(QStringLiteral("magic"));
    magic_ = std::make_unique<MagicStandIn>();
    record(QStringLiteral("home"));
    home_ = std::make_unique<HomeStandIn>();
    record(QStringLiteral("captureCtl"));
    captureCtl_ = std::make_unique<CaptureStandIn>();
    record(QStringLiteral("receipts"));
    receipts_ = std::make_unique<ReceiptsStandIn>();
    record(QStringLiteral("nudge"));
    nudge_ = std::make_unique<NudgeStandIn>();

    // The listening and dispatch logic over the parts above.
    RequestFlow::Parts parts;
    parts.speech = speech_.get();
    parts.hud = hud_.get();
    parts.appState = appState_;
    parts.executor = planRunner_.get();
    parts.ask = ask_.get();
    parts.wake = wake_.get();
    parts.detector = detector_.get();
    parts.classifier = classifier_.get();
    parts.watchdog = watchdog_.get();
    IntentMatcher* matcher = matcher_.get();
    parts.match = [matcher](const QString& text) { return matcher->match(text); };
    platform::SpeechRecognizer* recognizer = platform_->recognizer();
    parts.speechAuthorized = [recognizer] { return recognizer && recognizer->isAvailable(); };
    AudioEngine* audio = audio_.get();
    parts.microphoneAuthorized = [audio] { return audio->backend().inputFormat().has_value(); };
    parts.startAudio = [audio] { audio->start(); };
    parts.stopAudio = [audio] { audio->stop(); };
    parts.onPauseChanged = [](bool paused) {
        qCInfo(lcApp).noquote() << (paused ? "status: Resume Listening" : "status: Pause Listening");
    };
    flow_ = std::make_unique<RequestFlow>(parts);
    RequestFlow* flow = flow_.get();
    QPointer<AppDelegate> self(this);

    // Callbacks, in the order the components need them.
    watchdog_->isPaused = [self] { return self && self->flow_ && self->flow_->isPaused(); };
    magic_->reservedPhrasesProvider = [self] {
        return self ? reservedPhrases(*self->registry_) : fixedReservedPhrases();
    };
    executor_->presentCapture = [self](const std::optional<QString>& name) {
        if (self)
            self->captureCtl_->begin(name);
    };
    receipts_->onUndo = [self] {
        if (self) {
            self->flow_->performActions({Action::undoSetup()});
            self->previewAwaitingReturn_ = false;
        }
    };
    receipts_->onAcknowledged = [self] {
        if (self)
            self->previewAwaitingReturn_ = false;
    };
    receipts_->onExpired = [self] {
        if (self)
            self->previewAwaitingReturn_ = false;
    };
    nudge_->onUpdate = [](const QString& id) { qCInfo(lcApp) << "asked to re-capture setup" << id; };

    hud_->levelProvider = levelProvider();
    speech_->quickMatch = [self](const QString& text) {
        return self && self->matcher_->isExactCommand(text);
    };
    speech_->vocabularyProvider = [self] { return self ? self->vocabulary() : QStringList(); };
    // The processing thread: audio is destroyed first at shutdown, so `flow` outlives
    // every call.
    detector_->onDoubleClap = [flow](double time) { flow->onDoubleClap(time); };
    detector_->onPeak = [](double) {
        NotificationBus::instance().post(QString::fromLatin1(Notifications::peak));
    };
    audio_->addHandler([flow](std::span<const float> samples, std::int64_t position) {
        flow->feedClapAndClassifier(samples, position);
    });
    audio_->addHandler([flow](std::span<const float> samples, std::int64_t) { flow->feedSpeech(samples); });
    flow_->updateClapMode();

    wake_->onWake = [self](WakeSource source) {
        if (self && self->flow_)
            self->flow_->handleWake(source);
    };
    // The key thread: the engine is torn down before `flow` goes.
    hotkeyEngine_->isPaused = [flow] { return flow->isPaused(); };
    hotkeyEngine_->onWakeDown = [self] {
        if (self && self->flow_)
            self->flow_->wakeKeyDown();
    };
    hotkeyEngine_->onWakeUp = [self](double heldFor) {
        if (self && self->flow_)
            self->flow_->wakeKeyUp(heldFor);
    };
    hotkeyEngine_->onWakeCancel = [self] {
        if (self && self->flow_)
            self->flow_->holdCancel();
    };
    hotkeyEngine_->start();
    appIndex_->start();

    const auto wakeConfigChanged = [self] {
        if (!self)
            return;
        self->hotkeyEngine_->reloadConfig();
        self->flow_->updateClapMode();
    };
    const auto sensitivityChanged = [self](double value) {
        if (self)
            self->detector_->setSensitivity(value);
    };
    onboarding_->levelProvider = levelProvider();
    onboarding_->onSensitivityChange = sensitivityChanged;
    onboarding_->onWakeConfigChange = wakeConfigChanged;
    onboarding_->onPermissionsChanged = [self] {
        if (!self)
            return;
        self->hotkeyEngine_->refreshIfNeeded();
        self->flow_->startPipelineIfPermitted();
        self->watchdog_->check();
    };
    onboarding_->onFinished = [self] {
        if (!self)
            return;
        self->flow_->setOnboardingClapPreview(false);
        self->home_->show();
    };
    home_->levelProvider = levelProvider();
    home_->onSensitivityChange = sensitivityChanged;
    home_->onWakeConfigChange = wakeConfigChanged;
    home_->onRunOnboarding = [self] {
        if (self)
            self->showOnboarding();
    };
}

const QStringList& AppDelegate::fixedReservedPhrases() {
    static const QStringList phrases{
        "open",       "launch",     "start",       "quit",           "close",        "switch to", "focus",
        "end",        "undo",       "put it back", "sort",           "sort all",     "layout",    "left half",
        "right half", "maximize",   "center",      "next display",   "hide others",  "volume",    "mute",
        "unmute",     "screenshot", "lock screen", "do not disturb", "meeting mode", "setup"};
    return phrases;
}

QStringList AppDelegate::reservedPhrases(const CommandRegistry& registry) {
    QSet<QString> set;
    for (const QString& phrase : fixedReservedPhrases())
        set.insert(Text::normalize(phrase));
    for (const CommandEntry& entry : registry.entries())
        for (const QString& phrase : entry.phrases)
            set.insert(Text::normalize(phrase));
    set.remove(QString());
    QStringList out(set.begin(), set.end());
    out.sort();
    return out;
}

QStringList AppDelegate::vocabulary() const {
    QStringList phrases;
    // Each store's lock is taken on its own, never inside another's.
    if (const auto list = setups_->setupNames()) {
        for (const SetupNames& setup : *list) {
            phrases << setup.name << QStringLiteral("end ") + setup.name;
            phrases << setup.phrases;
        }
    }
    for (const QString& name : layouts_->cachedNames())
        phrases << name;
    for (const CommandEntry& entry : registry_->enabledEntries())
        phrases << entry.phrases;
    if (const auto apps = appIndex_->snapshot())
        for (const IndexedApp& app : *apps)
            phrases << app.name;
    return RequestFlow::capVocabulary(phrases);
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
        if (home_ && home_->isVisible())
            return;
        if (home_)
            home_->show();
    } else {
        showOnboarding();
    }
}

void AppDelegate::showOnboarding() {
    if (flow_)
        flow_->setOnboardingClapPreview(true);
    if (onboarding_)
        onboarding_->show();
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
    if (hotkeyEngine_)
        hotkeyEngine_->teardown();
    audio_.reset();
    if (wake_)
        wake_->stop();
    if (classifier_)
        classifier_->stop();
    if (speech_)
        speech_->cancel();
    executor_.reset();
}

} // namespace brisklet
