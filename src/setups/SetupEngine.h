#pragma once

#include "actions/BrowserScripting.h"
#include "actions/SetupPort.h"
#include "platform/Apps.h"
#include "setups/CloseTheRest.h"
#include "setups/Setup.h"
#include "setups/SetupStore.h"
#include "windows/WindowAnimator.h"
#include "windows/WindowEngine.h"

#include <QObject>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace brisklet {

class BrightnessControl;
class SerialQueue;
namespace platform {
class AppLauncher;
class BrowserLauncher;
class AppearanceSwitch;
class MediaPlayers;
class OwnWindows;
class SystemActions;
} // namespace platform

// Puts setups into effect: launches their apps, places their windows on the current
// displays, opens their pages, applies their system state and leaves an undo
// checkpoint. Every operation blocks and runs on the executor's queue, never on the
// main thread; receipts and the store's active run are handed to the main thread.
class SetupEngine final : public QObject, public SetupPort {
    Q_OBJECT
public:
    using AppliedWindow = SetupStore::AppliedWindow;
    using OpenedWindows = std::vector<BrowserScripting::OpenedWindow>;
    // Web windows a run opened, by browser.
    using Ledger = std::map<QString, OpenedWindows>;

    struct UndoCheckpoint {
        enum class Kind { run, end };
        Kind kind = Kind::run;
        QUuid setupID;
        QString setupName;
        std::vector<AppliedWindow> windowFrames; // the windows before the run
        QStringList quitApps;                    // other apps that agreed to quit
        Ledger openedLedger;
        QString displayFingerprint;
    };

    // One frame placed on the current displays (bottom-left space).
    struct Placement {
        QRectF rect;
        bool cascaded = false; // its display is missing: moved onto the first one
        bool operator==(const Placement&) const = default;
    };

    struct PendingPlacement {
        platform::WindowId element = 0;
        qint64 pid = 0;
        QRectF from;   // top-left space
        QRectF target; // top-left space
        QString bid;
        QString title;
        QString appName;
    };

    using Harvest = std::function<BrowserScripting::HarvestResult(const QString& bundleID)>;
    using TargetRect = std::function<std::optional<QRectF>(const SetupFrame&)>;

    // What the engine drives besides the window engine and the store. Absent ones
    // make their steps fail with their notes.
    struct Collaborators {
        platform::InstalledApps* installed = nullptr;
        platform::RunningApps* running = nullptr;
        platform::AppLauncher* launcher = nullptr;
        platform::BrowserLauncher* browsers = nullptr;
        platform::SystemActions* system = nullptr;
        BrightnessControl* brightness = nullptr;
        platform::MediaPlayers* players = nullptr;
        platform::AppearanceSwitch* appearance = nullptr;
        platform::OwnWindows* own = nullptr; // the desktop's reduce-motion switch
        WindowAnimator::Timer animatorTimer;
        // The browsers' own windows with their pages; absent: BrowserScripting's.
        Harvest harvest;
        // Apps whose windows the desktop lists when the window layer sees none of
        // them; absent: 0.
        std::function<int()> staleWindowCount;
        // Apps shown one at a time by the desktop; absent: off.
        std::function<bool()> stageManagerActive;
    };

    // What is on screen now, as setup items.
    struct CaptureResult {
        std::vector<SetupItem> items;
        QString fingerprint;
        QStringList notes;                                 // pages that could not be read
        std::vector<std::pair<QUuid, QUuid>> overlapPairs; // items that cover each other badly
        std::vector<platform::WindowId> windows;           // the window of each item, in item order
        bool operator==(const CaptureResult&) const = default;
    };

    SetupEngine(WindowEngine& windows, SetupStore& store, Collaborators collaborators,
                QObject* parent = nullptr);
    ~SetupEngine() override;

    // --- capture and drift (SetupEngineCapture.cpp)
    // Blocks on the window list and the browsers; never the main thread.
    CaptureResult captureNow();
    // captureNow() on the capture queue; `completion` runs on the main thread, with
    // an empty result when the engine is gone by then.
    void captureCurrent(std::function<void(const CaptureResult&)> completion);
    // Captures, then hands the store's copy of the setup (or `setup` when the store
    // has none) over to `completion` with its windows replaced. Main thread.
    void updateFromCurrent(const Setup& setup, std::function<void(const Setup&)> completion);
    // Whether the windows a run placed have since moved enough to offer putting them
    // back. Blocks; never the main thread.
    bool hasDrifted(const SetupStore::ActiveRun& run);
    // `setup` with the captured windows in place of its own. An empty capture
    // changes nothing; pages and project folders the capture cannot see are kept.
    // `known` holds the windows the setup's last run opened for its pages (by their
    // page prefix) or brought up by starting a browser (an empty prefix): a page's
    // window gives its frame to the page, a start window is not the setup's.
    static Setup withCapture(const Setup& setup, const CaptureResult& capture,
                             const std::map<platform::WindowId, QString>& known = {});

