#include "platform/linux/X11WindowSystem.h"
#include "support/ScopedEnv.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace brisklet;
using namespace brisklet::test;
using platform::WindowType;
using platform::X11WindowSystem;

namespace {

std::optional<platform::WindowInfo> find(X11WindowSystem& ws, xcb_window_t id) {
    for (auto& w : ws.windows())
        if (w.id == id)
            return w;
    return std::nullopt;
}

// A property's bytes, whatever its type.
QByteArray propertyOf(X11Session& x, xcb_window_t window, const char* name) {
    auto* r = xcb_get_property_reply(
        x.connection(),
        xcb_get_property(x.connection(), 0, window, x.atom(name), XCB_GET_PROPERTY_TYPE_ANY, 0, 64), nullptr);
    QByteArray bytes;
    if (r)
        bytes =
            QByteArray(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
    std::free(r);
    return bytes;
}

} // namespace

TEST(X11WindowSystem, reportsTheMonitorWithANonZeroIdentity) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    X11WindowSystem ws;
    ASSERT_TRUE(ws.isConnected());
    EXPECT_TRUE(ws.hasWindowManager());
    const auto displays = ws.displays();
    ASSERT_EQ(displays.size(), 1u);
    EXPECT_NE(displays[0].id, 0u);
    EXPECT_EQ(displays[0].frame, QRectF(0, 0, 1920, 1080));
    EXPECT_EQ(displays[0].visibleFrame, QRectF(0, 0, 1920, 1080));
}

TEST(X11WindowSystem, aDockWithAStrutShrinksTheVisibleFrame) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    X11WindowSystem ws;
    ASSERT_NE(x.startClient({"--type", "dock", "--strut-bottom", "40", "--geometry", "1920x40+0+1040"}), 0u);
    ASSERT_TRUE(X11Session::waitUntil([&] { return ws.displays()[0].visibleFrame.height() == 1040; }, 3))
        << "visible frame " << ws.displays()[0].visibleFrame.height();
    EXPECT_EQ(ws.displays()[0].visibleFrame, QRectF(0, 0, 1920, 1040));
    EXPECT_EQ(ws.displays()[0].frame, QRectF(0, 0, 1920, 1080));
}

TEST(X11WindowSystem, listsClientsFrontToBackWithOwnerTitleAndType) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    X11WindowSystem ws;
    const auto back =
        x.startClient({"--class", "editor,Editor", "--title", "Back \u00e9", "--geometry", "500x400+10+10"});
    const auto front = x.startClient({"--class", "viewer,Viewer", "--wm-name-only", "--title", "Front"});
    const auto anonymous = x.startClient({"--no-pid", "--title", "anonymous"});
    const auto dialog = x.startClient({"--type", "dialog", "--title", "Question"});
    ASSERT_TRUE(back && front && anonymous && dialog);

    const auto all = ws.windows();
    auto index = [&](xcb_window_t w) {
        return std::find_if(all.begin(), all.end(), [&](const auto& i) { return i.id == w; }) - all.begin();
    };
    EXPECT_LT(index(front), index(back));
    const auto b = find(ws, back);
    ASSERT_TRUE(b.has_value());
    EXPECT_EQ(b->title, QString::fromUtf8("Back \u00e9"));
    EXPECT_EQ(b->wmInstance, "editor");
    EXPECT_EQ(b->wmClass, "Editor");
    EXPECT_EQ(b->appId, "editor");
    EXPECT_EQ(b->appName, "Editor");
    EXPECT_EQ(b->type, WindowType::normal);
    EXPECT_EQ(qint64(*x.windowPid(back)), b->pid);
    EXPECT_TRUE(b->onCurrentDesktop);
    EXPECT_FALSE(b->iconic);
    ASSERT_TRUE(b->frame.has_value());
    EXPECT_EQ(*b->frame, *outerFrame(x, back));

    EXPECT_EQ(find(ws, front)->title, "Front");
    EXPECT_GT(find(ws, anonymous)->pid, 1); // from the server's record of the client
    EXPECT_EQ(find(ws, dialog)->type, WindowType::dialog);
}

