#pragma once

#include "base/Clock.h"
#include "base/SerialQueue.h"
#include "commands/Action.h"
#include "actions/ExecutorPorts.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace brisklet {

class MediaActions;
namespace platform {
class AppLauncher;
class RunningApps;
class SystemActions;
} // namespace platform

// Carries out plans of actions, one at a time, on its own serial queue
// ("com.brisklet.executor"), because the effectors block. A plan stops at its first
// failed action; its outcome is the last action's. After every plan and draft run
// it posts "briskletCommandDone" on the main thread, then calls the completion.
class ActionExecutor final : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        bool success = false;
        QString message;
        bool operator==(const Outcome&) const = default;
    };
    using Completion = std::function<void(const Outcome&)>;

    // Absent parts answer their actions with a failure that says so.
    struct Collaborators {
        WindowMoves* windows = nullptr;
        LayoutActions* layouts = nullptr;
        AppLookup* apps = nullptr;
        SetupActions* setups = nullptr;
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
    void performPlan(Plan plan, Completion completion);
    void runDraft(std::shared_ptr<const Setup> draft, Completion completion);

    // Opens the capture review window for an optional setup name. Main thread only.
    std::function<void(const std::optional<QString>&)> presentCapture;

    // Runs one action on the calling thread (the queue, or a test).
    Outcome execute(const Action& action);

    static QString runSummary(const SetupActions::RunReport& report);
    static Outcome sortOutcome(const WindowMoves::SortOutcome& result, bool allDisplays, int screenCount);
    // "A", "A and B", "A, B and 2 more".
    static QString named(const QStringList& names);

    static constexpr double launchFrontWait = 1.2;
    static constexpr double shortcutLimit = 10.0;
    static constexpr const char* dndShortcut = "Brisklet DND";

private:
    struct Running {
        qint64 pid = 0;
        QString id;
        QString name;
    };
    std::optional<Running> runningApp(const QString& name);
    void waitForFrontmost(qint64 pid, const QString& id, double timeout);
    Outcome openApp(const QString& name);
    Outcome quitApp(const QString& name);
    Outcome focusApp(const QString& name);
    Outcome meetingMode();
    Outcome undoSetup();
    void finish(const Outcome& outcome, Completion completion);

    Collaborators c_;
    Clock& clock_;
    SerialQueue queue_;
};

} // namespace brisklet