    // --- the executor's port
    std::optional<SetupRef> lookup(const QString& phrase) override;
    RunReport run(const SetupRef& setup) override;
    RunReport runDraft(const Setup& draft) override;
    EndReport end(const SetupRef& setup) override;
    std::optional<int> closeOthersForLastRun(const QUuid& expecting) override;
    std::optional<UndoReport> undoLast() override;

    // Runs a setup to the end and reports what it did. Blocks; never the main thread.
    RunReport run(const Setup& setup);
    EndReport end(const Setup& setup);

    // Opens one browser's pages of a run, places them and records their windows.
    // `opened` may come holding the live windows of the setup's previous run: their
    // pages are placed there instead of being opened again. The windows the browser
    // brought up when it had to be started go to `started`.
    void runURLItems(const std::vector<SetupItem>& items, const QString& browser, RunReport& report,
                     std::vector<AppliedWindow>& applied, OpenedWindows& opened,
                     const TargetRect& targetAXRect, OpenedWindows* started = nullptr);
    // The browser runs and has a window; false when it could not be made to. The
    // windows a start brought up (a session it restored, a home page) go to `started`.
    bool ensureBrowserRunning(const QString& bundleID, OpenedWindows* started = nullptr);
    // Volume, brightness, arrival sound, appearance, music and Shortcut, in that order.
    void applySystemState(const SetupSystemState& state, QStringList& notes, int& appliedSteps);
    // Asks every other ordinary app to quit; the IDs of those that agreed.
    QStringList closeOtherApps(const QSet<QString>& keeping);
    // The apps closeOtherApps would ask now, without asking them. Any thread; it
    // runs xdg-mime, so not on the main thread.
    QStringList othersToClose(const QSet<QString>& keeping);

    const std::optional<UndoCheckpoint>& lastUndo() const { return lastUndo_; }
    std::map<QUuid, Ledger> windowLedger() const;

    // --- the pure rules
    // Where a relative frame lands among the visible frames; a missing (or negative)
    // display cascades onto the first, taking the next slot.
    static std::optional<Placement> placement(const SetupFrame& frame,
                                              const std::vector<QRectF>& visibleFrames, int& cascadeSlot);
    // Each app once, ordered by its last item: A, B, A, C gives B, A, C.
    static QStringList surfaceOrder(const std::vector<SetupItem>& items);
    static bool projectWindowOpen(const QStringList& titles, const QString& folderName);
    // A page address as the ledger keeps it: without one trailing "/".
    static QString ledgerPrefix(const QString& url);
    // Whether a window showing `windowUrl` shows the item's page.
    static bool urlMatches(const QString& windowUrl, const QString& itemUrl);
    static QString cascadeNote(int count);
    static UndoCheckpoint foldingQuits(const UndoCheckpoint& checkpoint, const QStringList& asked);

    // The arrival sounds that exist; any other name plays nothing.
    static const QStringList& arrivalSounds();

    static constexpr int maxGlides = 5;
    static constexpr double glideDuration = 0.3;
    static constexpr double glideStagger = 0.03;
    static constexpr double glideWait = 3.0;
    static constexpr double stepLimit = 15.0;
    static constexpr double shortcutLimit = 10.0;

signals:
    // After every run, refusals included; `canUndo` tells whether it left a
    // checkpoint. Main thread.
    void runReceipt(const brisklet::SetupPort::RunReport& report, const brisklet::Setup& setup, bool canUndo);
    void endReceipt(const brisklet::SetupPort::EndReport& report, const brisklet::Setup& setup);
    // A setup asks for one of the arrival sounds. Main thread.
    void soundCueRequested(const QString& name);

private:
    struct Run;
    struct Group {
        QString bundleID;
        std::vector<SetupItem> items;
    };
    static std::vector<Group> groups(const std::vector<SetupItem>& items);

    // SetupEngine.cpp: the run and its apps.
    Run startRun(const Setup& setup);
    std::optional<QString> refusal(const Setup& setup, const Run& run);
    void refuse(const Setup& setup, Run& run, const QString& note);
    void launchGroup(const Group& group, Run& run);
    std::vector<WindowRef> openProject(const QString& bundleID, const QString& appName, const QString& path,
                                       std::vector<WindowRef> shown, Run& run);
    void explainMissingWindows(const QString& bundleID, const QString& appName, Run& run);
    static QSet<platform::WindowId> windowIDsOf(const Ledger& ledger);
    // `openedNow`: the page windows this run opened, which undoing it closes.
    void finishRun(const Setup& setup, Run& run, const std::vector<AppliedWindow>& snapshot,
                   const QStringList& quit, Ledger openedNow);
    void deliverReceipt(const RunReport& report, const Setup& setup, bool canUndo);
    std::vector<AppliedWindow> windowSnapshot();
    QString currentFingerprint();

