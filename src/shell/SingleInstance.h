#pragma once

#include <QObject>
#include <QString>
#include <optional>
#include <vector>

class QLocalServer;

namespace brisklet {

// One Brisklet per user, whatever path it was started from: the earliest-started
// process wins (ties go to the lower pid); a later one asks the winner to show its
// home window, then quits.
namespace SingleInstance {

struct Process {
    qint64 pid = 0;
    std::optional<quint64> startTicks; // start time in clock ticks since boot; unknown never wins
    bool terminated = false;           // a zombie or dead entry
};

// The pid this instance must defer to, or nothing when it may continue.
std::optional<qint64> deferTo(const Process& self, const std::vector<Process>& others);

// Read one process from `procRoot` (normally "/proc"); nothing when it is gone.
std::optional<Process> readProcess(const QString& procRoot, qint64 pid);

// The name that makes a process a Brisklet: its executable's file name, wherever
// it lies (a build folder and an installed copy are the same program to the user).
QString programName(const QString& exePath);

// Other processes of this user whose executable is named `programName` and whose
// runtime folder ($XDG_RUNTIME_DIR, where the show-request socket lives) is
// `runtimeDir`: those are the ones this instance could ask to show themselves.
std::vector<Process> findOthers(const QString& procRoot, const QString& programName,
                                const QByteArray& runtimeDir, qint64 selfPid);

// The local socket the winner listens on, private to this user.
QString socketName();

// Ask the running instance to show its home window. Retries for up to
// `timeoutSeconds`, since the winner may still be starting.
bool askToShow(double timeoutSeconds = 2.0);

} // namespace SingleInstance

// The winner's end of the socket: emits showRequested for each "show" message.
class InstanceServer final : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    bool listen();

signals:
    void showRequested();

private:
    QLocalServer* server_;
};

} // namespace brisklet
