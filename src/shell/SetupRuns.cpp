#include "shell/SetupRuns.h"

#include "base/Log.h"
#include "base/MainThread.h"
#include "base/Scheduler.h"
#include "flow/HUDPort.h"
#include "shell/PreviewWindow.h"
#include "ui/receipts/ReceiptController.h"
#include "ui/setups/SetupDraftEdits.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSet>
#include <QThreadPool>

namespace brisklet {

namespace {

QString quoted(const QString& text) {
    return QStringLiteral("“") + text + QStringLiteral("”");
}

QString savedText(const QString& name) {
    return QStringLiteral("Saved ") + quoted(name) + QStringLiteral(" — say ") + quoted(name.toLower()) +
           QStringLiteral(" anytime");
}

// Dates that went through the file keep milliseconds only.
bool sameRun(const SetupStore::ActiveRun& a, const SetupStore::ActiveRun& b) {
    return a.setupID == b.setupID && a.startedAt.toMSecsSinceEpoch() == b.startedAt.toMSecsSinceEpoch();
}

void onThreadPool(QThreadPool& pool, std::function<bool()> test, std::function<void(bool)> done) {
    pool.start([test = std::move(test), done = std::move(done)] {
        const bool result = test();
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [done, result] { done(result); }, Qt::QueuedConnection);
    });
}

} // namespace

SetupRuns::SetupRuns(Collaborators c, QObject* parent) : QObject(parent), c_(std::move(c)) {
    if (!c_.offMainThread) {
        checks_ = std::make_unique<QThreadPool>();
        c_.offMainThread = [pool = checks_.get()](std::function<bool()> test,
                                                  std::function<void(bool)> done) {
            onThreadPool(*pool, std::move(test), std::move(done));
        };
    }
    connectReceipts();
}

SetupRuns::~SetupRuns() {
    stopDriftTimer();
    // A check still running calls into the engine and the platform, which go after
    // the runs: it is waited for here, and a hop it makes to the main thread gives up.
    if (checks_) {
        MainThread::WaitingScope waiting;
        checks_->waitForDone();
    }
}

void SetupRuns::connectReceipts() {
    if (!c_.receipts)
        return;
    connect(c_.receipts, &ReceiptController::undoRequested, this, [this] {
        perform({Action::undoSetup()});
        returnFromPreviewIfNeeded();
    });
    connect(c_.receipts, &ReceiptController::closeOthersRequested, this, [this] {
        if (receiptSetupID_)
            perform({Action::closeOthers(*receiptSetupID_)});
    });
    connect(c_.receipts, &ReceiptController::acknowledged, this, &SetupRuns::returnFromPreviewIfNeeded);
    // The card went by itself: the windows stay where they are.
    connect(c_.receipts, &ReceiptController::expired, this, [this] { previewAwaitingReturn_ = false; });
}

void SetupRuns::perform(const Plan& plan) {
    if (c_.performActions)
        c_.performActions(plan);
}

QRect SetupRuns::screen() const {
    return c_.activeScreen ? c_.activeScreen() : QRect();
}

std::optional<int> SetupRuns::closeOthersCount(const Setup& setup, bool canUndo,
                                               const QStringList& others) const {
    if (setup.closeOthers || !canUndo || !c_.store)
        return std::nullopt;
    const auto stored = c_.store->setup(setup.id);
    if (!stored || !stored->sameApartFromStamps(setup))
        return std::nullopt;
    if (others.isEmpty())
        return std::nullopt;
    return static_cast<int>(others.size());
}

void SetupRuns::showRunReceipt(const SetupPort::RunReport& report, const Setup& setup, bool canUndo) {
    const std::uint64_t token = ++receiptToken_;
    // A run that closed the rest itself, or can't be undone, offers no closing:
    // there is nothing to count.
    if (setup.closeOthers || !canUndo) {
        presentRunReceipt(report, setup, canUndo, {});
        return;
    }
    auto others = std::make_shared<QStringList>();
    QPointer<SetupRuns> self(this);
    // The engine keeps the setup's own apps when it closes the rest.
    c_.offMainThread(
        [find = c_.othersToClose, keep = setup.bundleIDs(), others] {
            if (find)
                *others = find(keep);
            return true;
        },
        [self, token, report, setup, canUndo, others](bool) {
            if (self && token == self->receiptToken_)
                self->presentRunReceipt(report, setup, canUndo, *others);
        });
}

void SetupRuns::presentRunReceipt(const SetupPort::RunReport& report, const Setup& setup, bool canUndo,
                                  const QStringList& others) {
    const auto count = closeOthersCount(setup, canUndo, others);
    receiptSetupID_ = setup.id;
    if (c_.receipts)
        c_.receipts->showRun(report, setup, canUndo, count, screen());
}

void SetupRuns::showEndReceipt(const SetupPort::EndReport& report, const Setup& setup) {
    ++receiptToken_;
    receiptSetupID_.reset();
    if (c_.receipts)
        c_.receipts->showEnd(report, setup, screen());
}

