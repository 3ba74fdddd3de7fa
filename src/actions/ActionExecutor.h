#pragma once

#include "actions/PlanRunner.h"
#include "actions/SetupPort.h"
#include "base/Clock.h"
#include "base/SerialQueue.h"
#include "commands/Action.h"
#include "windows/WindowEngine.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <set>

namespace brisklet {

class AppIndex;
class LayoutStore;
class MediaActions;
struct IndexedApp;
namespace platform {
class AppLauncher;
class RunningApps;
class SystemActions;
} // namespace platform

// Carries out plans of actions, one at a time, on its own serial queue
// ("com.brisklet.executor"), because the effectors block. A plan stops at its first
// failed action; its outcome is the last action's. After every plan and draft run
// it emits commandDone on the main thread, then calls the completion.
class ActionExecutor final : public QObject, public PlanRunner {
    Q_OBJECT
public:
    // Absent parts answer their actions with a failure that says so.
    struct Collaborators {
        WindowEngine* windows = nullptr;
        LayoutStore* layouts = nullptr;
        const AppIndex* apps = nullptr;
        SetupPort* setups = nullptr;
        platform::RunningApps* running = nullptr;
        platform::AppLauncher* launcher = nullptr;
        platform::SystemActions* system = nullptr;
        MediaActions* media = nullptr;
        Clock* clock = nullptr; // null: the system clock
    };

    explicit ActionExecutor(Collaborators collaborators, QObject* parent = nullptr);
    // Lets the running action finish and drops the plans still waiting.
    ~ActionExecutor() override;

    // Main thread; return at once. The completion runs on the main thread.
    void performPlan(Plan plan, Completion completion) override;
    void runDraft(std::shared_ptr<const Setup> draft, Completion completion);

    // Runs one action on the calling thread (the queue, or a test).
    Outcome execute(const Action& action);

    static QString runSummary(const SetupPort::RunReport& report);
    static Outcome sortOutcome(const WindowEngine::SortOutcome& result, bool allDisplays, int screenCount);
    // "A", "A and B", "A, B and 2 more".
    static QString named(const QStringList& names);

    static constexpr double launchFrontWait = 1.2;
    static constexpr double launchWait = 5.0;
    static constexpr double shortcutLimit = 10.0;
    static constexpr const char* dndShortcut = "Brisklet DND";

signals:
    // A plan or draft run ended. Main thread, just before its completion runs.
    void commandDone(bool success);
    // A capture asks for the review window, with the name the user gave, if any.
    // Main thread.
    void captureRequested(const std::optional<QString>& name);

private:
    struct Running {
        qint64 pid = 0;
        QString id;
        QString name;
    };
    // A launch that an app's window is awaited from, and how the desktop stood when
    // it began.
    struct Launched {
        qint64 pid = 0;
        QString id;
        QString startupId;
        std::set<platform::WindowId> before;           // every window there was
        std::optional<platform::WindowId> frontBefore; // never the launched app's
    };
    std::optional<IndexedApp> installedApp(const QString& name) const;
    std::optional<Running> runningApp(const QString& name);
    // True once `inFront` holds; false when the time ran out first.
    bool waitForFrontmost(const std::function<bool()>& inFront, double timeout);
    bool isFrontmost(qint64 pid, const QString& id);
    bool launchedIsFrontmost(const Launched& launched);
    // Whether the opened app must come to the front for the outcome to be a success.
    // A plain open keeps its success either way; one that a focus asked for must,
    // since the plan's next step acts on the window in front.
    enum class Front { hoped, needed };
    Outcome openApp(const QString& name, Front front = Front::hoped);
    Outcome quitApp(const QString& name);
    Outcome focusApp(const QString& name);
    Outcome meetingMode();
    Outcome setupAction(const Action& action);
    Outcome captureSetup(const std::optional<QString>& name);

    static void finish(QPointer<ActionExecutor> self, const Outcome& outcome, Completion completion);

    Collaborators c_;
    Clock& clock_;
    SerialQueue queue_;
};

} // namespace brisklet
