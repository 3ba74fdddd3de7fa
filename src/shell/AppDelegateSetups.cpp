// The delegate's part in setups: runs and their receipts, drafts and the drift
// check; the Setups pane, the editor and the capture review; updates from the screen.
#include "shell/AppDelegate.h"

#include "actions/ActionExecutor.h"
#include "base/AppState.h"
#include "base/Scheduler.h"
#include "commands/CommandRegistry.h"
#include "commands/ReservedPhrases.h"
#include "flow/RequestFlow.h"
#include "magic/MagicController.h"
#include "platform/BrowserLauncher.h"
#include "setups/SetupEngine.h"
#include "setups/SetupStore.h"
#include "shell/DefaultBrowserWatch.h"
#include "shell/FolderDialogChooser.h"
#include "shell/HomePreview.h"
#include "shell/OnboardingPreview.h"
#include "shell/SetupRuns.h"
#include "ui/design/AppIcons.h"
#include "ui/home/HomeWindowController.h"
#include "ui/hud/HUDController.h"
#include "ui/magic/MagicPaneHost.h"
#include "ui/onboarding/OnboardingController.h"
#include "ui/receipts/ReceiptController.h"
#include "ui/receipts/SetupNudgeController.h"
#include "ui/setups/SetupCaptureController.h"
#include "ui/setups/SetupEditorController.h"
#include "ui/setups/SetupsPaneModel.h"
#include "windows/LayoutStore.h"
#include "windows/WindowEngine.h"

#include <QPointer>