    // SetupEnginePlacing.cpp: pairing, placing and bringing forward.
    std::optional<QRectF> targetAXRect(const SetupFrame& frame, Run& run);
    void pairWindows(const Group& group, const std::vector<WindowRef>& windows, Run& run);
    void placePending(Run& run);
    std::vector<bool> glide(const std::vector<PendingPlacement>& pending, int count);
    void bringForward(const Setup& setup, Run& run);
    std::vector<platform::WindowId> windowsToRaise(const QString& bundleID,
                                                   const std::vector<SetupItem>& items, const Run& run,
                                                   const std::map<QString, std::vector<WindowRef>>& visible);
    // `raised`: the last app's window raised last, which gets the focus.
    void bringLastAppToFront(const QString& bundleID, const std::set<qint64>& spacePids,
                             std::optional<platform::WindowId> raised);
    CloseTheRest::Spared sparedFromClosing(const QSet<QString>& keeping);
    bool reduceMotion();

    // SetupEngineWeb.cpp: pages.
    BrowserScripting::Desktop browserDesktop();
    BrowserScripting::HarvestResult harvest(const QString& bundleID);
    void openPages(const std::vector<std::pair<SetupItem, std::optional<QRectF>>>& kept,
                   const QString& browser, const QString& name, bool notInstalled, bool unscriptable,
                   bool justStarted, RunReport& report, std::vector<AppliedWindow>& applied,
                   OpenedWindows& opened);
    // The pages whose windows, taken for them on a guess, are still open and so are
    // left open: one sentence names them all.
    struct LeftOpen {
        QStringList pages; // each page once, quoted
        QString note;      // empty when no page is left open
    };
    LeftOpen leftOpen(const std::vector<SetupItem>& items, const QString& browser,
                      const OpenedWindows& windows);
    void openPlainly(const SetupItem& item, const QString& browser, const QString& name, bool notInstalled,
                     bool unscriptable, bool hadFrame, RunReport& report);

    // SetupEngineSystem.cpp: the system steps that talk to other programs.
    void applyAppearance(SetupSystemState::Appearance appearance, QStringList& notes, int& appliedSteps);
    void applyMusic(const SetupSystemState& state, QStringList& notes, int& appliedSteps);
    void applyShortcut(const QString& name, QStringList& notes, int& appliedSteps);
    std::optional<QString> findPlayer(const QString& id, double deadline);

    // SetupEngineClosing.cpp.
    int restoreWindows(const std::vector<AppliedWindow>& saved);

    // SetupEngineKept.cpp: the ledgers on disk, beside the setups.
    QString keptWindowsPath() const;
    void loadKeptWindows();
    // Before the ledgers are first used: drops the windows that have gone since.
    void checkKeptWindows();
    void saveKeptWindows();

    // Shared reads of the desktop.
    std::map<QString, platform::AppEntry> installedApps();
    std::vector<qint64> instancePids(const QString& bundleID);
    bool isHidden(const QString& bundleID);
    bool hasWindow(const QString& bundleID);
    std::vector<WindowRef> currentWindows(const QString& bundleID);
    // The windows of the setup's last run that are still the browser's, by ID.
    OpenedWindows liveWindows(const QString& bundleID, const OpenedWindows& recorded);
    // Keeps only the ledger's live windows, and browsers left with some; true when
    // anything went.
    bool dropGone(Ledger& ledger);
    std::optional<qint64> ownerOf(platform::WindowId window, const QString& bundleID);
    // The windows that `withCapture` may know the setup by.
    std::map<platform::WindowId, QString> knownWindows(const QUuid& setupID) const;

    WindowEngine& windows_;
    SetupStore& store_;
    Collaborators c_;
    Clock& clock_;
    mutable std::mutex ledgerMutex_; // the ledgers are read by captures on their own queue
    std::map<QUuid, Ledger> windowLedger_;
    std::map<QUuid, Ledger> startWindows_; // windows a run's browser start brought up
    std::once_flag keptChecked_;
    std::optional<UndoCheckpoint> lastUndo_;
    std::unique_ptr<WindowAnimator> animator_; // our own, not the window engine's
    std::shared_ptr<std::atomic<bool>> alive_ = std::make_shared<std::atomic<bool>>(true);
    std::unique_ptr<SerialQueue> captureQueue_; // last: drained before the rest goes
};

} // namespace brisklet
