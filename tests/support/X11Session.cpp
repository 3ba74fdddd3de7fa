#include "support/X11Session.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sys/prctl.h>
#include <unistd.h>

namespace brisklet::test {

namespace {
template <typename T> struct Freer {
    void operator()(T* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, Freer<T>>;

// Every client, and every program a client is started through, learns who the
// test program is from the environment.
void nameTheOwner() {
    static std::once_flag once;
    std::call_once(once, [] { setenv(X11Session::ownerVariable, std::to_string(::getpid()).c_str(), 1); });
}
} // namespace

X11Session::X11Session() {
    nameTheOwner();
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        problem_ = QStringLiteral("DISPLAY is not set: the test desktop is not running (use scripts/test)");
        return;
    }
    int screenNumber = 0;
    conn_ = xcb_connect(display, &screenNumber);
    if (!conn_ || xcb_connection_has_error(conn_)) {
        problem_ = QStringLiteral("can't connect to the X server at %1").arg(QString::fromLocal8Bit(display));
        if (conn_)
            xcb_disconnect(conn_);
        conn_ = nullptr;
        return;
    }
    auto it = xcb_setup_roots_iterator(xcb_get_setup(conn_));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    root_ = it.data->root;

    // An EWMH window manager announces itself on the root window.
    auto cookie = xcb_get_property(conn_, 0, root_, atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(conn_, cookie, nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) < 4)
        problem_ = QStringLiteral("no window manager runs on the test display");
}

X11Session::~X11Session() {
    for (auto& client : clients_) {
        client->terminate();
        if (!client->waitForFinished(2000))
            client->kill();
        client->waitForFinished(1000);
    }
    if (conn_)
        xcb_disconnect(conn_);
}

xcb_atom_t X11Session::atom(const char* name) {
    auto cookie = xcb_intern_atom(conn_, 0, static_cast<uint16_t>(std::strlen(name)), name);
    Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(conn_, cookie, nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

std::vector<xcb_window_t> X11Session::clientList() {
    auto cookie = xcb_get_property(conn_, 0, root_, atom("_NET_CLIENT_LIST"), XCB_ATOM_WINDOW, 0, 4096);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(conn_, cookie, nullptr));
    std::vector<xcb_window_t> windows;
    if (!reply)
        return windows;
    auto* data = static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    windows.assign(data, data + count);
    return windows;
}

QString X11Session::windowClass(xcb_window_t window) {
    auto cookie = xcb_get_property(conn_, 0, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 256);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(conn_, cookie, nullptr));
    if (!reply)
        return {};
    const QByteArray raw(static_cast<const char*>(xcb_get_property_value(reply.get())),
                         xcb_get_property_value_length(reply.get()));
    const QList<QByteArray> parts = raw.split('\0');
    if (parts.size() < 2)
        return {};
    return QString::fromLatin1(parts[0]) + QLatin1Char(',') + QString::fromLatin1(parts[1]);
}

std::optional<uint32_t> X11Session::windowPid(xcb_window_t window) {
    auto cookie = xcb_get_property(conn_, 0, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 0, 1);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(conn_, cookie, nullptr));
    if (!reply || xcb_get_property_value_length(reply.get()) < 4)
        return std::nullopt;
    return *static_cast<uint32_t*>(xcb_get_property_value(reply.get()));
}

QString X11Session::windowTitle(xcb_window_t window) {
    auto cookie = xcb_get_property(conn_, 0, window, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 0, 1024);
    Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(conn_, cookie, nullptr));
    if (!reply)
        return {};
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

void X11Session::sendToRoot(xcb_window_t window, const char* type, std::initializer_list<uint32_t> data) {
    xcb_client_message_event_t e{};
    e.response_type = XCB_CLIENT_MESSAGE;
    e.format = 32;
    e.window = window;
    e.type = atom(type);
    int i = 0;
    for (uint32_t value : data)
        if (i < 5)
            e.data.data32[i++] = value;
    xcb_send_event(conn_, 0, root_, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&e));
    xcb_flush(conn_);
}

bool X11Session::waitUntil(const std::function<bool()>& predicate, double timeoutSeconds) {
    QElapsedTimer timer;
    timer.start();
    while (!predicate()) {
        if (timer.elapsed() > timeoutSeconds * 1000.0)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(10);
    }
    return true;
}

xcb_window_t X11Session::startClient(const QStringList& args, double timeoutSeconds) {
    const auto windows = startClients(args, 1, timeoutSeconds);
    return windows.empty() ? 0 : windows.front();
}

std::vector<xcb_window_t> X11Session::startClients(const QStringList& args, int count,
                                                   double timeoutSeconds) {
    nameTheOwner();
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const pid_t parent = ::getpid();
    // Runs in the child between fork and exec: the kernel kills the client when
    // the thread that started it ends, which is when the test program dies.
    process->setChildProcessModifier([parent] {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) // already gone before the line above
            ::_exit(1);
    });
    QStringList arguments = args;
    if (count != 1)
        arguments << QStringLiteral("--count") << QString::number(count);
    process->start(QStringLiteral(BRISKLET_XTESTCLIENT), arguments);
    if (!process->waitForStarted(3000))
        return {};
    // The client prints each window's ID once the window is mapped.
    std::vector<xcb_window_t> windows;
    waitUntil(
        [&] {
            if (!process->canReadLine())
                process->waitForReadyRead(10);
            while (process->canReadLine()) {
                const QByteArray line = process->readLine().trimmed();
                if (line.startsWith("window "))
                    windows.push_back(line.mid(7).toUInt(nullptr, 0));
            }
            return int(windows.size()) >= count || process->state() == QProcess::NotRunning;
        },
        timeoutSeconds);
    clients_.push_back(std::move(process));
    if (int(windows.size()) < count)
        return {};
    const bool listed = waitUntil(
        [&] {
            auto list = clientList();
            return std::all_of(windows.begin(), windows.end(), [&](xcb_window_t window) {
                return std::find(list.begin(), list.end(), window) != list.end();
            });
        },
        timeoutSeconds);
    return listed ? windows : std::vector<xcb_window_t>{};
}

std::vector<qint64> X11Session::clientPids() const {
    std::vector<qint64> pids;
    for (const auto& client : clients_)
        if (client->processId() > 0)
            pids.push_back(client->processId());
    return pids;
}

} // namespace brisklet::test