namespace brisklet {

void AppDelegate::buildSetupRuns() {
    QPointer<AppDelegate> self(this);
    SetupRuns::Collaborators c;
    c.store = setups_.get();
    c.receipts = receipts_.get();
    c.hud = hud_.get();
    c.scheduler = &Scheduler::main();
    c.performActions = [self](const Plan& plan) {
        if (self && !self->shutDown_) // the executor is gone after shutdown
            self->flow_->performActions(plan);
    };
    c.activeScreen = [self] {
        return self && self->hud_->activeScreenProvider ? self->hud_->activeScreenProvider().value_or(QRect())
                                                        : QRect();
    };
    c.runDraft = [self](std::shared_ptr<const Setup> draft, PlanRunner::Completion done) {
        if (self && self->executor_)
            self->executor_->runDraft(std::move(draft), std::move(done));
        else
            done({false, QStringLiteral("Brisklet is shutting down.")});
    };
    c.recordCommand = [self] {
        if (self)
            self->appState_->recordCommand();
    };
    c.reservedPhrases = reservedPhrases();
    homePreview_ = std::make_unique<HomePreview>(*home_);
    onboardingPreview_ = std::make_unique<OnboardingPreview>(*onboarding_);
    c.previewWindows = {homePreview_.get(), onboardingPreview_.get()};
    // The engine outlives the drift checks: they stop with the timer at shutdown.
    SetupEngine* engine = setupEngine_.get();
    c.hasDrifted = [engine](const SetupStore::ActiveRun& run) { return engine->hasDrifted(run); };
    c.othersToClose = [engine](const QSet<QString>& keeping) { return engine->othersToClose(keeping); };
    c.showNudge = [self](const QUuid& id, const QString& name, const QRect& screen) {
        if (self && !self->shutDown_)
            self->nudge_->show(id, name, screen);
    };
    setupRuns_ = std::make_unique<SetupRuns>(std::move(c));
    connect(setupEngine_.get(), &SetupEngine::runReceipt, setupRuns_.get(), &SetupRuns::showRunReceipt);
    connect(setupEngine_.get(), &SetupEngine::endReceipt, setupRuns_.get(), &SetupRuns::showEndReceipt);
    connect(setupRuns_.get(), &SetupRuns::draftRunFinished, this, [this](const DraftRunOutcome& outcome) {
        magic_->setLastRunOutcome(outcome);
        OnboardingModel& model = onboarding_->model();
        if (!outcome.success && model.magicRanID() == outcome.draftID)
            model.setMagicRanID(std::nullopt);
        model.setMagicRunOutcome(outcome.draftID, outcome.success, outcome.message);
    });
    setupRuns_->startDriftTimer();
}

// The Setups pane draws the apps' own icons, miniatures in the proportions of the
// displays connected now, and ideas that open pages in the default browser.
void AppDelegate::connectSetupsPane() {
    AppIcons::instance().setSource(platform_->appIcons());
    home_->setupsPane().screensProvider = screenFrames();
    QPointer<AppDelegate> self(this);
    browserWatch_ = std::make_unique<DefaultBrowserWatch>(
        platform_->browserLauncher(), platform_->installedApps(),
        [self](std::optional<platform::AppEntry> browser) {
            if (!self || !self->home_)
                return;
            self->defaultBrowser_ = browser;
            self->home_->setupsPane().setDefaultBrowser(std::move(browser));
        });
    browserWatch_->start();
}

void AppDelegate::buildSetupEditing() {
    QPointer<AppDelegate> self(this);
    // The capture review, the editor and a draft's save refuse the same words.
    const auto reserved = reservedPhrases();
    captureCtl_ = std::make_unique<SetupCaptureController>(*setups_, setupEngine_.get());
    captureCtl_->reservedPhrases = reserved;
    connect(captureCtl_.get(), &SetupCaptureController::saved, this, [this](const Setup& setup) {
        if (!shutDown_)
            hud_->show(HUDState::done(
                QStringLiteral("Saved “%1” — say “%2” anytime").arg(setup.name, setup.name.toLower())));
    });
    SetupEditorController::Providers p;
    p.reserved = reserved;
    if (platform::RunningApps* running = platform_->runningApps())
        p.running = [running] { return running->runningApps(); };
    // Found off the main thread by the browser watch; empty until then.
    p.defaultBrowser = [self] {
        return self && self->defaultBrowser_ ? self->defaultBrowser_->id : QString();
    };
    p.fingerprint = [self] { return self ? self->layouts_->fingerprint() : QString(); };
    p.screens = screenFrames();
    setupEditor_ = std::make_unique<SetupEditorController>(*setups_, appIndex_.get(), std::move(p));
    folderChooser_ = std::make_unique<FolderDialogChooser>();
    setupEditor_->model().setFolderChooser(folderChooser_.get());
    home_->setSetupEditor(setupEditor_.get());
    connect(&home_->setupsPane(), &SetupsPaneModel::editRequested, setupEditor_.get(),
            qOverload<const Setup&>(&SetupEditorController::openDraft));
    // A duplicate or delete the file didn't take says so where "Update" does.
    connect(&home_->setupsPane(), &SetupsPaneModel::unsaved, this, [this](const QString& text) {
        if (!shutDown_)
            hud_->show(HUDState::info(text));
    });
    // "Tune first…" on a Magic card opens its draft here, and its save goes the
    // way the card's own Save does.
    if (magicHost_) {
        magicHost_->allowEdit = true;
        QPointer<MagicPaneHost> host(magicHost_.get());
        connect(magicHost_.get(), &MagicPaneHost::editRequested, setupEditor_.get(),
                [self, host](const Setup& draft) {
                    if (!self || !host)
                        return;
                    self->setupEditor_->openDraft(draft, [host](const Setup& tuned) {
                        return host && host->onSaveDraft && host->onSaveDraft(tuned);
                    });
                });
    }
}

std::function<QStringList()> AppDelegate::reservedPhrases() {
    QPointer<AppDelegate> self(this);
    return [self] { return self ? ReservedPhrases::of(*self->registry_) : ReservedPhrases::fixed(); };
}

// The frames of the displays connected now, read when asked.
std::function<std::vector<QRectF>()> AppDelegate::screenFrames() {
    WindowEngine* engine = windows_.get();
    return [engine] {
        std::vector<QRectF> frames;
        for (const Screen& screen : engine->screens())
            frames.push_back(screen.frame);
        return frames;
    };
}

void AppDelegate::updateSetupFromScreen(const Setup& setup) {
    QPointer<AppDelegate> self(this);
    setupEngine_->updateFromCurrent(setup, [self](const Setup& updated) {
        if (self && !self->shutDown_)
            self->setupRuns_->saveUpdate(updated);
    });
}

} // namespace brisklet
