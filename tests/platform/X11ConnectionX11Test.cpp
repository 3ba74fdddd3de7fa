#include "platform/linux/X11Connection.h"
#include "support/X11Session.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;
using platform::X11Connection;
using Atom = X11Connection::Atom;

namespace {

// An unmanaged window of the test's own, never mapped.
xcb_window_t makeWindow(X11Session& x) {
    const xcb_window_t w = xcb_generate_id(x.connection());
    xcb_create_window(x.connection(), XCB_COPY_FROM_PARENT, w, x.root(), 0, 0, 50, 50, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
    xcb_flush(x.connection());
    return w;
}

// Waits until the server has handled every request sent so far on `c`.
void roundTrip(xcb_connection_t* c) {
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

class X11ConnectionRequest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
        ASSERT_TRUE(conn.isConnected());
    }
    X11Session x;
    X11Connection conn{{}, QRect(0, 0, 1920, 1080)};
};

} // namespace

TEST_F(X11ConnectionRequest, isSentAboutALiveWindowAndItsErrorsAreDropped) {
    const xcb_window_t w = makeWindow(x);
    roundTrip(x.connection());

    const bool sent = conn.request(w, [&] {
        const char title[] = "reached";
        xcb_change_property(conn.get(), XCB_PROP_MODE_REPLACE, w, conn.atom(Atom::wmName),
                            conn.atom(Atom::utf8), 8, sizeof title - 1, title);
        // A property without a name is refused; the error is in the queue once
        // the round trip is back.
        xcb_change_property(conn.get(), XCB_PROP_MODE_REPLACE, w, XCB_ATOM_NONE, XCB_ATOM_STRING, 8, 1, "x");
        roundTrip(conn.get());
    });
    EXPECT_TRUE(sent);
    EXPECT_TRUE(X11Session::waitUntil([&] { return x.windowTitle(w) == "reached"; }, 2));
    xcb_generic_event_t* left = xcb_poll_for_event(conn.get());
    EXPECT_EQ(left, nullptr) << "response type " << int(left ? left->response_type : 0);
    std::free(left);
    xcb_destroy_window(x.connection(), w);
    xcb_flush(x.connection());
}

TEST_F(X11ConnectionRequest, sendsNothingAboutAWindowThatHasGone) {
    const xcb_window_t w = makeWindow(x);
    xcb_destroy_window(x.connection(), w);
    roundTrip(x.connection());

    bool called = false;
    EXPECT_FALSE(conn.request(w, [&] { called = true; }));
    EXPECT_FALSE(called);
    EXPECT_FALSE(conn.exists(w));
}

TEST(X11ConnectionOffline, nothingIsSent) {
    X11Connection conn(":7777", QRect(0, 0, 1280, 800));
    ASSERT_FALSE(conn.isConnected());
    EXPECT_EQ(conn.ewmh(), nullptr);
    bool called = false;
    EXPECT_FALSE(conn.request(1, [&] { called = true; }));
    EXPECT_FALSE(called);
}

// The display watch follows the display the connection was opened on, even when
// $DISPLAY names another (or none).
TEST(X11ConnectionWatch, followsTheDisplayItWasGivenNotTheEnvironments) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    const QByteArray real = qgetenv("DISPLAY");
    qputenv("DISPLAY", ":987");
    X11Connection conn{real, QRect(0, 0, 1920, 1080)};
    qputenv("DISPLAY", real);
    ASSERT_TRUE(conn.isConnected());
    conn.displays(); // the first reads settle the cache
    const QRectF before = conn.displays().front().visibleFrame;
    ASSERT_EQ(conn.displays().front().visibleFrame, before);

    const xcb_atom_t workarea = conn.atom(Atom::workarea);
    const auto original = conn.property(conn.root(), workarea, XCB_ATOM_CARDINAL, 64);
    ASSERT_TRUE(original);
    const std::vector<uint32_t> saved = X11Connection::cardinals(original.get());
    ASSERT_GE(saved.size(), 4u);
    std::vector<uint32_t> changed = saved;
    changed[1] += 40; // a panel appeared along the top
    changed[3] -= 40;
    auto setWorkarea = [&](const std::vector<uint32_t>& v) {
        xcb_change_property(x.connection(), XCB_PROP_MODE_REPLACE, x.root(), workarea, XCB_ATOM_CARDINAL, 32,
                            static_cast<uint32_t>(v.size()), v.data());
        xcb_flush(x.connection());
    };
    setWorkarea(changed);
    const bool followed =
        X11Session::waitUntil([&] { return conn.displays().front().visibleFrame != before; }, 5);
    setWorkarea(saved);
    EXPECT_TRUE(followed) << "the display layout never noticed the new work area";
}