TEST(X11WindowSystem, framesLeaveOutClientSideShadows) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    X11WindowSystem ws;
    const auto w = x.startClient({"--gtk-extents", "10,10,8,12", "--geometry", "420x320+100+100"});
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(X11Session::waitUntil([&] { return ws.frame(w).has_value(); }, 2));
    const QRectF frame = *ws.frame(w);
    EXPECT_EQ(frame, *outerFrame(x, w));
    // 420 − 20 of shadow, plus openbox's 1 + 1 of border.
    EXPECT_EQ(frame.width(), 402);

    ASSERT_TRUE(ws.setFrame(w, QRectF(200, 150, 600, 400)));
    ASSERT_TRUE(X11Session::waitUntil([&] { return near(*ws.frame(w), QRectF(200, 150, 600, 400), 0.5); }, 2))
        << ws.frame(w)->x() << "," << ws.frame(w)->y() << " " << ws.frame(w)->width() << "x"
        << ws.frame(w)->height();
}

TEST(X11WindowSystem, setsFramesAndIconifiesActivatesAndCloses) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    X11WindowSystem ws;
    const auto a = x.startClient({"--title", "A"});
    const auto b = x.startClient({"--title", "B"});
    ASSERT_TRUE(a && b);

    ASSERT_TRUE(ws.setFrame(a, QRectF(0, 0, 960, 540)));
    ASSERT_TRUE(
        X11Session::waitUntil([&] { return near(*outerFrame(x, a), QRectF(0, 0, 960, 540), 0.5); }, 2));

    ASSERT_TRUE(ws.activate(a));
    ASSERT_TRUE(X11Session::waitUntil([&] { return ws.activeWindow() == a; }, 2));
    EXPECT_EQ(activeWindow(x), a);

    ASSERT_TRUE(ws.iconify(b));
    ASSERT_TRUE(X11Session::waitUntil([&] { return find(ws, b) && find(ws, b)->iconic; }, 2));
    EXPECT_TRUE(isIconic(x, b));
    ASSERT_TRUE(ws.deiconify(b));
    ASSERT_TRUE(X11Session::waitUntil([&] { return !isIconic(x, b); }, 2));

    ASSERT_TRUE(ws.close(b));
    ASSERT_TRUE(X11Session::waitUntil([&] { return !find(ws, b).has_value(); }, 3));
    EXPECT_FALSE(ws.frame(b).has_value());
    EXPECT_FALSE(ws.setFrame(b, QRectF(0, 0, 300, 300)));
}

TEST(X11WindowSystem, thePointerIsReadInTopLeftSpace) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    X11WindowSystem ws;
    xcb_warp_pointer(x.connection(), XCB_NONE, x.root(), 0, 0, 0, 0, 300, 200);
    xcb_flush(x.connection());
    ASSERT_TRUE(X11Session::waitUntil([&] { return ws.pointer() == QPointF(300, 200); }, 2));
}

TEST(X11WindowSystem, readsAWindowsOwnStartupIdNeverItsClientLeaders) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    X11WindowSystem ws;
    QTemporaryDir dir;
    // A browser that was running puts the launch's id on the page's window; one that
    // the launch started puts it only on its client leader, shared by all its windows.
    xcb_window_t page = 0, cold = 0;
    {
        ScopedEnv id("DESKTOP_STARTUP_ID", QByteArray("launch-1"));
        page = x.startClient({"--title", "Page", "https://a.example/"});
    }
    {
        ScopedEnv id("DESKTOP_STARTUP_ID", QByteArray("launch-2"));
        cold = x.startClient({"--cold", dir.filePath("running"), "--title", "Page", "https://a.example/"});
    }
    ASSERT_TRUE(page && cold);
    EXPECT_EQ(ws.startupId(page), "launch-1");
    EXPECT_EQ(ws.startupId(cold), "");
    const QByteArray leader = propertyOf(x, cold, "WM_CLIENT_LEADER");
    ASSERT_EQ(leader.size(), 4);
    EXPECT_EQ(propertyOf(x, *reinterpret_cast<const uint32_t*>(leader.constData()), "_NET_STARTUP_ID"),
              "launch-2");
}
