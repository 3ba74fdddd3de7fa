#include "support/X11Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sys/prctl.h>
#include <unistd.h>
#include <xcb/xtest.h>

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

QByteArray procFile(pid_t pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.read(1 << 20) : QByteArray();
}

// Gone, or dead and waiting to be reaped (its windows went with its connection).
bool isGone(pid_t pid) {
    if (::kill(pid, 0) != 0)
        return errno == ESRCH;
    const QByteArray stat = procFile(pid, "stat");
    const int close = stat.lastIndexOf(')');
    if (close < 0 || close + 2 >= stat.size())
        return stat.isEmpty();
    return stat[close + 2] == 'Z' || stat[close + 2] == 'X';
}

QString commandLine(pid_t pid) {
    QByteArray line = procFile(pid, "cmdline");
    line.replace('\0', ' ');
    return QString::fromLocal8Bit(line.trimmed().left(200));
}

// Every live process, other than this one, started with this program's mark in
// its environment, however far down (a launcher detaches what it starts, so
// they are not our children).
std::set<pid_t> markedProcesses() {
    const QByteArray mark =
        QByteArray(1, '\0') + X11Session::ownerVariable + '=' + QByteArray::number(::getpid()) + '\0';
    std::set<pid_t> found;
    const auto entries = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        bool number = false;
        const pid_t pid = entry.toInt(&number);
        if (!number || pid == ::getpid())
            continue;
        const QByteArray environment = '\0' + procFile(pid, "environ") + '\0';
        if (environment.contains(mark) && !isGone(pid))
            found.insert(pid);
    }
    return found;
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
    if (!reply || xcb_get_property_value_length(reply.get()) < 4) {
        problem_ = QStringLiteral("no window manager runs on the test display");
        return;
    }
    // A window manager that died leaves its announcement, and its last client
    // list, on the root: its check window is gone with it.
    const xcb_window_t check = *static_cast<xcb_window_t*>(xcb_get_property_value(reply.get()));
    Reply<xcb_get_window_attributes_reply_t> alive(
        xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, check), nullptr));
    if (!alive) {
        problem_ = QStringLiteral("the window manager of the test display is gone");
        return;
    }
    // Windows that a test before is closing may take a moment to go; windows that
    // stay were left behind.
    QStringList foreign;
    waitUntil([&] { return (foreign = foreignWindows()).isEmpty(); }, 5);
    if (!foreign.isEmpty())
        problem_ = QStringLiteral("the test display still holds windows an earlier test left: ") +
                   foreign.join(QStringLiteral("; "));
}

X11Session::~X11Session() {
    const QStringList stayed = endEveryClient();
    EXPECT_TRUE(stayed.isEmpty()) << "clients of this test that would not go: "
                                  << stayed.join(QStringLiteral("; ")).toStdString();
    if (conn_)
        xcb_disconnect(conn_);
}

QStringList X11Session::endEveryClient(double timeoutSeconds) {
    std::set<pid_t> ending = markedProcesses();
    for (const auto& client : clients_)
        if (client->state() != QProcess::NotRunning)
            ending.insert(pid_t(client->processId()));
    // Their windows, to wait for; a client without _NET_WM_PID is known by the
    // windows it printed.
    std::vector<xcb_window_t> windows = startedWindows_;
    if (conn_)
        for (xcb_window_t window : clientList()) {
            const auto pid = windowPid(window);
            if (pid && ending.count(pid_t(*pid)))
                windows.push_back(window);
        }

    for (pid_t pid : ending)
        ::kill(pid, SIGTERM);
    const auto allGone = [&] {
        return std::all_of(ending.begin(), ending.end(), [](pid_t pid) { return isGone(pid); });
    };
    if (!waitUntil(allGone, std::min(3.0, timeoutSeconds)))
        for (pid_t pid : ending)
            if (!isGone(pid))
                ::kill(pid, SIGKILL);
    waitUntil(allGone, timeoutSeconds);
    // Our own children are reaped here, so none stays a zombie.
    for (auto& client : clients_)
        client->waitForFinished(1000);

    QStringList stayed;
    const auto listed = [&](xcb_window_t window) {
        const auto list = clientList();
        return std::find(list.begin(), list.end(), window) != list.end();
    };
    if (conn_)
        waitUntil([&] { return std::none_of(windows.begin(), windows.end(), listed); }, timeoutSeconds);
    // The next test finds the desktop without a compositor, as it was.
    if (conn_ && compositor_ && !waitUntil([&] { return !compositing(); }, timeoutSeconds))
        stayed << QStringLiteral("the compositor's selection");
    compositor_ = false;

    for (pid_t pid : ending)
        if (!isGone(pid))
            stayed << QStringLiteral("process %1 (%2)").arg(pid).arg(commandLine(pid));
    if (conn_)
        for (xcb_window_t window : windows)
            if (listed(window))
                stayed << describe(window);
    startedWindows_.clear();
    return stayed;
}

