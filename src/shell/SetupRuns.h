#pragma once

#include "actions/PlanRunner.h"
#include "actions/SetupPort.h"
#include "commands/Action.h"
#include "magic/DraftRunOutcome.h"
#include "platform/Apps.h"
#include "setups/SetupStore.h"

#include <QObject>
#include <QRect>
#include <QSet>
#include <QUuid>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QThreadPool;

namespace brisklet {

class HUDPort;
class PreviewWindow;
class ReceiptController;
class Scheduler;

// Where setup runs meet the rest of the app: the run and end receipts and their
// buttons, drafts tried out and saved, and the periodic check that the windows of
// the active run still stand where the run put them. Main thread.
class SetupRuns final : public QObject {
    Q_OBJECT
public:
    static constexpr double driftInterval = 300;
    static constexpr double driftMaxAge = 14400;

    struct Collaborators {
        SetupStore* store = nullptr;
        ReceiptController* receipts = nullptr;
        HUDPort* hud = nullptr;
        Scheduler* scheduler = nullptr;
        // The request flow's plan path.
        std::function<void(const Plan&)> performActions;
        // The visible frame of the display the user works on, in root coordinates.
        std::function<QRect()> activeScreen;
        // The running apps that closing the rest would ask to quit, apart from
        // `keeping`: the engine's own rule. Called off the main thread.
        std::function<QStringList(const QSet<QString>& keeping)> othersToClose;
        std::function<void(std::shared_ptr<const Setup>, PlanRunner::Completion)> runDraft;
        std::function<void()> recordCommand;
        // The phrases that mean a command, which no saved draft may be named.
        std::function<QStringList()> reservedPhrases;
        std::vector<PreviewWindow*> previewWindows;
        // Whether the windows of the run moved away; called off the main thread.
        std::function<bool(const SetupStore::ActiveRun&)> hasDrifted;
        // Runs `test` on a worker, then `done` with its result on the main thread.
        // None: a pool of the runs' own, which they wait for as they go, since its
        // checks call into the engine and the platform that go after them. The drift
        // test and the apps to close (found with xdg-mime, slow enough to freeze the
        // card) are asked through it.
        std::function<void(std::function<bool()> test, std::function<void(bool)> done)> offMainThread;
        std::function<void(const QUuid& setupID, const QString& name, const QRect& screen)> showNudge;
    };

    explicit SetupRuns(Collaborators c, QObject* parent = nullptr);
    ~SetupRuns() override;

    // Through the request flow's plan path; nothing after shutdown.
    void perform(const Plan& plan);

    // The run card shows once the apps to close are known (asked off the main
    // thread); a later card, run or end, makes a pending one moot.
    void showRunReceipt(const SetupPort::RunReport& report, const Setup& setup, bool canUndo);
    void showEndReceipt(const SetupPort::EndReport& report, const Setup& setup);
    // How many apps the "close the rest" offer would ask to quit (`others`); none
    // below 1, or when the setup closes them itself, can't be undone or changed since.
    std::optional<int> closeOthersCount(const Setup& setup, bool canUndo, const QStringList& others) const;

    void runDraft(const Setup& draft);
    // The name the store holds it under (words another setup or a command is said
    // by free it as a copy); nothing when no name was free or the store couldn't
    // write it.
    std::optional<QString> saveDraft(Setup draft);
    // Writes a setup taken afresh from the screen and says so; a write that fails
    // is said as a draft's is, and gives false.
    bool saveUpdate(const Setup& updated);
    void returnFromPreviewIfNeeded();
    bool previewAwaitingReturn() const { return previewAwaitingReturn_; }

    // Checks every 300 s from now on.
    void startDriftTimer();
    void stopDriftTimer();
    void checkDrift();

signals:
    void draftRunFinished(const brisklet::DraftRunOutcome& outcome);

private:
    void connectReceipts();
    void presentRunReceipt(const SetupPort::RunReport& report, const Setup& setup, bool canUndo,
                           const QStringList& others);
    void finishDraftRun(const Setup& draft, const PlanRunner::Outcome& outcome);
    void showUnsaved(const QString& name);
    void driftTested(const SetupStore::ActiveRun& started, bool drifted);
    void scheduleDriftTick();
    QRect screen() const;

    Collaborators c_;
    // The default checks' own pool; none when the caller brought its own.
    std::unique_ptr<QThreadPool> checks_;
    bool previewAwaitingReturn_ = false;
    std::optional<QUuid> receiptSetupID_; // the run the card's "close the rest" is about
    std::uint64_t receiptToken_ = 0;      // the newest card asked for
    std::uint64_t driftToken_ = 0;
    bool driftTimerOn_ = false;
};

} // namespace brisklet