void SetupRuns::runDraft(const Setup& draft) {
    previewAwaitingReturn_ = true;
    for (PreviewWindow* window : c_.previewWindows)
        window->stepAside();
    if (c_.hud)
        c_.hud->show(HUDState::executing(QStringLiteral("Setting up ") + quoted(draft.name)));
    if (!c_.runDraft) {
        finishDraftRun(draft, {false, QStringLiteral("Setups can't run right now.")});
        return;
    }
    QPointer<SetupRuns> self(this);
    c_.runDraft(std::make_shared<const Setup>(draft), [self, draft](const PlanRunner::Outcome& outcome) {
        if (self)
            self->finishDraftRun(draft, outcome);
    });
}

void SetupRuns::finishDraftRun(const Setup& draft, const PlanRunner::Outcome& outcome) {
    if (outcome.success && c_.recordCommand)
        c_.recordCommand();
    if (c_.hud)
        c_.hud->show(outcome.success ? HUDState::done(outcome.message) : HUDState::info(outcome.message));
    emit draftRunFinished({draft.id, outcome.success, outcome.message, QUuid::createUuid()});
    if (outcome.success) {
        // Back only once the receipt is answered or gone.
        for (PreviewWindow* window : c_.previewWindows)
            if (window->isParked())
                window->settleBehind();
        return;
    }
    previewAwaitingReturn_ = false;
    for (PreviewWindow* window : c_.previewWindows)
        if (window->isParked())
            window->returnFromPreview();
}

void SetupRuns::returnFromPreviewIfNeeded() {
    if (!previewAwaitingReturn_)
        return;
    previewAwaitingReturn_ = false;
    for (PreviewWindow* window : c_.previewWindows)
        if (window->isParked())
            window->returnFromPreview();
}

std::optional<QString> SetupRuns::saveDraft(Setup draft) {
    if (!c_.store)
        return std::nullopt;
    // Saved before (a second press of "Save"): nothing to write.
    if (const auto stored = c_.store->setup(draft.id)) {
        if (c_.hud)
            c_.hud->show(HUDState::done(savedText(stored->name)));
        return stored->name;
    }
    const QStringList reserved = c_.reservedPhrases ? c_.reservedPhrases() : QStringList();
    const SetupStore::List stored = c_.store->setups();
    const auto name = SetupDraftEdits::freeName(draft, reserved, stored);
    if (!name) {
        // A phrase of its own is taken: the refusal says which.
        if (c_.hud)
            c_.hud->show(
                HUDState::info(SetupDraftEdits::conflict(draft, reserved, stored).value_or(QString())));
        return std::nullopt;
    }
    draft.name = *name;
    if (!c_.store->upsert(draft)) {
        showUnsaved(draft.name);
        return std::nullopt;
    }
    if (c_.hud)
        c_.hud->show(HUDState::done(savedText(draft.name)));
    return draft.name;
}

bool SetupRuns::saveUpdate(const Setup& updated) {
    if (!c_.store || !c_.store->upsert(updated)) {
        showUnsaved(updated.name);
        return false;
    }
    if (c_.hud)
        c_.hud->show(HUDState::done(quoted(updated.name) + QStringLiteral(" now matches your screen")));
    return true;
}

void SetupRuns::showUnsaved(const QString& name) {
    if (c_.hud)
        c_.hud->show(HUDState::info(SetupDraftEdits::unsavedText(name)));
}

void SetupRuns::startDriftTimer() {
    stopDriftTimer();
    driftTimerOn_ = true;
    scheduleDriftTick();
}

void SetupRuns::stopDriftTimer() {
    driftTimerOn_ = false;
    if (driftToken_ && c_.scheduler)
        c_.scheduler->cancel(driftToken_);
    driftToken_ = 0;
}

void SetupRuns::scheduleDriftTick() {
    if (!c_.scheduler || !driftTimerOn_)
        return;
    QPointer<SetupRuns> self(this);
    driftToken_ = c_.scheduler->schedule(driftInterval, [self] {
        if (!self)
            return;
        self->driftToken_ = 0;
        self->scheduleDriftTick();
        self->checkDrift();
    });
}

void SetupRuns::checkDrift() {
    if (!c_.store)
        return;
    const auto run = c_.store->activeRun();
    if (!run || run->nudgeShown)
        return;
    const QDateTime now = c_.scheduler ? c_.scheduler->clock().wallNow() : QDateTime::currentDateTime();
    if (run->startedAt.msecsTo(now) >= qint64(driftMaxAge * 1000) || !c_.store->setup(run->setupID)) {
        c_.store->setActiveRun(std::nullopt);
        return;
    }
    if (!c_.hasDrifted)
        return;
    QPointer<SetupRuns> self(this);
    const auto test = c_.hasDrifted;
    const SetupStore::ActiveRun started = *run;
    c_.offMainThread([test, started] { return test(started); },
                     [self, started](bool drifted) {
                         if (self)
                             self->driftTested(started, drifted);
                     });
}

// Always on the run as it stands now: the copy the test started with may be stale.
void SetupRuns::driftTested(const SetupStore::ActiveRun& started, bool drifted) {
    auto run = c_.store->activeRun();
    if (!run || !sameRun(*run, started))
        return;
    if (drifted && run->driftSeenOnce) {
        run->nudgeShown = true;
        c_.store->setActiveRun(run);
        qCInfo(lcApp).noquote()
            << QStringLiteral("windows of %1 moved — offering to update it").arg(quoted(run->name));
        if (c_.showNudge)
            c_.showNudge(run->setupID, run->name, screen());
        return;
    }
    run->driftSeenOnce = drifted;
    c_.store->setActiveRun(run);
}

} // namespace brisklet
