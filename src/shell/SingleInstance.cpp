#include "shell/SingleInstance.h"

#include "base/Log.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>
#include <sys/stat.h>
#include <unistd.h>

namespace brisklet {

namespace SingleInstance {

std::optional<qint64> deferTo(const Process& self, const std::vector<Process>& others) {
    if (!self.startTicks)
        return std::nullopt;
    const Process* earliest = nullptr;
    for (const Process& other : others) {
        if (other.terminated || other.pid == self.pid)
            continue;
        if (!earliest) {
            earliest = &other;
            continue;
        }
        // Unknown start times count as the far future; equal times keep the first.
        if (other.startTicks && (!earliest->startTicks || *other.startTicks < *earliest->startTicks))
            earliest = &other;
    }
    if (!earliest || !earliest->startTicks)
        return std::nullopt;
    if (*earliest->startTicks < *self.startTicks ||
        (*earliest->startTicks == *self.startTicks && earliest->pid < self.pid))
        return earliest->pid;
    return std::nullopt;
}

std::optional<Process> readProcess(const QString& procRoot, qint64 pid) {
    QFile stat(procRoot + QStringLiteral("/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll();
    Process process;
    process.pid = pid;
    // The command name in parentheses may itself hold spaces and parentheses, so
    // the fields are counted from the last ')'.
    const int close = line.lastIndexOf(')');
    if (close < 0)
        return process;
    const QList<QByteArray> fields = line.mid(close + 1).simplified().split(' ');
    // fields[0] is field 3 (state); the start time is field 22.
    if (!fields.isEmpty())
        process.terminated = fields[0] == "Z" || fields[0] == "X";
    if (fields.size() > 19) {
        bool ok = false;
        const quint64 ticks = fields[19].toULongLong(&ok);
        if (ok)
            process.startTicks = ticks;
    }
    return process;
}

QString programName(const QString& exePath) {
    QString path = exePath;
    // After a package upgrade the running binary reads as "… (deleted)".
    if (path.endsWith(QStringLiteral(" (deleted)")))
        path.chop(10);
    return QFileInfo(path).fileName();
}

namespace {

// One variable of a process's environment as it was started ("" when unset).
QByteArray environmentValue(const QString& procRoot, const QString& pidEntry, const QByteArray& name) {
    QFile file(procRoot + QLatin1Char('/') + pidEntry + QStringLiteral("/environ"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = name + '=';
    for (const QByteArray& entry : file.readAll().split('\0'))
        if (entry.startsWith(prefix))
            return entry.mid(prefix.size());
    return {};
}

} // namespace

std::vector<Process> findOthers(const QString& procRoot, const QString& programName,
                                const QByteArray& runtimeDir, qint64 selfPid) {
    std::vector<Process> others;
    if (programName.isEmpty())
        return others;
    const uid_t uid = ::getuid();
    const QStringList entries = QDir(procRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok || pid == selfPid)
            continue;
        const QString dir = procRoot + QLatin1Char('/') + entry;
        struct stat info {};
        if (::stat(QFile::encodeName(dir).constData(), &info) != 0 || info.st_uid != uid)
            continue;
        const QString exe = QFile::symLinkTarget(dir + QStringLiteral("/exe"));
        if (exe.isEmpty() || SingleInstance::programName(exe) != programName)
            continue;
        if (environmentValue(procRoot, entry, "XDG_RUNTIME_DIR") != runtimeDir)
            continue;
        if (auto process = readProcess(procRoot, pid))
            others.push_back(*process);
    }
    return others;
}

QString socketName() {
    QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        runtime = QDir::tempPath() + QStringLiteral("/brisklet-%1").arg(::getuid());
    QDir().mkpath(runtime);
    return runtime + QStringLiteral("/brisklet.socket");
}

bool askToShow(double timeoutSeconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() <= timeoutSeconds * 1000.0) {
        QLocalSocket socket;
        socket.connectToServer(socketName());
        if (socket.waitForConnected(200)) {
            socket.write("show\n");
            socket.waitForBytesWritten(500);
            socket.disconnectFromServer();
            return true;
        }
        QThread::msleep(100);
    }
    return false;
}

} // namespace SingleInstance

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                while (socket->canReadLine()) {
                    if (socket->readLine().trimmed() == "show")
                        emit showRequested();
                }
            });
        }
    });
}

bool InstanceServer::listen() {
    const QString name = SingleInstance::socketName();
    // A socket file left behind by a crash would make listen() fail.
    QLocalServer::removeServer(name);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(name)) {
        qCWarning(lcApp).noquote() << "couldn't listen for other launches:" << server_->errorString();
        return false;
    }
    return true;
}

} // namespace brisklet
