#include "support/X11Session.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

using brisklet::test::X11Session;

// The test desktop itself: our X test client's window is managed by the window
// manager and carries the class, title and pid it was given.
TEST(TestDesktop, testClientWindowIsListedWithItsClassTitleAndPid) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    const xcb_window_t window = x.startClient({"--class", "brisklet-probe,BriskletProbe", "--title",
                                               "Probe \u00e9t\u00e9", "--geometry", "320x200+40+60"});
    ASSERT_NE(window, 0u) << "the client window never appeared in _NET_CLIENT_LIST";
    EXPECT_EQ(x.windowClass(window), "brisklet-probe,BriskletProbe");
    EXPECT_EQ(x.windowTitle(window), QString::fromUtf8("Probe \u00e9t\u00e9"));
    auto pid = x.windowPid(window);
    ASSERT_TRUE(pid.has_value());
    EXPECT_GT(*pid, 1u);
}

TEST(TestDesktop, aClientWithoutPidCarriesNone) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    const xcb_window_t window = x.startClient({"--no-pid", "--title", "anonymous"});
    ASSERT_NE(window, 0u);
    EXPECT_FALSE(x.windowPid(window).has_value());
}

namespace {

std::vector<xcb_window_t> windowsTitled(X11Session& x, const QString& prefix) {
    std::vector<xcb_window_t> found;
    for (xcb_window_t window : x.clientList())
        if (x.windowTitle(window).startsWith(prefix))
            found.push_back(window);
    return found;
}

} // namespace

// What one test leaves on the display, the next one's window lists would see. A
// session that goes ends the clients a launcher started for its test, also one
// that has not mapped its window yet; a new session names any window that is not
// the window manager's, managed or not.
TEST(TestDesktop, aSessionLeavesTheDisplayAsItFoundItAndNamesWhatAnotherLeft) {
    {
        X11Session x;
        ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
        // Detached as a launcher starts an app, its window still to come.
        ASSERT_TRUE(QProcess::startDetached(BRISKLET_XTESTCLIENT, {"--title", "late app", "--map-after", "1"}));
    }
    X11Session x;
    EXPECT_FALSE(X11Session::waitUntil([&] { return !windowsTitled(x, "late app").empty(); }, 2))
        << "the app mapped its window after its test ended";
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();

    // Windows of a client that no session ends: one managed, one past the window
    // manager (as a floating panel is).
    xcb_connection_t* stray = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(stray));
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(stray)).data;
    std::vector<xcb_window_t> windows;
    for (const uint32_t overrideRedirect : {0u, 1u}) {
        const xcb_window_t window = xcb_generate_id(stray);
        xcb_create_window(stray, XCB_COPY_FROM_PARENT, window, screen->root, 10, 10, 100, 80, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_OVERRIDE_REDIRECT,
                          &overrideRedirect);
        xcb_map_window(stray, window);
        windows.push_back(window);
    }
    xcb_flush(stray);
    ASSERT_TRUE(X11Session::waitUntil([&] { return x.foreignWindows().size() == 2; }, 5));
    const QString problem = X11Session().problem();
    for (const xcb_window_t window : windows)
        EXPECT_TRUE(problem.contains(QString::number(window, 16))) << problem.toStdString();
    xcb_disconnect(stray);
    EXPECT_TRUE(X11Session::waitUntil([&] { return x.foreignWindows().isEmpty(); }, 5));
}

// Run only by the test below, in a program of its own: opens one client of its
// own and one through a detached start (as a desktop entry would), then ends the
// way BRISKLET_DYING_MODE says.
TEST(TestDesktop, DISABLED_aProgramThatDiesWithClientsOpen) {
    const QByteArray mode = qgetenv("BRISKLET_DYING_MODE");
    ASSERT_FALSE(mode.isEmpty());
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    const QString title = "doomed " + QString::fromLatin1(mode);
    ASSERT_NE(x.startClient({"--title", title + " own"}), 0u);
    ASSERT_TRUE(QProcess::startDetached(BRISKLET_XTESTCLIENT, {"--title", title + " detached"}));
    ASSERT_TRUE(X11Session::waitUntil([&] { return windowsTitled(x, title).size() == 2; }, 5));
    if (mode == "abort")
        std::abort();
    if (mode == "kill") // as ctest does when the time limit runs out
        ::raise(SIGKILL);
    std::exit(0); // no destructor runs
}

TEST(TestDesktop, clientsCloseWhenTheTestProgramDiesHoweverItDies) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    // A program that dies leaves its temporary folders behind: they go with this one.
    QTemporaryDir temp;
    ASSERT_TRUE(temp.isValid());
    for (const char* mode : {"exit", "abort", "kill"}) {
        SCOPED_TRACE(mode);
        QProcess program;
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("BRISKLET_DYING_MODE", mode);
        env.insert("TMPDIR", temp.path());
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::MergedChannels);
        program.start(QCoreApplication::applicationFilePath(),
                      {"--gtest_also_run_disabled_tests",
                       "--gtest_filter=TestDesktop.DISABLED_aProgramThatDiesWithClientsOpen"});
        ASSERT_TRUE(program.waitForFinished(20000));
        const QString title = "doomed " + QString::fromLatin1(mode);
        const bool allGone = X11Session::waitUntil([&] { return windowsTitled(x, title).empty(); }, 5);
        EXPECT_TRUE(allGone) << windowsTitled(x, title).size() << " left; "
                             << program.readAll().toStdString();
        if (!allGone) // leave the display clean for the tests that follow
            for (xcb_window_t window : windowsTitled(x, title))
                xcb_kill_client(x.connection(), window);
        xcb_flush(x.connection());
    }
}
