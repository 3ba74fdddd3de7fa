#include "base/Termination.h"

#include "base/Log.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace brisklet::Termination {

namespace {
int signalPipe[2] = {-1, -1};
std::mutex hooksMutex;
std::vector<std::function<void()>> hooks;
bool hooksRan = false;
volatile std::sig_atomic_t loopEntered = 0;

void onSignal(int signo) {
    // Before the event loop runs nothing has been written and every save is atomic,
    // while the launch may take long: end at once, as the signal would.
    if (!loopEntered) {
        ::signal(signo, SIG_DFL);
        ::raise(signo);
        return;
    }
    const char byte = static_cast<char>(signo);
    // Only async-signal-safe work here: hand the signal to the event loop.
    [[maybe_unused]] auto n = ::write(signalPipe[1], &byte, 1);
}
} // namespace

void install() {
    auto* app = QCoreApplication::instance();
    if (!app || signalPipe[0] >= 0)
        return;
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        qCCritical(lcApp) << "couldn't set up signal handling";
        return;
    }
    ::fcntl(signalPipe[1], F_SETFL, O_NONBLOCK);
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, app);
    QObject::connect(notifier, &QSocketNotifier::activated, app, [] {
        char byte = 0;
        if (::read(signalPipe[0], &byte, 1) == 1)
            qCInfo(lcApp) << "received signal" << int(byte) << "— quitting";
        QCoreApplication::quit();
    });
    QObject::connect(app, &QCoreApplication::aboutToQuit, app, [] { runHooks(); });

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signo : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signo, &action, nullptr);
}

void enteringEventLoop() {
    loopEntered = 1;
}

void addHook(std::function<void()> hook) {
    std::lock_guard lock(hooksMutex);
    hooks.push_back(std::move(hook));
}

void runHooks() {
    std::vector<std::function<void()>> toRun;
    {
        std::lock_guard lock(hooksMutex);
        if (hooksRan)
            return;
        hooksRan = true;
        toRun = hooks;
    }
    for (auto& hook : toRun)
        hook();
}

} // namespace brisklet::Termination
