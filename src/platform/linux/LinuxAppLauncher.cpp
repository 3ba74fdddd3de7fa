#include "platform/linux/LinuxAppLauncher.h"

#include "base/Log.h"
#include "platform/linux/PosixProcessRunner.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <atomic>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <linux/close_range.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brisklet::platform {

namespace {

// Parts of the desktop itself: their windows are never asked to close.
bool isDesktopPart(const QString& id) {
    static const QStringList parts = {"gnome-shell", "org.gnome.Shell", "plasmashell", "org.kde.plasmashell",
                                      "xfdesktop",   "xfce4-panel",     "openbox",     "kwin_x11",
                                      "plank",       "nautilus-desktop"};
    return parts.contains(id, Qt::CaseInsensitive);
}

AppLauncher::Launch notStarted(QString why) {
    return {false, 0, std::move(why), {}};
}

// The parent of a process; absent when it is gone.
std::optional<qint64> parentOf(qint64 pid) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold spaces and parentheses itself, so the
    // fields are counted from the last ')': state, then the parent.
    const int close = line.lastIndexOf(')');
    const QList<QByteArray> fields = line.mid(close + 1).simplified().split(' ');
    bool ok = false;
    const qint64 parent = close >= 0 && fields.size() > 1 ? fields[1].toLongLong(&ok) : 0;
    return ok ? std::optional(parent) : std::nullopt;
}

bool takesUrls(const DesktopEntry& e) {
    for (const QString& arg : e.execArguments())
        for (const char* code : {"%u", "%U", "%f", "%F"})
            if (arg.contains(QLatin1String(code)))
                return true;
    return false;
}

} // namespace

AppLauncher::Launch LinuxAppLauncher::spawnDetached(const QStringList& arguments,
                                                    const QMap<QString, QString>& environment,
                                                    const QString& desktopFile) {
    if (arguments.isEmpty())
        return notStarted(QStringLiteral("nothing to run"));
    // Everything the child needs is made before fork: after it, only plain system calls.
    std::vector<QByteArray> storage;
    for (const QString& a : arguments)
        storage.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (auto& s : storage)
        argv.push_back(s.data());
    argv.push_back(nullptr);
    QMap<QString, QString> variables = environment;
    static const QString pidVariable = QStringLiteral("GIO_LAUNCHED_DESKTOP_FILE_PID");
    if (!desktopFile.isEmpty()) {
        // As GLib's launchers mark a launch; the pid is the started program's own,
        // known only in it, so its digits are written there into room kept here.
        variables.insert(QStringLiteral("GIO_LAUNCHED_DESKTOP_FILE"), desktopFile);
        variables.insert(pidVariable, QString(20, QLatin1Char('0')));
    }
    std::vector<QByteArray> envStorage = PosixProcessRunner::environmentWith(variables);
    std::vector<char*> envp;
    char* pidDigits = nullptr;
    const QByteArray pidPrefix = pidVariable.toLatin1() + '=';
    for (auto& s : envStorage) {
        envp.push_back(s.data());
        if (!desktopFile.isEmpty() && s.startsWith(pidPrefix))
            pidDigits = s.data() + pidPrefix.size();
    }
    envp.push_back(nullptr);

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0)
        return notStarted(QString::fromLocal8Bit(std::strerror(errno)));
    const pid_t child = fork();
    if (child < 0) {
        const int e = errno;
        ::close(report[0]);
        ::close(report[1]);
        return notStarted(QString::fromLocal8Bit(std::strerror(e)));
    }
    if (child == 0) {
        // The middle process starts the program and leaves at once, so the program
        // is never our child and never a zombie.
        ::close(report[0]);
        setsid();
        const pid_t grandchild = fork();
        if (grandchild != 0) {
            const qint64 pid = grandchild;
            [[maybe_unused]] auto n = ::write(report[1], &pid, sizeof pid);
            _exit(grandchild < 0 ? 1 : 0);
        }
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            dup2(null, 0);
            dup2(null, 1);
            dup2(null, 2);
        }
        if (pidDigits) {
            char digits[24];
            int n = 0;
            for (auto own = static_cast<unsigned long>(getpid()); n == 0 || own > 0; own /= 10)
                digits[n++] = static_cast<char>('0' + own % 10);
            while (n > 0)
                *pidDigits++ = digits[--n];
            *pidDigits = '\0';
        }
        // Nothing of ours leaks into the program: every other descriptor closes at exec.
        syscall(SYS_close_range, 3u, ~0u, CLOSE_RANGE_CLOEXEC);
        execvpe(argv[0], argv.data(), envp.data());
        const int e = errno;
        [[maybe_unused]] auto n = ::write(report[1], &e, sizeof e);
        _exit(127);
    }
    ::close(report[1]);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    qint64 pid = 0;
    ssize_t got;
    while ((got = ::read(report[0], &pid, sizeof pid)) < 0 && errno == EINTR) {
    }
    if (got != sizeof pid || pid <= 0) {
        ::close(report[0]);
        return notStarted(QStringLiteral("could not start a process"));
    }
    // The pipe closes without a word when exec succeeded.
    int execError = 0;
    while ((got = ::read(report[0], &execError, sizeof execError)) < 0 && errno == EINTR) {
    }
    ::close(report[0]);
    if (got == sizeof execError)
        return notStarted(QStringLiteral("%1: %2").arg(arguments.front(),
                                                       QString::fromLocal8Bit(std::strerror(execError))));
    return {true, pid, {}, {}};
}

