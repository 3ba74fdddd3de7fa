// The delegate's part in the first run: the onboarding window, what it reads and
// follows, and what its choices reach.
#include "shell/AppDelegate.h"

#include "actions/ActionExecutor.h"
#include "base/Log.h"
#include "flow/RequestFlow.h"
#include "magic/MagicController.h"
#include "platform/SpeechRecognizer.h"
#include "shell/AppRelaunch.h"
#include "shell/DesktopPermissionCheck.h"
#include "shell/SetupRuns.h"
#include "shell/Watchdog.h"
#include "ui/home/HomeWindowController.h"
#include "ui/onboarding/OnboardingController.h"
#include "voice/AudioEngine.h"
#include "voice/ClapDetector.h"
#include "voice/HotkeyEngine.h"

#include <QPointer>

namespace brisklet {

void AppDelegate::buildOnboarding() {
    QPointer<AppDelegate> self(this);
    DesktopPermissionCheck::Reads reads;
    reads.microphone = [self] {
        AudioEngine* audio = self ? self->liveAudio() : nullptr;
        return audio && audio->inputAvailable();
    };
    platform::SpeechRecognizer* recognizer = platform_->recognizer();
    reads.speech = [recognizer] { return speechModelOf(recognizer); };
    reads.onDeviceRecognition = [recognizer] {
        return recognizer && recognizer->supportsOnDeviceRecognition();
    };
    HotkeyEngine* keys = hotkeyEngine_.get();
    reads.accessibility = [keys] { return keys->isTrusted(); };
    permissionCheck_ = std::make_unique<DesktopPermissionCheck>(std::move(reads));

    OnboardingController::Collaborators c;
    c.permissionCheck = permissionCheck_.get();
    c.permissions = platform_->permissions();
    c.loginItem = platform_->loginItem();
    onboarding_ = std::make_unique<OnboardingController>(c);
}

void AppDelegate::connectOnboarding() {
    OnboardingController* onboarding = onboarding_.get();
    onboarding->levelProvider = levelProvider();
    onboarding->onSensitivityChange = home_->onSensitivityChange;
    onboarding->onWakeConfigChange = home_->onWakeConfigChange;
    onboarding->onRelaunch = [] { AppRelaunch::now(); };
    onboarding->onPermissionsChanged = [this] {
        if (shutDown_)
            return;
        hotkeyEngine_->refreshIfNeeded();
        flow_->startPipelineIfPermitted();
        watchdog_->check();
    };
    onboarding->onFinished = [this] {
        flow_->setOnboardingClapPreview(false);
        home_->show();
    };
    // Magic's step tries, keeps and puts back drafts as the Magic pane does.
    QPointer<AppDelegate> self(this);
    onboarding->onMagicRun = [self](const MagicProposal& proposal) {
        if (self && !self->shutDown_)
            self->setupRuns_->runDraft(proposal.draft);
    };
    onboarding->onMagicSave = [self](const MagicProposal& proposal) -> std::optional<QString> {
        if (!self || self->shutDown_)
            return std::nullopt;
        return self->setupRuns_->saveDraft(proposal.draft);
    };
    onboarding->onMagicUndo = [self] {
        if (self && !self->shutDown_)
            self->setupRuns_->perform({Action::undoSetup()});
    };
    // A list the user is looking at is never replaced under them.
    if (magic_) {
        QPointer<OnboardingController> shown(onboarding);
        magic_->onScanComplete = [shown](const std::vector<MagicProposal>& proposals) {
            if (!shown)
                return;
            if (shown->model().magicProposals().empty())
                shown->model().setMagicProposals(proposals);
            shown->model().setMagicScanned(true);
        };
    }
    // The events the open window follows. Peaks and clap demos come from the audio
    // thread and arrive queued.
    connect(executor_.get(), &ActionExecutor::commandDone, onboarding,
            &OnboardingController::noteCommandDone);
    connect(flow_.get(), &RequestFlow::listeningStarted, onboarding, &OnboardingController::noteWake);
    connect(flow_.get(), &RequestFlow::clapDemoHeard, onboarding, &OnboardingController::noteClapDemo);
    connect(detector_.get(), &ClapDetector::peak, onboarding,
            [onboarding](double) { onboarding->notePeak(); });
}

void AppDelegate::showOnboarding() {
    if (flow_)
        flow_->setOnboardingClapPreview(true);
    if (!onboarding_)
        return;
    // An open window is only brought forward: its Magic list stays as the user sees it.
    if (onboarding_->isVisible()) {
        onboarding_->show();
        return;
    }
    // Magic's step shows what was already found at once; a fresh scan fills it only
    // while it is empty.
    OnboardingModel& model = onboarding_->model();
    if (magic_) {
        model.setMagicProposals(magic_->proposals());
        model.setMagicScanned(magic_->profile().has_value());
        magic_->refresh();
    } else {
        model.setMagicScanned(true);
    }
    onboarding_->show();
}

} // namespace brisklet
