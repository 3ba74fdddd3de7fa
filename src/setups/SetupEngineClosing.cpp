// Ending a setup, closing the other apps and undoing the last run or end.
#include "setups/SetupEngine.h"

#include "base/Log.h"
#include "base/MainThread.h"
#include "platform/AppLauncher.h"
#include "platform/Apps.h"
#include "platform/BrowserLauncher.h"

#include <QPointer>
#include <cmath>

namespace brisklet {

namespace {

double distance(const QPointF& a, const QPointF& b) {
    return std::hypot(a.x() - b.x(), a.y() - b.y());
}

} // namespace

CloseTheRest::Spared SetupEngine::sparedFromClosing(const QSet<QString>& keeping) {
    CloseTheRest::Spared spared;
    spared.keep = keeping;
    spared.ownPid = windows_.ownPid();
    if (c_.browsers) {
        spared.webHandlers = c_.browsers->webHandlers();
        spared.fileManager = c_.browsers->defaultFileManager();
    }
    return spared;
}

QStringList SetupEngine::othersToClose(const QSet<QString>& keeping) {
    if (!c_.running)
        return {};
    return CloseTheRest::asked(c_.running->runningApps(), sparedFromClosing(keeping));
}

QStringList SetupEngine::closeOtherApps(const QSet<QString>& keeping) {
    QStringList asked;
    if (!c_.launcher || !c_.running)
        return asked;
    for (const QString& id : othersToClose(keeping))
        if (c_.launcher->quit(id))
            asked << id;
    qCInfo(lcWindows, "close-everything-else: asked %d apps to quit", static_cast<int>(asked.size()));
    return asked;
}

std::optional<int> SetupEngine::closeOthersForLastRun(const QUuid& expecting) {
    if (!lastUndo_ || lastUndo_->kind != UndoCheckpoint::Kind::run || lastUndo_->setupID != expecting)
        return std::nullopt;
    const auto setup = store_.setup(expecting);
    if (!setup)
        return std::nullopt;
    const QStringList asked = closeOtherApps(setup->bundleIDs());
    lastUndo_ = foldingQuits(*lastUndo_, asked);
    return static_cast<int>(asked.size());
}

SetupPort::EndReport SetupEngine::end(const SetupRef& setup) {
    if (auto stored = store_.setup(setup.id))
        return end(*stored);
    return {setup.name, 0, {QStringLiteral("“") + setup.name + QStringLiteral("” doesn't exist anymore.")}};
}

SetupPort::EndReport SetupEngine::end(const Setup& setup) {
    checkKeptWindows();
    EndReport report{setup.name, 0, {}};
    Ledger ledger;
    {
        std::lock_guard lock(ledgerMutex_);
        if (const auto entry = windowLedger_.find(setup.id); entry != windowLedger_.end())
            ledger = entry->second;
    }
    QStringList leftOpenNotes;
    for (const auto& group : groups(setup.urlItems())) {
        const QString name = group.items.front().appName;
        if (!hasWindow(group.bundleID) || !c_.browsers)
            continue;
        if (!BrowserScripting::family(group.bundleID)) {
            report.notes << name + QStringLiteral(" tabs can't be closed by script — left open.");
            continue;
        }
        auto desktop = browserDesktop();
        std::vector<BrowserScripting::CloseResult> results;
        QSet<QString> prefixes;
        const auto mine = ledger.find(group.bundleID);
        if (mine != ledger.end() && !mine->second.empty()) {
            if (const auto left = leftOpen(group.items, group.bundleID, mine->second);
                !left.pages.isEmpty()) {
                leftOpenNotes << left.note;
                report.leftOpenPages += static_cast<int>(left.pages.size());
            }
            // A page whose window the user closed already is covered all the same:
            // nothing of it is left open.
            report.closedWindows +=
                BrowserScripting::closeWindows(desktop, mine->second, group.bundleID).closed;
            for (const auto& w : mine->second)
                prefixes.insert(w.prefix);
        }
        for (const auto& item : group.items)
            if (item.url && !prefixes.contains(ledgerPrefix(*item.url)))
                results.push_back(BrowserScripting::closeTabs(desktop, *item.url, group.bundleID));
        if (std::find(results.begin(), results.end(), BrowserScripting::CloseResult::denied) != results.end())
            report.notes << QStringLiteral("Couldn't close ") + name +
                                QStringLiteral(" tabs — the desktop refused access.");
        else if (std::find(results.begin(), results.end(), BrowserScripting::CloseResult::skipped) !=
                 results.end())
            report.notes << name + QStringLiteral(" tabs can't be closed by script — left open.");
    }
    // First, so the card, which shows one note, says which pages were left open.
    report.notes = leftOpenNotes + report.notes;
    bool forgot = false;
    {
        // The browser's start windows are kept: they stay open and out of the setup's updates.
        std::lock_guard lock(ledgerMutex_);
        forgot = windowLedger_.erase(setup.id) > 0;
    }
    if (forgot)
        saveKeptWindows();

    if (setup.endQuitsApps && c_.launcher) {
        QSet<QString> done;
        for (const auto& item : setup.appItems()) {
            const QString& id = item.bundleID;
            if (done.contains(id) || BrowserScripting::isKnownBrowser(id))
                continue;
            done.insert(id);
            const auto pids = instancePids(id);
            if (pids.empty() || std::find(pids.begin(), pids.end(), windows_.ownPid()) != pids.end())
                continue;
            if (c_.launcher->quit(id))
                report.closedApps += static_cast<int>(pids.size());
            else
                report.notes << (item.appName.isEmpty() ? id : item.appName) +
                                    QStringLiteral(" wouldn't quit.");
        }
    }

    SetupStore* store = &store_;
    const QUuid id = setup.id;
    MainThread::post(store, [store, id] {
        if (store->activeRun() && store->activeRun()->setupID == id)
            store->setActiveRun(std::nullopt);
    });
    lastUndo_ =
        UndoCheckpoint{UndoCheckpoint::Kind::end, setup.id, setup.name, {}, {}, {}, currentFingerprint()};
    QPointer<SetupEngine> self(this);
    MainThread::post(this, [self, report, setup] {
        if (self)
            emit self->endReceipt(report, setup);
    });
    qCInfo(lcWindows, "setup “%s” ended: %d apps quit", qUtf8Printable(setup.name), report.closedApps);
    return report;
}

std::optional<SetupPort::UndoReport> SetupEngine::undoLast() {
    checkKeptWindows();
    if (!lastUndo_)
        return std::nullopt;
    const UndoCheckpoint checkpoint = *lastUndo_;
    lastUndo_.reset();
    UndoReport report;
    report.name = checkpoint.setupName;
    if (checkpoint.kind == UndoCheckpoint::Kind::end) {
        if (auto setup = store_.setup(checkpoint.setupID)) {
            run(*setup);
            report.reranSetup = true;
        } else {
            report.notes << QStringLiteral("“") + checkpoint.setupName +
                                QStringLiteral("” doesn't exist anymore.");
        }
        return report;
    }
    const auto setup = store_.setup(checkpoint.setupID);
    for (const auto& [browser, list] : checkpoint.openedLedger)
        if (hasWindow(browser) && c_.browsers) {
            if (const auto left = leftOpen(setup ? setup->items : std::vector<SetupItem>{}, browser, list);
                !left.pages.isEmpty())
                report.notes << left.note;
            auto desktop = browserDesktop();
            if (BrowserScripting::closeWindows(desktop, list, browser).closed > 0)
                report.closedSetupWindows = true;
        }
    // The windows just closed leave the ledger; those the run took over from the one
    // before stay the setup's.
    const QSet<platform::WindowId> closed = windowIDsOf(checkpoint.openedLedger);
    {
        std::lock_guard lock(ledgerMutex_);
        if (const auto entry = windowLedger_.find(checkpoint.setupID); entry != windowLedger_.end()) {
            Ledger& ledger = entry->second;
            for (auto it = ledger.begin(); it != ledger.end();) {
                std::erase_if(it->second,
                              [&](const auto& window) { return closed.contains(window.windowID); });
                it = it->second.empty() ? ledger.erase(it) : std::next(it);
            }
            if (ledger.empty())
                windowLedger_.erase(entry);
        }
    }
    if (!closed.isEmpty())
        saveKeptWindows();
    const auto installed = installedApps();
    for (const auto& id : checkpoint.quitApps)
        if (instancePids(id).empty() && installed.contains(id) && c_.launcher && c_.launcher->launch(id).ok)
            report.relaunchedApps += 1;
    if (!checkpoint.displayFingerprint.isEmpty() && checkpoint.displayFingerprint != currentFingerprint()) {
        report.notes << QStringLiteral(
            "Your displays changed since that run, so windows were left where they are — "
            "putting them back would have moved them off screen.");
        return report;
    }
    report.restoredWindows = restoreWindows(checkpoint.windowFrames);

    SetupStore* store = &store_;
    const QUuid id = checkpoint.setupID;
    MainThread::post(store, [store, id] {
        if (store->activeRun() && store->activeRun()->setupID == id)
            store->setActiveRun(std::nullopt);
    });
    qCInfo(lcWindows, "undo “%s”: %d windows restored, %d apps relaunched", qUtf8Printable(report.name),
           report.restoredWindows, report.relaunchedApps);
    return report;
}

// Puts windows back on their saved frames; the number put back.
int SetupEngine::restoreWindows(const std::vector<AppliedWindow>& saved) {
    auto visible = windows_.visibleWindows();
    std::vector<bool> taken(visible.size(), false);
    std::vector<PendingPlacement> moves;
    for (const auto& s : saved) {
        std::optional<size_t> best;
        double bestDistance = 0;
        for (size_t i = 0; i < visible.size(); ++i) {
            const auto& w = visible[i];
            if (taken[i] || !w.bundleID || *w.bundleID != s.bundleID)
                continue;
            if (w.title == s.title) {
                best = i;
                break;
            }
            const double d = distance(w.axFrame.center(), s.axFrame.center());
            if (!best || d < bestDistance) {
                best = i;
                bestDistance = d;
            }
        }
        if (!best)
            continue;
        taken[*best] = true;
        const auto& w = visible[*best];
        const bool inPlace = distance(w.axFrame.topLeft(), s.axFrame.topLeft()) <= 8.0 &&
                             std::abs(w.axFrame.width() - s.axFrame.width()) <= 8.0 &&
                             std::abs(w.axFrame.height() - s.axFrame.height()) <= 8.0;
        if (!inPlace)
            moves.push_back({w.element, w.pid, w.axFrame, s.axFrame, s.bundleID, w.title, w.appName});
    }
    int restored = 0;
    auto setDirectly = [&] {
        for (const auto& m : moves)
            restored += windows_.setAXFrameFitted(m.element, m.target) ? 1 : 0;
    };
    if (moves.empty())
        return 0;
    if (reduceMotion() || moves.size() >= 9) {
        setDirectly();
        return restored;
    }
    const auto results = glide(moves, static_cast<int>(moves.size()));
    if (results.empty())
        setDirectly();
    else
        restored = static_cast<int>(std::count(results.begin(), results.end(), true));
    return restored;
}

} // namespace brisklet
