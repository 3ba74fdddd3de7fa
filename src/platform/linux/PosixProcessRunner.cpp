#include "platform/linux/PosixProcessRunner.h"

#include "base/Log.h"

#include <QByteArray>
#include <QStringDecoder>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace brisklet::platform {

namespace {

double monotonicNow() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

QString strictUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return text;
}

struct Stream {
    int fd = -1;
    QByteArray data;
    bool open() const { return fd >= 0; }
    void close() {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
};

// Read what is there now without blocking; keeps at most `cap` bytes.
void readAvailable(Stream& stream, qsizetype cap) {
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(stream.fd, buffer, sizeof buffer);
        if (n > 0) {
            const qsizetype room = cap - stream.data.size();
            if (room > 0)
                stream.data.append(buffer, std::min<qsizetype>(room, n));
            continue;
        }
        if (n == 0 || (errno != EAGAIN && errno != EINTR))
            stream.close(); // end of stream, or an error that counts as the end
        return;
    }
}

// Waits up to `seconds` for output on the open streams and reads it.
void pump(std::vector<Stream*>& streams, double seconds, qsizetype cap) {
    pollfd fds[2];
    Stream* owners[2];
    int count = 0;
    for (Stream* s : streams) {
        if (s->open()) {
            fds[count] = {s->fd, POLLIN, 0};
            owners[count++] = s;
        }
    }
    if (count == 0) {
        if (seconds > 0)
            ::usleep(static_cast<useconds_t>(seconds * 1e6));
        return;
    }
    const int ms = std::max(0, static_cast<int>(seconds * 1000));
    if (::poll(fds, count, ms) <= 0)
        return;
    for (int i = 0; i < count; ++i) {
        if (fds[i].revents & (POLLIN | POLLHUP | POLLERR))
            readAvailable(*owners[i], cap);
    }
}

int statusOf(int waitStatus) {
    if (WIFEXITED(waitStatus))
        return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus))
        return 128 + WTERMSIG(waitStatus);
    return 125;
}

} // namespace

std::vector<QByteArray> PosixProcessRunner::environmentWith(const QMap<QString, QString>& overrides) {
    std::vector<QByteArray> env;
    for (char** e = environ; e && *e; ++e) {
        const QByteArray entry(*e);
        const QByteArray key = entry.left(entry.indexOf('='));
        // A startup id names one launch: the one we may have been started with is
        // never passed on.
        if (key != "DESKTOP_STARTUP_ID" && !overrides.contains(QString::fromLocal8Bit(key)))
            env.push_back(entry);
    }
    for (auto it = overrides.begin(); it != overrides.end(); ++it)
        env.push_back((it.key() + QLatin1Char('=') + it.value()).toLocal8Bit());
    return env;
}

ProcessResult PosixProcessRunner::run(const QString& program, const QStringList& args, double timeoutSeconds,
                                      const QMap<QString, QString>& environment) {
    int outPipe[2];
    int errPipe[2];
    if (::pipe2(outPipe, O_CLOEXEC) != 0)
        return {};
    if (::pipe2(errPipe, O_CLOEXEC) != 0) {
        ::close(outPipe[0]);
        ::close(outPipe[1]);
        return {};
    }

    // Arguments and environment as C strings that live until the spawn.
    std::vector<QByteArray> argStore;
    argStore.push_back(program.toLocal8Bit());
    for (const QString& a : args)
        argStore.push_back(a.toLocal8Bit());
    std::vector<char*> argv;
    for (auto& a : argStore)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    std::vector<QByteArray> envStore = environmentWith(environment);
    std::vector<char*> envp;
    for (auto& e : envStore)
        envp.push_back(e.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);

    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    // Our own signal handlers and blocked signals must not leak into the child.
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int signo : {SIGTERM, SIGINT, SIGHUP, SIGPIPE, SIGCHLD})
        sigaddset(&defaults, signo);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = -1;
    const int spawnError = ::posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attr);
    ::close(outPipe[1]);
    ::close(errPipe[1]);
    if (spawnError != 0) {
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        qCInfo(lcApp).noquote() << "couldn't start" << program << "—" << strerror(spawnError);
        return {};
    }

    Stream out{outPipe[0], {}};
    Stream err{errPipe[0], {}};
    ::fcntl(out.fd, F_SETFL, O_NONBLOCK);
    ::fcntl(err.fd, F_SETFL, O_NONBLOCK);
    std::vector<Stream*> streams{&out, &err};

    const double deadline = monotonicNow() + timeoutSeconds;
    double killAt = -1;
    bool timedOut = false;
    bool exited = false;
    int waitStatus = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &waitStatus, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR)) {
            exited = done == pid;
            break;
        }
        const double now = monotonicNow();
        if (!timedOut && now >= deadline) {
            timedOut = true;
            ::kill(-pid, SIGTERM);
            killAt = now + limits_.killGrace;
        } else if (timedOut && killAt >= 0 && now >= killAt) {
            ::kill(-pid, SIGKILL);
            killAt = -1;
        }
        pump(streams, 0.05, limits_.maxOutput);
    }

    if (timedOut) // whatever the group left behind goes too
        ::kill(-pid, SIGKILL);

    // What is still in the pipes, for a short while only: a grandchild that keeps
    // them open must not hold us here.
    const double drainEnd = monotonicNow() + limits_.drainAfterExit;
    while ((out.open() || err.open()) && monotonicNow() < drainEnd)
        pump(streams, std::max(0.0, drainEnd - monotonicNow()), limits_.maxOutput);
    out.close();
    err.close();

    ProcessResult result;
    if (timedOut)
        result.status = 124;
    else if (exited)
        result.status = statusOf(waitStatus);
    else
        result.status = 125; // the child could not be waited for: never read that as success
    result.out = strictUtf8(out.data);
    result.err = strictUtf8(err.data);
    return result;
}

} // namespace brisklet::platform
