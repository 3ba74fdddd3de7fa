#pragma once

#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <vector>
#include <xcb/xcb.h>

namespace brisklet::test {

// A connection of the test's own to the test desktop's X server, for starting
// test clients and checking results with direct X requests. A test that needs the
// desktop fails when it is not running; it never skips.
//
// Each test leaves the display as it found it, since the next test's window lists
// would see whatever stayed. The session, when it goes, ends every client the test
// caused: the ones it started and every program started with the test program's
// mark in its environment (apps that a launcher under test started from desktop
// entries, also one that has not mapped its window yet), and waits until the
// window manager lists none of their windows. A new session finds the display
// holding only the window manager's windows, else it names what stayed as its
// problem, so a leak fails at the test after the one that caused it.
//
// Clients never outlive the test program either, however it ends: the kernel
// kills the ones the session started when the program dies (a crash, or ctest's
// time limit), and every client, even one started through a desktop entry, quits
// once the program named in `ownerVariable` is gone.
class X11Session final {
public:
    X11Session();
    ~X11Session();

    // Empty when connected to a display with a window manager and nothing else;
    // else why not.
    QString problem() const { return problem_; }
    xcb_connection_t* connection() const { return conn_; }
    xcb_window_t root() const { return root_; }

    xcb_atom_t atom(const char* name);
    std::vector<xcb_window_t> clientList();
    QString windowClass(xcb_window_t window); // "instance,Class"
    std::optional<uint32_t> windowPid(xcb_window_t window);
    QString windowTitle(xcb_window_t window);

    // A left click at a point of the root window, as a user's (XTEST).
    void click(QPoint at);
    // Ask the window manager for something about `window` (a client message to
    // the root, as pagers and task bars send them).
    void sendToRoot(xcb_window_t window, const char* type, std::initializer_list<uint32_t> data);

    // Start the X test client with `args`; returns its window once it is mapped
    // and listed by the window manager (0 after `timeoutSeconds`).
    xcb_window_t startClient(const QStringList& args, double timeoutSeconds = 5.0);
    // The same for a client that opens `count` windows ("--count" is added); all
    // of them, or none after `timeoutSeconds`.
    std::vector<xcb_window_t> startClients(const QStringList& args, int count, double timeoutSeconds = 5.0);
    // Starts a compositing manager (xcompmgr) for this test and waits until it holds
    // the compositing selection; the session ends it with the clients. Empty when
    // it runs, else why not (a missing compositor fails the test).
    QString startCompositor(double timeoutSeconds = 5.0);
    // Whether a compositing manager holds the selection of screen 0.
    bool compositing();
    // The pids of the clients this session started.
    std::vector<qint64> clientPids() const;

    // Ends every client the test program caused (see above) and waits until their
    // windows are gone. What is still there after `timeoutSeconds`, described;
    // empty when all went.
    QStringList endEveryClient(double timeoutSeconds = 10.0);
    // The windows on the display that are not the window manager's own, described.
    QStringList foreignWindows();

    // The environment variable that names the test program to every X test client.
    static constexpr const char* ownerVariable = "BRISKLET_TEST_OWNER_PID";
    // Wait until `predicate` holds, processing Qt events; false on time-out.
    static bool waitUntil(const std::function<bool()>& predicate, double timeoutSeconds);

private:
    QString describe(xcb_window_t window);
    // A child that dies with the test program; null when it didn't start.
    QProcess* startProcess(const QString& program, const QStringList& args);

    QString problem_;
    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = 0;
    std::vector<std::unique_ptr<QProcess>> clients_;
    std::vector<xcb_window_t> startedWindows_;
    bool compositor_ = false;
};

} // namespace brisklet::test