QStringList X11Session::foreignWindows() {
    QStringList found;
    if (!conn_)
        return found;
    for (xcb_window_t window : clientList())
        found << describe(window);
    // Windows that bypass the window manager (panels, menus) are not listed: any
    // viewable one on the root that another client made is foreign too. A
    // window's ID carries the ID base of the client that made it.
    const uint32_t mask = xcb_get_setup(conn_)->resource_id_mask;
    auto check = xcb_get_property(conn_, 0, root_, atom("_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 0, 1);
    Reply<xcb_get_property_reply_t> checkReply(xcb_get_property_reply(conn_, check, nullptr));
    if (!checkReply || xcb_get_property_value_length(checkReply.get()) < 4)
        return found;
    const uint32_t wmBase = *static_cast<xcb_window_t*>(xcb_get_property_value(checkReply.get())) & ~mask;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(conn_, xcb_query_tree(conn_, root_), nullptr));
    if (!tree)
        return found;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        if ((children[i] & ~mask) == wmBase)
            continue;
        Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(conn_, xcb_get_window_attributes(conn_, children[i]), nullptr));
        if (attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE)
            found << describe(children[i]);
    }
    return found;
}

QString X11Session::describe(xcb_window_t window) {
    QString text = QStringLiteral("window 0x%1 “%2” (%3)")
                       .arg(window, 0, 16)
                       .arg(windowTitle(window), windowClass(window));
    if (const auto pid = windowPid(window))
        text += QStringLiteral(" of process %1 (%2)").arg(*pid).arg(commandLine(pid_t(*pid)));
    return text;
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

void X11Session::click(QPoint at) {
    xcb_test_fake_input(conn_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, int16_t(at.x()),
                        int16_t(at.y()), 0);
    xcb_test_fake_input(conn_, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(conn_, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(conn_);
}

QProcess* X11Session::startProcess(const QString& program, const QStringList& args) {
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
    process->start(program, args);
    if (!process->waitForStarted(3000))
        return nullptr;
    clients_.push_back(std::move(process));
    return clients_.back().get();
}

bool X11Session::compositing() {
    auto* owner =
        xcb_get_selection_owner_reply(conn_, xcb_get_selection_owner(conn_, atom("_NET_WM_CM_S0")), nullptr);
    const bool held = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    return held;
}

QString X11Session::startCompositor(double timeoutSeconds) {
    if (!conn_)
        return problem_;
    if (compositing())
        return QStringLiteral("a compositor already runs on the test desktop");
    QProcess* process = startProcess(QStringLiteral("xcompmgr"), {});
    if (!process)
        return QStringLiteral("xcompmgr did not start (scripts/bootstrap installs it)");
    compositor_ = true;
    if (!waitUntil([&] { return compositing() || process->state() == QProcess::NotRunning; },
                   timeoutSeconds) ||
        !compositing())
        return QStringLiteral("xcompmgr took no compositing selection");
    return {};
}

std::vector<xcb_window_t> X11Session::startClients(const QStringList& args, int count,
                                                   double timeoutSeconds) {
    QStringList arguments = args;
    if (count != 1)
        arguments << QStringLiteral("--count") << QString::number(count);
    QProcess* process = startProcess(QStringLiteral(BRISKLET_XTESTCLIENT), arguments);
    if (!process)
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
    startedWindows_.insert(startedWindows_.end(), windows.begin(), windows.end());
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