QString LinuxAppLauncher::freshStartupId() {
    // No "_TIME" part: that would be read as the moment of a user's action, which we
    // don't have.
    static std::atomic<quint64> count{0};
    return QStringLiteral("brisklet-%1-%2-%3")
        .arg(QCoreApplication::applicationPid())
        .arg(++count)
        .arg(QDateTime::currentMSecsSinceEpoch());
}

AppLauncher::Launch LinuxAppLauncher::launch(const QString& desktopId, const QStringList& urls) {
    const auto entries = entries_ ? entries_() : nullptr;
    const DesktopEntry* entry = entries ? entries->byId(desktopId) : nullptr;
    if (!entry)
        return notStarted(QStringLiteral("no desktop entry “%1”").arg(desktopId));
    const QStringList args = entry->launchArguments(takesUrls(*entry) ? urls : QStringList());
    if (args.isEmpty())
        return notStarted(QStringLiteral("the entry “%1” has no command").arg(desktopId));
    const QString startupId = freshStartupId();
    auto result = spawnDetached(args, {{QStringLiteral("DESKTOP_STARTUP_ID"), startupId}}, entry->path);
    if (result.ok) {
        result.startupId = startupId;
        qCInfo(lcWindows) << "launched" << desktopId << "pid" << result.pid;
    } else {
        qCWarning(lcWindows) << "couldn't launch" << desktopId << result.error;
    }
    return result;
}

bool LinuxAppLauncher::startedBy(qint64 pid, qint64 launched) {
    if (launched <= 1)
        return false;
    // Up the parents until the first process of all; a chain this long is no
    // program's own.
    for (int depth = 0; pid > 1 && depth < 64; ++depth) {
        if (pid == launched)
            return true;
        const auto parent = parentOf(pid);
        if (!parent)
            return false;
        pid = *parent;
    }
    return false;
}

bool LinuxAppLauncher::acceptsUrls(const QString& desktopId) {
    const auto entries = entries_ ? entries_() : nullptr;
    const DesktopEntry* entry = entries ? entries->byId(desktopId) : nullptr;
    return entry && takesUrls(*entry);
}

std::vector<WindowInfo> LinuxAppLauncher::windowsOf(const QString& desktopId) {
    std::vector<WindowInfo> result;
    if (desktopId.isEmpty())
        return result;
    for (auto& w : windows_.windows())
        if (w.appId == desktopId && (w.type == WindowType::normal || w.type == WindowType::dialog))
            result.push_back(std::move(w));
    return result; // front to back
}

bool LinuxAppLauncher::activate(const QString& desktopId) {
    const auto mine = windowsOf(desktopId);
    for (const auto& w : mine)
        if (w.type == WindowType::normal)
            return w.iconic ? windows_.deiconify(w.id) : windows_.activate(w.id);
    return false;
}

bool LinuxAppLauncher::hide(const QString& desktopId) {
    bool any = false;
    for (const auto& w : windowsOf(desktopId))
        if (!w.iconic && w.type == WindowType::normal)
            any = windows_.iconify(w.id) || any;
    return any;
}

bool LinuxAppLauncher::unhide(const QString& desktopId) {
    const auto mine = windowsOf(desktopId);
    bool any = false;
    // Back to front, so the topmost ends on top and active.
    for (auto it = mine.rbegin(); it != mine.rend(); ++it)
        if (it->iconic && it->type == WindowType::normal)
            any = windows_.deiconify(it->id) || any;
    return any;
}

bool LinuxAppLauncher::quit(const QString& desktopId) {
    if (isDesktopPart(desktopId))
        return false;
    bool any = false;
    for (const auto& w : windowsOf(desktopId))
        any = windows_.close(w.id) || any;
    return any;
}

} // namespace brisklet::platform
