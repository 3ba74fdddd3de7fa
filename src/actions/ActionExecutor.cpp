#include "actions/ActionExecutor.h"

#include "actions/MediaActions.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "base/Text.h"
#include "commands/AppIndex.h"
#include "platform/AppLauncher.h"
#include "platform/Apps.h"
#include "platform/SystemActions.h"
#include "platform/WindowSystem.h"
#include "windows/LayoutStore.h"

#include <algorithm>

namespace brisklet {

namespace {
using Outcome = ActionExecutor::Outcome;
using Text::quoted;

QString plural(int n, const QString& word) {
    return QString::number(n) + QLatin1Char(' ') + word + (n == 1 ? QString() : QStringLiteral("s"));
}
Outcome succeeded(const QString& message) {
    return {true, message};
}
Outcome failed(const QString& message) {
    return {false, message};
}
Outcome windowsMissing() {
    return failed(QStringLiteral("Window control isn't available"));
}
Outcome layoutsMissing() {
    return failed(QStringLiteral("Saved layouts aren't available"));
}
Outcome setupsMissing() {
    return failed(QStringLiteral("Setups aren't available"));
}
Outcome systemMissing() {
    return failed(QStringLiteral("System actions aren't available"));
}
Outcome unknownAction() {
    return failed(QStringLiteral("Unknown action"));
}
Outcome volumeSet(int level) {
    return succeeded(QStringLiteral("Volume ") + QString::number(level) + QLatin1Char('%'));
}

// The actions of one collaborator, once the executor knows it is there.

Outcome saveLayout(LayoutStore& layouts, const QString& name) {
    const auto saved = layouts.snapshot(name);
    if (saved.saved < 1)
        return failed(QStringLiteral("No windows to save"));
    if (!saved.written)
        return failed(QStringLiteral("Couldn't save layout ") + quoted(name));
    return succeeded(QStringLiteral("Saved layout ") + quoted(name) + QStringLiteral(" (") +
                     QString::number(saved.saved) + QStringLiteral(" windows)"));
}

Outcome applyLayout(LayoutStore& layouts, const QString& name) {
    const auto applied = layouts.apply(name);
    if (!applied.found)
        return failed(QStringLiteral("No layout called ") + quoted(name));
    if (applied.arrangementDiffers)
        return {applied.placed > 0, QStringLiteral("Layout saved on a different display setup — placed ") +
                                        QString::number(applied.placed) +
                                        QStringLiteral(" on the main display")};
    return {applied.placed > 0, QStringLiteral("Layout ") + quoted(name) + QStringLiteral(" (") +
                                    QString::number(applied.placed) + QLatin1Char('/') +
                                    QString::number(applied.total) + QStringLiteral(" windows)")};
}

Outcome changeVolume(platform::SystemActions& system, int step) {
    const auto current = system.currentVolume();
    if (!current)
        return failed(QStringLiteral("Couldn't change volume"));
    const int level = std::clamp(*current + step, 0, 100);
    if (!system.setVolume(level))
        return failed(QStringLiteral("Couldn't change volume"));
    return volumeSet(level);
}

Outcome doNotDisturb(platform::SystemActions& system) {
    const QString dnd = QString::fromLatin1(ActionExecutor::dndShortcut);
    if (!system.shortcutExists(dnd))
        return failed(QStringLiteral("Create a Shortcut named “Brisklet DND” first (see README)"));
    if (system.runShortcut(dnd, ActionExecutor::shortcutLimit).status != 0)
        return failed(QStringLiteral("DND shortcut failed"));
    return succeeded(QStringLiteral("Do Not Disturb toggled"));
}

// The setup a card or the tray names by id, else the one the words name.
std::optional<SetupPort::SetupRef> setupOf(SetupPort& setups, const Action& action) {
    if (!action.setupID.isNull())
        return SetupPort::SetupRef{action.setupID, action.name};
    return setups.lookup(action.name);
}

Outcome runSetup(SetupPort& setups, const Action& action) {
    const QString& name = action.name;
    const auto setup = setupOf(setups, action);
    if (!setup)
        return failed(QStringLiteral("No setup called ") + quoted(name) +
                      QStringLiteral(" — say “save this as ") + name +
                      QStringLiteral(" setup” to create it"));
    const auto report = setups.run(*setup);
    return {report.opened > 0 || report.placed > 0, ActionExecutor::runSummary(report)};
}

Outcome endSetup(SetupPort& setups, const Action& action) {
    const QString& name = action.name;
    const auto setup = setupOf(setups, action);
    if (!setup)
        return failed(QStringLiteral("No setup called ") + quoted(name));
    const auto report = setups.end(*setup);
    QString text = quoted(report.name) + QStringLiteral(" ended");
    if (report.closedApps >= 1)
        text += QStringLiteral(" — closing ") + plural(report.closedApps, QStringLiteral("app"));
    if (!report.notes.isEmpty())
        text += QStringLiteral(" · ") + report.notes.first();
    return succeeded(text);
}

Outcome closeOthers(SetupPort& setups, const QUuid& setupID) {
    const auto closing = setups.closeOthersForLastRun(setupID);
    if (!closing)
        return failed(QStringLiteral("That moment has passed — run the setup again, then close the rest"));
    if (*closing < 1)
        return succeeded(QStringLiteral("Nothing else to close"));
    return succeeded(QStringLiteral("Closing ") + plural(*closing, QStringLiteral("other app")) +
                     QStringLiteral(" — say “undo” to bring them back"));
}

Outcome undoSetup(SetupPort& setups) {
    const auto report = setups.undoLast();
    if (!report)
        return failed(QStringLiteral("Nothing to undo — no setup has run recently"));
    const auto& r = *report;
    if (r.reranSetup)
        return succeeded(QStringLiteral("Brought ") + quoted(r.name) + QStringLiteral(" back"));
    const bool nothing = r.restoredWindows <= 0 && r.relaunchedApps <= 0 && !r.closedSetupWindows;
    if (nothing && !r.notes.isEmpty())
        return failed(r.notes.first());
    if (nothing)
        return succeeded(QStringLiteral("Everything is already where it was before ") + quoted(r.name));
    QStringList parts;
    if (r.restoredWindows >= 1)
        parts << plural(r.restoredWindows, QStringLiteral("window")) + QStringLiteral(" back in place");
    if (r.relaunchedApps >= 1)
        parts << plural(r.relaunchedApps, QStringLiteral("app")) + QStringLiteral(" reopening");
    if (r.closedSetupWindows)
        parts << QStringLiteral("its windows closed");
    return succeeded(QStringLiteral("Put things back — ") + parts.join(QStringLiteral(" · ")));
}

// The families that need only the collaborators.

Outcome windowAction(const ActionExecutor::Collaborators& c, const Action& action) {
    WindowEngine* windows = c.windows;
    if (!windows)
        return windowsMissing();
    const auto screenCount = [windows] { return static_cast<int>(windows->screens().size()); };
    switch (action.kind) {
    case Action::Kind::sortActive:
        return ActionExecutor::sortOutcome(windows->sortActive(action.count), false, screenCount());
    case Action::Kind::sortAll:
        return ActionExecutor::sortOutcome(windows->sortAll(), true, screenCount());
    case Action::Kind::moveWindow: {
        if (!windows->move(action.position))
            return failed(QStringLiteral("No focused window"));
        static const char* done[] = {"Left half", "Right half", "Maximized", "Centered"};
        return succeeded(QString::fromLatin1(done[static_cast<int>(action.position)]));
    }
    case Action::Kind::hideOthers:
        windows->hideOthers();
        return succeeded(QStringLiteral("Hid other apps"));
    case Action::Kind::nextDisplay:
        if (!windows->nextDisplay())
            return failed(QStringLiteral("Only one display"));
        return succeeded(QStringLiteral("Moved to next display"));
    default:
        return unknownAction();
    }
}

Outcome layoutAction(const ActionExecutor::Collaborators& c, const Action& action) {
    if (!c.layouts)
        return layoutsMissing();
    if (action.kind == Action::Kind::saveLayout)
        return saveLayout(*c.layouts, action.name);
    return applyLayout(*c.layouts, action.name);
}

Outcome soundAction(const ActionExecutor::Collaborators& c, const Action& action) {
    if (!c.system)
        return systemMissing();
    switch (action.kind) {
    case Action::Kind::setVolume: {
        const int level = std::clamp(action.level, 0, 100);
        if (!c.system->setVolume(level))
            return failed(QStringLiteral("Couldn't set volume"));
        return volumeSet(level);
    }
    case Action::Kind::volumeUp:
        return changeVolume(*c.system, 10);
    case Action::Kind::volumeDown:
        return changeVolume(*c.system, -10);
    case Action::Kind::mute:
        if (!c.system->setMuted(action.muted))
            return failed(action.muted ? QStringLiteral("Couldn't mute") : QStringLiteral("Couldn't unmute"));
        return succeeded(action.muted ? QStringLiteral("Muted") : QStringLiteral("Unmuted"));
    default:
        return unknownAction();
    }
}

Outcome systemAction(const ActionExecutor::Collaborators& c, const Action& action) {
    if (!c.system)
        return systemMissing();
    switch (action.kind) {
    case Action::Kind::runShortcut:
        if (c.system->runShortcut(action.name, ActionExecutor::shortcutLimit).status == 0)
            return succeeded(QStringLiteral("Ran ") + quoted(action.name));
        return failed(QStringLiteral("Shortcut ") + quoted(action.name) + QStringLiteral(" failed"));
    case Action::Kind::screenshot:
        if (!c.system->screenshot())
            return failed(QStringLiteral("Screenshot failed"));
        return succeeded(QStringLiteral("Screenshot saved to Desktop"));
    case Action::Kind::lockScreen:
        if (!c.system->lockScreen().isOk())
            return failed(QStringLiteral("Couldn't lock the screen"));
        return succeeded(QStringLiteral("Locking…"));
    case Action::Kind::doNotDisturb:
        return doNotDisturb(*c.system);
    default:
        return unknownAction();
    }
}

Outcome mediaAction(const ActionExecutor::Collaborators& c, const Action& action) {
    if (!c.media)
        return failed(QStringLiteral("Music control isn't available"));
    const auto r = action.kind == Action::Kind::mediaControl ? c.media->control(action.op)
                                                             : c.media->play(action.query(), action.app());
    return {r.ok, r.message};
}

} // namespace

ActionExecutor::ActionExecutor(Collaborators collaborators, QObject* parent)
    : QObject(parent), c_(collaborators),
      clock_(collaborators.clock ? *collaborators.clock : Clock::system()),
      queue_("com.brisklet.executor", "bk-executor") {}

ActionExecutor::~ActionExecutor() {
    queue_.stop();
}

void ActionExecutor::finish(QPointer<ActionExecutor> self, const Outcome& outcome, Completion completion) {
    MainThread::post([self, outcome, completion = std::move(completion)] {
        if (self)
            emit self->commandDone(outcome.success);
        if (completion)
            completion(outcome);
    });
}

void ActionExecutor::performPlan(Plan plan, Completion completion) {
    QPointer<ActionExecutor> self(this);
    queue_.async([self, plan = std::move(plan), completion = std::move(completion)]() mutable {
        if (!self)
            return;
        Outcome outcome{true, QStringLiteral("Done")};
        for (const Action& action : plan) {
            outcome = self->execute(action);
            if (!outcome.success)
                break;
        }
        finish(self, outcome, std::move(completion));
    });
}

void ActionExecutor::runDraft(std::shared_ptr<const Setup> draft, Completion completion) {
    QPointer<ActionExecutor> self(this);
    queue_.async([self, draft = std::move(draft), completion = std::move(completion)]() mutable {
        if (!self)
            return;
        qCInfo(lcApp) << "executing: draft run";
        Outcome outcome;
        if (!self->c_.setups || !draft) {
            outcome = setupsMissing();
        } else {
            const SetupPort::RunReport report = self->c_.setups->runDraft(*draft);
            outcome.success = report.opened > 0 || report.placed > 0;
            if (outcome.success)
                outcome.message = runSummary(report);
            else if (!report.notes.isEmpty())
                outcome.message = report.notes.first();
            else
                outcome.message = QStringLiteral("Nothing could be opened — try again in a moment.");
        }
        finish(self, outcome, std::move(completion));
    });
}

QString ActionExecutor::runSummary(const SetupPort::RunReport& report) {
    QStringList parts;
    if (report.placed >= 1)
        parts << plural(report.placed, QStringLiteral("window")) + QStringLiteral(" placed");
    else if (report.placed == 0 && report.opened >= 1)
        parts << QStringLiteral("opened");
    if (report.clearedOthers >= 1)
        parts << QStringLiteral("cleared ") + plural(report.clearedOthers, QStringLiteral("other app"));
    QString text = parts.isEmpty()
                       ? quoted(report.name) + QStringLiteral(": nothing to do")
                       : quoted(report.name) + QStringLiteral(" is up — ") + parts.join(QStringLiteral(", "));
    if (report.fingerprintMismatch)
        text += QStringLiteral(" (made for ") + report.arrangement + QLatin1Char(')');
    if (!report.notes.isEmpty())
        text += QStringLiteral(" · ") + report.notes.first();
    return text;
}

QString ActionExecutor::named(const QStringList& names) {
    if (names.size() <= 1)
        return names.value(0);
    if (names.size() == 2)
        return names[0] + QStringLiteral(" and ") + names[1];
    return names[0] + QStringLiteral(", ") + names[1] + QStringLiteral(" and ") +
           QString::number(names.size() - 2) + QStringLiteral(" more");
}

Outcome ActionExecutor::sortOutcome(const WindowEngine::SortOutcome& result, bool allDisplays,
                                    int screenCount) {
    if (result.landed < 1)
        return failed(QStringLiteral("No windows to sort"));
    QString text = QStringLiteral("Sorted ") + plural(result.landed, QStringLiteral("window"));
    if (allDisplays && screenCount >= 2)
        text += QStringLiteral(" across displays");
    if (!result.unfit.isEmpty()) {
        text += QStringLiteral(" — ") + named(result.unfit) +
                (result.unfit.size() == 1
                     ? QStringLiteral(" needs more room than this screen has, so it overlaps")
                     : QStringLiteral(" need more room than this screen has, so they overlap"));
    } else if (!result.tiledAround.isEmpty()) {
        text += QStringLiteral(" — tiled around ") + named(result.tiledAround);
    } else if (result.keptMinimum >= 1) {
        text += QStringLiteral(" — ") + QString::number(result.keptMinimum) + QStringLiteral(" kept ") +
                (result.keptMinimum == 1 ? QStringLiteral("its") : QStringLiteral("their")) +
                QStringLiteral(" minimum size");
    }
    return succeeded(text);
}

// --- dispatch

Outcome ActionExecutor::execute(const Action& action) {
    qCInfo(lcApp).noquote() << "executing:" << action.planToken();
    using K = Action::Kind;
    switch (action.kind) {
    case K::openApp:
        return openApp(action.name);
    case K::quitApp:
        return quitApp(action.name);
    case K::focusApp:
        return focusApp(action.name);
    case K::meetingMode:
        return meetingMode();
    case K::sortActive:
    case K::sortAll:
    case K::moveWindow:
    case K::hideOthers:
    case K::nextDisplay:
        return windowAction(c_, action);
    case K::saveLayout:
    case K::applyLayout:
        return layoutAction(c_, action);
    case K::setVolume:
    case K::volumeUp:
    case K::volumeDown:
    case K::mute:
        return soundAction(c_, action);
    case K::runShortcut:
    case K::screenshot:
    case K::lockScreen:
    case K::doNotDisturb:
        return systemAction(c_, action);
    case K::mediaControl:
    case K::playMusic:
        return mediaAction(c_, action);
    case K::captureSetup:
        return captureSetup(action.optionalName);
    case K::runSetup:
    case K::endSetup:
    case K::closeOthers:
    case K::undoSetup:
        return setupAction(action);
    }
    return unknownAction();
}

// --- apps

std::optional<IndexedApp> ActionExecutor::installedApp(const QString& name) const {
    auto app = c_.apps ? c_.apps->resolve(name) : std::nullopt;
    if (!app || !app->bundleID)
        return std::nullopt; // nothing the launcher could start
    return app;
}

std::optional<ActionExecutor::Running> ActionExecutor::runningApp(const QString& name) {
    if (!c_.running || !c_.apps)
        return std::nullopt;
    const QString query = Text::normalize(name);
    std::optional<Running> best;
    double bestScore = 0;
    for (const platform::RunningApp& app : c_.running->runningApps()) {
        // Only ordinary apps: never the desktop's own panels, docks or background parts.
        if (!app.regular || app.name.isEmpty())
            continue;
        const double score = AppIndex::score(query, Text::normalize(app.name));
        if (score > bestScore) {
            bestScore = score;
            best = Running{app.pid, app.id, app.name};
        }
    }
    if (best && bestScore >= 0.55)
        return best;
    return std::nullopt;
}

bool ActionExecutor::waitForFrontmost(const std::function<bool()>& inFront, double timeout) {
    const double deadline = clock_.now() + timeout;
    while (clock_.now() < deadline) {
        if (inFront()) {
            clock_.sleep(0.06);
            return true;
        }
        clock_.sleep(0.03);
    }
    return false;
}

bool ActionExecutor::isFrontmost(qint64 pid, const QString& id) {
    const auto front = c_.running ? c_.running->frontmostApp() : std::nullopt;
    return front && ((pid > 0 && front->pid == pid) || (!id.isEmpty() && front->id == id));
}

// The window in front is the launched app's when it is a window of the entry, or one
// the launch started: of its process or one that descends from it (a wrapper
// script's program names no entry), carrying its startup id, or an ordinary window
// that wasn't there before and carries no other launch's id. The window that was in
// front before the launch is never taken for one it started.
bool ActionExecutor::launchedIsFrontmost(const Launched& launched) {
    if (!c_.windows)
        return isFrontmost(launched.pid, launched.id);
    auto& windows = c_.windows->windowSystem();
    const auto active = windows.activeWindow();
    const auto front = active ? windows.window(*active) : std::nullopt;
    if (!front)
        return false;
    if (front->appId == launched.id)
        return true;
    if (front->id == launched.frontBefore)
        return false;
    if (c_.launcher && c_.launcher->startedBy(front->pid, launched.pid))
        return true;
    const QString startupId = windows.startupId(front->id);
    if (!launched.startupId.isEmpty() && startupId == launched.startupId)
        return true;
    return startupId.isEmpty() && front->type == platform::WindowType::normal &&
           !launched.before.contains(front->id);
}

Outcome ActionExecutor::openApp(const QString& name, Front front) {
    const auto app = installedApp(name);
    if (!app)
        return failed(QStringLiteral("No app called ") + quoted(name));
    if (!c_.launcher)
        return failed(QStringLiteral("Couldn't open ") + app->name);
    Launched launched;
    launched.id = *app->bundleID;
    std::unique_ptr<platform::StartupIdWatch> watch;
    if (c_.windows) {
        auto& windows = c_.windows->windowSystem();
        launched.frontBefore = windows.activeWindow();
        for (const platform::WindowInfo& w : windows.windows())
            launched.before.insert(w.id);
        // From before the launch: a program may show its startup id only for a moment.
        watch = windows.watchStartupIds();
    }
    const auto launch = c_.launcher->launch(launched.id);
    if (!launch.ok) {
        qCInfo(lcApp).noquote() << "couldn't start" << launched.id << "—" << launch.error;
        return failed(QStringLiteral("Couldn't open ") + app->name);
    }
    launched.pid = launch.pid;
    launched.startupId = launch.startupId;
    const auto inFront = [&] { return launchedIsFrontmost(launched); };
    if (front == Front::needed) {
        if (!waitForFrontmost(inFront, launchWait))
            return failed(QStringLiteral("Couldn't switch to ") + app->name);
    } else {
        waitForFrontmost(inFront, launchFrontWait);
    }
    return succeeded(QStringLiteral("Opened ") + app->name);
}

Outcome ActionExecutor::quitApp(const QString& name) {
    const auto app = runningApp(name);
    if (!app)
        return failed(quoted(name) + QStringLiteral(" isn't running"));
    const QString display = app->name.isEmpty() ? name : app->name;
    // A polite request to close its windows; never a signal.
    const bool asked = c_.launcher && !app->id.isEmpty() && c_.launcher->quit(app->id);
    if (!asked)
        return failed(QStringLiteral("Couldn't quit ") + display);
    return succeeded(QStringLiteral("Quit ") + display);
}

Outcome ActionExecutor::focusApp(const QString& name) {
    const auto app = runningApp(name);
    if (!app) {
        qCInfo(lcApp).noquote() << "executing:" << Action::openApp(name).planToken();
        return openApp(name, Front::needed);
    }
    const QString display = app->name.isEmpty() ? name : app->name;
    const bool activated = c_.launcher && !app->id.isEmpty() && c_.launcher->activate(app->id);
    // A window that never takes the focus leaves another app in front, and the next
    // step of the plan would act on that one.
    if (!activated || !waitForFrontmost([&] { return isFrontmost(app->pid, app->id); }, launchFrontWait))
        return failed(QStringLiteral("Couldn't switch to ") + display);
    return succeeded(QStringLiteral("Switched to ") + display);
}

Outcome ActionExecutor::meetingMode() {
    QStringList parts;
    if (installedApp(QStringLiteral("microsoft teams")) || installedApp(QStringLiteral("teams"))) {
        if (execute(Action::openApp(QStringLiteral("teams"))).success)
            parts << QStringLiteral("Teams");
    }
    const QString dnd = QString::fromLatin1(dndShortcut);
    if (c_.system && c_.system->shortcutExists(dnd) && c_.system->runShortcut(dnd, shortcutLimit).status == 0)
        parts << QStringLiteral("DND");
    if (c_.layouts) {
        const auto applied = c_.layouts->apply(QStringLiteral("meeting"));
        if (applied.found && applied.placed >= 1)
            parts << QStringLiteral("layout “meeting”");
    }
    if (parts.isEmpty())
        return failed(QStringLiteral("Meeting mode found nothing to do — install Teams, add a “Brisklet DND” "
                                     "Shortcut, or save a layout named “meeting”"));
    return succeeded(QStringLiteral("Meeting mode: ") + parts.join(QStringLiteral(" + ")));
}

// --- setups

Outcome ActionExecutor::setupAction(const Action& action) {
    if (!c_.setups)
        return setupsMissing();
    switch (action.kind) {
    case Action::Kind::runSetup:
        return runSetup(*c_.setups, action);
    case Action::Kind::endSetup:
        return endSetup(*c_.setups, action);
    case Action::Kind::closeOthers:
        return closeOthers(*c_.setups, action.setupID);
    case Action::Kind::undoSetup:
        return undoSetup(*c_.setups);
    default:
        return unknownAction();
    }
}

Outcome ActionExecutor::captureSetup(const std::optional<QString>& name) {
    MainThread::post(this, [this, name] { emit captureRequested(name); });
    return succeeded(QStringLiteral("Capturing — review what to save"));
}

} // namespace brisklet
