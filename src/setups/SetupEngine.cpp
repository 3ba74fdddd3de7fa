#include "setups/SetupEngine.h"
#include "setups/SetupEngineRun.h"

#include "base/Log.h"
#include "base/MainThread.h"
#include "base/SerialQueue.h"
#include "platform/AppLauncher.h"
#include "platform/BrowserLauncher.h"
#include "windows/DisplayArrangement.h"
#include "windows/LayoutStore.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QUrl>
#include <algorithm>
#include <set>

namespace brisklet {

namespace {

// The option that starts a terminal in a folder, for terminals whose command line
// takes no files.
std::optional<QStringList> terminalInFolder(const QString& id, const QString& folder) {
    if (id == QLatin1String("kitty"))
        return QStringList{QStringLiteral("--directory"), folder};
    if (id == QLatin1String("Alacritty") || id == QLatin1String("org.gnome.Console"))
        return QStringList{QStringLiteral("--working-directory"), folder};
    if (id == QLatin1String("org.wezfurlong.wezterm"))
        return QStringList{QStringLiteral("start"), QStringLiteral("--cwd"), folder};
    if (id == QLatin1String("com.mitchellh.ghostty") || id == QLatin1String("org.gnome.Terminal") ||
        id == QLatin1String("xfce4-terminal"))
        return QStringList{QStringLiteral("--working-directory=") + folder};
    if (id == QLatin1String("org.kde.konsole"))
        return QStringList{QStringLiteral("--workdir"), folder};
    return std::nullopt;
}

QString expandedHome(const QString& path) {
    if (path == QLatin1String("~"))
        return QDir::homePath();
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

QStringList titlesOf(const std::vector<WindowRef>& windows) {
    QStringList titles;
    for (const auto& w : windows)
        titles << w.title;
    return titles;
}

// Each page's window, so that it is raised by its ID wherever it landed.
void notePageWindows(const std::vector<SetupItem>& pages, const SetupEngine::OpenedWindows& opened,
                     std::vector<std::pair<QUuid, platform::WindowId>>& itemWindows) {
    std::vector<bool> taken(opened.size(), false);
    for (const auto& page : pages)
        for (size_t i = 0; i < opened.size() && page.url; ++i)
            if (!taken[i] && opened[i].prefix == SetupEngine::ledgerPrefix(*page.url)) {
                taken[i] = true;
                itemWindows.emplace_back(page.id, opened[i].windowID);
                break;
            }
}

} // namespace

SetupEngine::SetupEngine(WindowEngine& windows, SetupStore& store, Collaborators collaborators,
                         QObject* parent)
    : QObject(parent), windows_(windows), store_(store), c_(std::move(collaborators)),
      clock_(windows.clock()),
      animator_(std::make_unique<WindowAnimator>(windows, windows.clock(), c_.animatorTimer)),
      captureQueue_(std::make_unique<SerialQueue>("com.brisklet.setupcapture", "setupcapture")) {
    loadKeptWindows();
}

SetupEngine::~SetupEngine() {
    // Captures still queued find the engine gone and hand back empty results.
    alive_->store(false);
    captureQueue_->sync([] {});
}

// --- the executor's port

std::optional<SetupPort::SetupRef> SetupEngine::lookup(const QString& phrase) {
    const auto found = store_.lookup(phrase);
    if (!found)
        return std::nullopt;
    return SetupRef{found->id, found->name};
}

SetupPort::RunReport SetupEngine::run(const SetupRef& setup) {
    if (auto stored = store_.setup(setup.id))
        return run(*stored);
    RunReport report;
    report.name = setup.name;
    report.notes << QStringLiteral("“") + setup.name + QStringLiteral("” doesn't exist anymore.");
    return report;
}

SetupPort::RunReport SetupEngine::runDraft(const Setup& draft) {
    return run(draft);
}

// --- the run

std::vector<SetupEngine::Group> SetupEngine::groups(const std::vector<SetupItem>& items) {
    std::vector<Group> result;
    for (const auto& item : items) {
        auto found = std::find_if(result.begin(), result.end(),
                                  [&](const Group& g) { return g.bundleID == item.bundleID; });
        if (found == result.end())
            result.push_back({item.bundleID, {item}});
        else
            found->items.push_back(item);
    }
    return result;
}

SetupEngine::Run SetupEngine::startRun(const Setup& setup) {
    Run run;
    run.report.name = setup.name;
    run.report.total = static_cast<int>(setup.items.size());
    run.report.arrangement = DisplayArrangement::label(setup.fingerprint);
    run.report.fingerprintMismatch = setup.fingerprint.isEmpty() || setup.fingerprint != currentFingerprint();
    for (const auto& screen : windows_.screens())
        run.visibleFrames.push_back(screen.visibleFrame);
    return run;
}

std::optional<QString> SetupEngine::refusal(const Setup& setup, const Run& run) {
    auto stale = [this] { return c_.staleWindowCount ? c_.staleWindowCount() : 0; };
    if (!setup.appItems().empty() && stale() >= 2) {
        clock_.sleep(0.15);
        if (stale() >= 2) {
            qCCritical(lcWindows) << "run refused: AX stale (CG sees windows, AX maps none)";
            return QStringLiteral(
                "Brisklet can't see your windows yet — restart Brisklet once, then try again.");
        }
    }
    const qint64 needed = setup.displaysNeeded();
    const qint64 connected = static_cast<qint64>(run.visibleFrames.size());
    if (setup.requiresAllDisplays && connected < needed) {
        qCInfo(lcWindows, "run refused: needs %lld displays, %lld connected", needed, connected);
        return setup.name + QStringLiteral(" needs ") + QString::number(needed) +
               QStringLiteral(" displays — ") +
               (connected == 1 ? QStringLiteral("only one is")
                               : QString::number(connected) + QStringLiteral(" are")) +
               QStringLiteral(" connected. Nothing was changed.");
    }
    return std::nullopt;
}

void SetupEngine::refuse(const Setup& setup, Run& run, const QString& note) {
    run.report.notes << note;
    for (const auto& item : setup.items)
        run.report.failedItems << item.appName;
    deliverReceipt(run.report, setup, false);
}

SetupPort::RunReport SetupEngine::run(const Setup& setup) {
    checkKeptWindows();
    Run run = startRun(setup);
    if (const auto note = refusal(setup, run)) {
        refuse(setup, run, *note);
        return run.report;
    }
    run.installed = installedApps();
    const auto snapshot = windowSnapshot();

    QStringList quit;
    if (setup.closeOthers) {
        quit = closeOtherApps(setup.bundleIDs());
        run.report.clearedOthers = static_cast<int>(quit.size());
    }

    for (const auto& group : groups(setup.appItems()))
        launchGroup(group, run);
    placePending(run);

    // The pages the last run opened are still this setup's while their windows
    // live: they are placed again rather than opened twice.
    Ledger ledger, started;
    {
        std::lock_guard lock(ledgerMutex_);
        if (const auto it = windowLedger_.find(setup.id); it != windowLedger_.end())
            ledger = it->second;
        if (const auto it = startWindows_.find(setup.id); it != startWindows_.end())
            started = it->second;
    }
    for (Ledger* kept : {&ledger, &started})
        dropGone(*kept);
    // What undoing this run may close: only the windows it opens, not the live ones
    // it takes over from the last run.
    const QSet<platform::WindowId> carried = windowIDsOf(ledger);
    const TargetRect target = [this, &run](const SetupFrame& frame) { return targetAXRect(frame, run); };
    for (const auto& group : groups(setup.urlItems())) {
        OpenedWindows& opened = ledger[group.bundleID];
        OpenedWindows cameWith;
        runURLItems(group.items, group.bundleID, run.report, run.applied, opened, target, &cameWith);
        notePageWindows(group.items, opened, run.itemWindows);
        if (opened.empty())
            ledger.erase(group.bundleID);
        if (!cameWith.empty())
            started[group.bundleID] = std::move(cameWith);
    }
    bool changed = false;
    {
        std::lock_guard lock(ledgerMutex_);
        changed = windowLedger_.contains(setup.id) || startWindows_.contains(setup.id) || !ledger.empty() ||
                  !started.empty();
        windowLedger_.erase(setup.id);
        startWindows_.erase(setup.id);
        if (!ledger.empty())
            windowLedger_[setup.id] = ledger;
        if (!started.empty())
            startWindows_[setup.id] = started;
    }
    if (changed)
        saveKeptWindows();

    if (run.cascadedCount > 0)
        run.report.notes << cascadeNote(run.cascadedCount);
    bringForward(setup, run);
    applySystemState(setup.system, run.report.notes, run.report.opened);
    Ledger openedNow;
    for (const auto& [browser, windows] : ledger)
        for (const auto& window : windows)
            if (!carried.contains(window.windowID))
                openedNow[browser].push_back(window);
    finishRun(setup, run, snapshot, quit, std::move(openedNow));
    return run.report;
}

QSet<platform::WindowId> SetupEngine::windowIDsOf(const Ledger& ledger) {
    QSet<platform::WindowId> ids;
    for (const auto& [browser, windows] : ledger)
        for (const auto& window : windows)
            ids.insert(window.windowID);
    return ids;
}

void SetupEngine::finishRun(const Setup& setup, Run& run, const std::vector<AppliedWindow>& snapshot,
                            const QStringList& quit, Ledger openedNow) {
    store_.markRun(setup.id);

    SetupStore::ActiveRun active;
    active.setupID = setup.id;
    active.name = setup.name;
    active.applied = run.applied;
    active.startedAt = SetupJson::wholeSeconds(clock_.wallNow());
    active.displayFingerprint = currentFingerprint();
    SetupStore* store = &store_;
    MainThread::post(store, [store, active] { store->setActiveRun(active); });

    bool canUndo = false;
    if (run.report.opened > 0 || run.report.placed > 0 || !quit.isEmpty()) {
        lastUndo_ = UndoCheckpoint{
            UndoCheckpoint::Kind::run, setup.id, setup.name, snapshot, quit, std::move(openedNow),
            currentFingerprint()};
        canUndo = true;
    }
    deliverReceipt(run.report, setup, canUndo);

    qCInfo(lcWindows, "setup “%s” run: %d/%d placed, %d notes", qUtf8Printable(setup.name), run.report.placed,
           run.report.total, static_cast<int>(run.report.notes.size()));
    for (const auto& note : run.report.notes)
        qCInfo(lcWindows, "setup note: %s", qUtf8Printable(note));
}

void SetupEngine::deliverReceipt(const RunReport& report, const Setup& setup, bool canUndo) {
    QPointer<SetupEngine> self(this);
    MainThread::post(this, [self, report, setup, canUndo] {
        if (self)
            emit self->runReceipt(report, setup, canUndo);
    });
}

// --- one app of the run

void SetupEngine::launchGroup(const Group& group, Run& run) {
    const QString& id = group.bundleID;
    const QString name = group.items.front().appName;
    if (!run.installed.contains(id) && !hasWindow(id)) {
        run.report.notes << name + QStringLiteral(" isn't installed — skipped.");
        run.report.failedItems << name;
        return;
    }
    std::optional<QString> project;
    for (const auto& item : group.items)
        if (item.projectPath && !item.projectPath->isEmpty()) {
            project = expandedHome(*item.projectPath);
            break;
        }
    const bool wasRunning = !instancePids(id).empty();
    const bool takesFiles = c_.launcher && c_.launcher->acceptsUrls(id);

    std::vector<WindowRef> shown;
    if (project && !wasRunning && !takesFiles && terminalInFolder(id, *project)) {
        // A terminal is started in the folder rather than twice.
        shown = openProject(id, name, *project, {}, run);
        if (shown.empty())
            shown = windows_.windowsEnsuringLaunch(id);
    } else {
        std::optional<QString> url;
        if (project && takesFiles)
            url = QUrl::fromLocalFile(*project).toString();
        shown = windows_.windowsEnsuringLaunch(id, url);
        if (project && (wasRunning || !takesFiles) &&
            !projectWindowOpen(titlesOf(shown), QFileInfo(*project).fileName()))
            shown = openProject(id, name, *project, std::move(shown), run);
    }

    if (shown.empty() && BrowserScripting::family(id) && c_.browsers) {
        auto desktop = browserDesktop();
        if (BrowserScripting::openEmptyWindow(desktop, id)) {
            const double deadline = clock_.now() + 3.0;
            while (clock_.now() < deadline && shown.empty()) {
                clock_.sleep(0.25);
                shown = currentWindows(id);
            }
        }
    }
    if (shown.empty()) {
        explainMissingWindows(id, name, run);
        return;
    }
    run.report.opened += 1;
    pairWindows(group, shown, run);
}

// Opens the folder in the app and waits briefly for the window it brings. What
// was shown before, when nothing new came.
std::vector<WindowRef> SetupEngine::openProject(const QString& bundleID, const QString& appName,
                                                const QString& path, std::vector<WindowRef> shown, Run& run) {
    bool started = false;
    if (c_.launcher && c_.launcher->acceptsUrls(bundleID))
        started = c_.launcher->launch(bundleID, {QUrl::fromLocalFile(path).toString()}).ok;
    else if (const auto args = terminalInFolder(bundleID, path); args && c_.browsers)
        started = c_.browsers->launchWithArguments(bundleID, *args).ok;
    if (!started) {
        run.report.notes << appName +
                                QStringLiteral(" couldn't open the project folder — opened without it.");
        return shown;
    }
    // A first window may take as long as a launch; another one comes quicker.
    const double deadline = clock_.now() + (shown.empty() ? 5.0 : 1.5);
    while (clock_.now() < deadline) {
        auto now = currentWindows(bundleID);
        if (now.size() > shown.size())
            return now;
        clock_.sleep(0.25);
    }
    return shown;
}

void SetupEngine::explainMissingWindows(const QString& bundleID, const QString& appName, Run& run) {
    const auto pids = instancePids(bundleID);
    bool elsewhere = false;
    if (!pids.empty()) {
        const auto spacePids = windows_.pidsOnCurrentSpace();
        elsewhere = !spacePids.contains(pids.front()) && !windows_.axWindows(pids.front()).empty();
    }
    run.report.notes << appName +
                            (elsewhere
                                 ? QStringLiteral("'s windows are on another desktop — left them there.")
                                 : QStringLiteral(" didn't show a window."));
    run.report.failedItems << appName;
}

// --- reads

std::vector<SetupEngine::AppliedWindow> SetupEngine::windowSnapshot() {
    std::vector<AppliedWindow> snapshot;
    for (const auto& w : windows_.visibleWindows())
        if (w.bundleID && !w.bundleID->isEmpty())
            snapshot.push_back({*w.bundleID, w.title, w.axFrame});
    return snapshot;
}

QString SetupEngine::currentFingerprint() {
    std::vector<QRectF> frames;
    for (const auto& screen : windows_.screens())
        frames.push_back(screen.frame);
    return LayoutStore::fingerprint(frames);
}

std::map<QString, platform::AppEntry> SetupEngine::installedApps() {
    std::map<QString, platform::AppEntry> result;
    if (c_.installed)
        for (auto& entry : c_.installed->installedApps())
            result.emplace(entry.id, entry);
    return result;
}

// The processes of an app, in window order; windows without a known owner count
// as one instance.
std::vector<qint64> SetupEngine::instancePids(const QString& bundleID) {
    std::vector<qint64> pids;
    for (const auto& w : windows_.windowSystem().windows())
        if (w.appId == bundleID && std::find(pids.begin(), pids.end(), w.pid) == pids.end())
            pids.push_back(w.pid);
    return pids;
}

bool SetupEngine::hasWindow(const QString& bundleID) {
    return !instancePids(bundleID).empty();
}

bool SetupEngine::isHidden(const QString& bundleID) {
    bool any = false;
    for (const auto& w : windows_.windowSystem().windows()) {
        if (w.appId != bundleID || w.type != platform::WindowType::normal)
            continue;
        if (!w.iconic)
            return false;
        any = true;
    }
    return any;
}

std::vector<WindowRef> SetupEngine::currentWindows(const QString& bundleID) {
    std::vector<WindowRef> mine;
    for (auto& w : windows_.visibleWindows())
        if (w.bundleID && *w.bundleID == bundleID)
            mine.push_back(std::move(w));
    return mine;
}

std::optional<qint64> SetupEngine::ownerOf(platform::WindowId window, const QString& bundleID) {
    if (const auto w = windows_.windowSystem().window(window); w && w->appId == bundleID)
        return w->pid;
    return std::nullopt;
}

// A recorded window counts while the browser still has it and its process is the
// one recorded: X hands a closed window's ID to new windows.
SetupEngine::OpenedWindows SetupEngine::liveWindows(const QString& bundleID, const OpenedWindows& recorded) {
    OpenedWindows live;
    for (const auto& w : recorded)
        if (const auto pid = ownerOf(w.windowID, bundleID); pid && (w.pid == 0 || *pid == w.pid))
            live.push_back(w);
    return live;
}

bool SetupEngine::dropGone(Ledger& ledger) {
    bool dropped = false;
    for (auto it = ledger.begin(); it != ledger.end();) {
        const std::size_t before = it->second.size();
        it->second = liveWindows(it->first, it->second);
        dropped = dropped || it->second.size() != before;
        it = it->second.empty() ? ledger.erase(it) : std::next(it);
    }
    return dropped;
}

std::map<QUuid, SetupEngine::Ledger> SetupEngine::windowLedger() const {
    std::lock_guard lock(ledgerMutex_);
    return windowLedger_;
}

std::map<platform::WindowId, QString> SetupEngine::knownWindows(const QUuid& setupID) const {
    std::map<platform::WindowId, QString> known;
    std::lock_guard lock(ledgerMutex_);
    if (const auto it = startWindows_.find(setupID); it != startWindows_.end())
        for (const auto& [browser, list] : it->second)
            for (const auto& w : list)
                known[w.windowID] = QString();
    if (const auto it = windowLedger_.find(setupID); it != windowLedger_.end())
        for (const auto& [browser, list] : it->second)
            for (const auto& w : list)
                known[w.windowID] = w.prefix;
    return known;
}

// --- pure rules

bool SetupEngine::projectWindowOpen(const QStringList& titles, const QString& folderName) {
    const QString folder = folderName.toLower();
    if (folder.isEmpty())
        return false;
    return std::any_of(titles.begin(), titles.end(),
                       [&](const QString& t) { return t.toLower().contains(folder); });
}

SetupEngine::UndoCheckpoint SetupEngine::foldingQuits(const UndoCheckpoint& checkpoint,
                                                      const QStringList& asked) {
    UndoCheckpoint folded = checkpoint;
    for (const auto& id : asked)
        if (!folded.quitApps.contains(id))
            folded.quitApps << id;
    return folded;
}

} // namespace brisklet
