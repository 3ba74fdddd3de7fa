#pragma once

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
// Test clients never outlive the test program, however it ends: the session kills
// them when it goes, the kernel kills the ones it started when the program dies
// (a crash, or ctest's time limit), and every client, even one started through a
// desktop entry, quits once the program named in `ownerVariable` is gone.
class X11Session final {
public:
    X11Session();
    ~X11Session();

    // Empty when connected to a display with a window manager; else why not.
    QString problem() const { return problem_; }
    xcb_connection_t* connection() const { return conn_; }
    xcb_window_t root() const { return root_; }

    xcb_atom_t atom(const char* name);
    std::vector<xcb_window_t> clientList();
    QString windowClass(xcb_window_t window); // "instance,Class"
    std::optional<uint32_t> windowPid(xcb_window_t window);
    QString windowTitle(xcb_window_t window);

    // Ask the window manager for something about `window` (a client message to
    // the root, as pagers and task bars send them).
    void sendToRoot(xcb_window_t window, const char* type, std::initializer_list<uint32_t> data);

    // Start the X test client with `args`; returns its window once it is mapped
    // and listed by the window manager (0 after `timeoutSeconds`).
    xcb_window_t startClient(const QStringList& args, double timeoutSeconds = 5.0);
    // The same for a client that opens `count` windows ("--count" is added); all
    // of them, or none after `timeoutSeconds`.
    std::vector<xcb_window_t> startClients(const QStringList& args, int count, double timeoutSeconds = 5.0);
    // The pids of the clients this session started.
    std::vector<qint64> clientPids() const;

    // The environment variable that names the test program to every X test client.
    static constexpr const char* ownerVariable = "BRISKLET_TEST_OWNER_PID";
    // Wait until `predicate` holds, processing Qt events; false on time-out.
    static bool waitUntil(const std::function<bool()>& predicate, double timeoutSeconds);

private:
    QString problem_;
    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = 0;
    std::vector<std::unique_ptr<QProcess>> clients_;
};

} // namespace brisklet::test
