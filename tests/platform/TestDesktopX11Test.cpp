#include "support/X11Session.h"

#include <gtest/gtest.h>

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
