#include "platform/linux/X11WindowSystem.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "windows/WindowEngine.h"

#include <future>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class WindowEngineX11Test : public ::testing::Test {
protected:
    X11Session x;
    platform::X11WindowSystem ws;
    WindowEngine engine{ws, nullptr, nullptr};

    void SetUp() override { ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString(); }

    void focus(xcb_window_t w) {
        ASSERT_TRUE(ws.activate(w));
        ASSERT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == w; }, 3));
    }
    // The target of a move in root coordinates (the primary display is at the origin).
    QRectF target(WindowPosition position, xcb_window_t w) {
        const auto s = engine.activeScreen();
        return engine.toAX(
            WindowGeometry::targetRect(position, engine.toCocoa(*outerFrame(x, w)), s.visibleFrame));
    }
};

std::string describe(const std::optional<QRectF>& r) {
    if (!r)
        return "none";
    return QString("%1,%2 %3x%4").arg(r->x()).arg(r->y()).arg(r->width()).arg(r->height()).toStdString();
}

} // namespace

TEST_F(WindowEngineX11Test, listsOrdinaryWindowsFrontToBack) {
    const auto back =
        x.startClient({"--class", "editor,Editor", "--title", "back", "--geometry", "500x400+50+50"});
    const auto front =
        x.startClient({"--class", "viewer,Viewer", "--title", "front", "--geometry", "500x400+80+80"});
    x.startClient({"--type", "dialog", "--title", "question"});
    x.startClient({"--title", "small", "--geometry", "150x100+0+0"});
    const auto iconic = x.startClient({"--title", "iconic"});
    const auto away = x.startClient({"--title", "away"});
    ASSERT_TRUE(back && front && iconic && away);
    ASSERT_TRUE(ws.iconify(iconic));
    // Send one client to the third desktop.
    x.sendToRoot(away, "_NET_WM_DESKTOP", {2, 2});
    ASSERT_TRUE(X11Session::waitUntil(
        [&] {
            const auto a = ws.window(away);
            return isIconic(x, iconic) && a && !a->onCurrentDesktop;
        },
        3));
    focus(front);
    const auto list = engine.visibleWindows();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].element, front);
    EXPECT_EQ(list[0].title, "front");
    EXPECT_EQ(list[0].bundleID, QString("viewer"));
    EXPECT_EQ(list[1].element, back);
    EXPECT_EQ(list[1].axFrame, *outerFrame(x, back));
}

TEST_F(WindowEngineX11Test, halvesMaximiseAndCentreLandWithin12) {
    const auto w = x.startClient({"--title", "mover", "--geometry", "640x480+300+200"});
    ASSERT_NE(w, 0u);
    focus(w);
    for (auto position :
         {WindowPosition::left, WindowPosition::right, WindowPosition::maximize, WindowPosition::center}) {
        const QRectF expected = target(position, w);
        EXPECT_TRUE(engine.move(position)) << int(position);
        EXPECT_TRUE(near(*outerFrame(x, w), expected))
            << int(position) << ": " << describe(outerFrame(x, w)) << " wanted " << describe(expected);
    }
    // Left half lands at the visible frame's edge plus the margin.
    ASSERT_TRUE(engine.move(WindowPosition::left));
    EXPECT_NEAR(outerFrame(x, w)->x(), 6, 1);
}

TEST_F(WindowEngineX11Test, sizeIncrementsStillCountAsLanded) {
    // Terminals size in whole character cells: the window manager rounds the size down.
    const auto w = x.startClient({"--title", "terminal", "--inc", "9x17", "--geometry", "640x480+300+200"});
    ASSERT_NE(w, 0u);
    focus(w);
    const QRectF expected = target(WindowPosition::left, w);
    EXPECT_TRUE(engine.move(WindowPosition::left));
    EXPECT_TRUE(near(*outerFrame(x, w), expected)) << describe(outerFrame(x, w));
    EXPECT_NE(outerFrame(x, w)->size(), expected.size()); // the rounding did happen
}

TEST_F(WindowEngineX11Test, aWindowWithAMinimumSizeIsClampedThenNudgedOnScreen) {
    const auto w =
        x.startClient({"--title", "stubborn", "--min", "1100x700", "--geometry", "1100x700+10+10"});
    ASSERT_NE(w, 0u);
    focus(w);
    EXPECT_TRUE(engine.move(WindowPosition::right));
    const QRectF frame = *outerFrame(x, w);
    EXPECT_GE(frame.width(), 1100);
    EXPECT_LE(frame.x() + frame.width(), 1920 + 1) << describe(frame);
    EXPECT_GE(frame.x(), 0);
    EXPECT_NEAR(frame.y(), 6, 12);
}

TEST_F(WindowEngineX11Test, aMaximisedWindowMovesOnceItLeavesThatState) {
    const auto w = x.startClient({"--title", "big", "--geometry", "640x480+300+200"});
    ASSERT_NE(w, 0u);
    focus(w);
    ASSERT_TRUE(engine.move(WindowPosition::maximize));
    // Ask the window manager to maximise it for real.
    x.sendToRoot(w, "_NET_WM_STATE",
                 {1, x.atom("_NET_WM_STATE_MAXIMIZED_VERT"), x.atom("_NET_WM_STATE_MAXIMIZED_HORZ")});
    ASSERT_TRUE(X11Session::waitUntil([&] { return outerFrame(x, w)->width() >= 1900; }, 3));
    const QRectF expected = target(WindowPosition::left, w);
    EXPECT_TRUE(engine.move(WindowPosition::left));
    EXPECT_TRUE(near(*outerFrame(x, w), expected)) << describe(outerFrame(x, w));
}

TEST_F(WindowEngineX11Test, aGlideEndsOnItsTarget) {
    const auto w = x.startClient({"--title", "glider", "--geometry", "400x300+100+100"});
    ASSERT_NE(w, 0u);
    const QRectF to(900, 400, 700, 500);
    std::promise<std::vector<bool>> done;
    engine.animator().glide({{w, 0, *ws.frame(w), to, true}}, 0.3, 0,
                            [&](std::vector<bool> results) { done.set_value(results); });
    auto future = done.get_future();
    ASSERT_EQ(future.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(future.get(), std::vector<bool>{true});
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, w), to, 0.5); }, 1))
        << describe(outerFrame(x, w));
}

TEST_F(WindowEngineX11Test, sortActiveTilesFourWindows) {
    std::vector<xcb_window_t> windows;
    for (int i = 0; i < 4; ++i)
        windows.push_back(x.startClient({"--class", QString("app%1,App%1").arg(i), "--geometry",
                                         QString("500x400+%1+%2").arg(100 + i * 150).arg(80 + i * 90)}));
    for (auto w : windows)
        ASSERT_NE(w, 0u);
    focus(windows.back());
    const auto outcome = engine.sortActive(std::nullopt);
    EXPECT_EQ(outcome.landed, 4);
    EXPECT_EQ(outcome.keptMinimum, 0);
    std::vector<QRectF> frames;
    for (auto w : windows)
        frames.push_back(*outerFrame(x, w));
    for (size_t i = 0; i < frames.size(); ++i) {
        EXPECT_NEAR(frames[i].width(), (1920 - 18) / 2.0, 12) << describe(frames[i]);
        EXPECT_NEAR(frames[i].height(), (1080 - 18) / 2.0, 12) << describe(frames[i]);
        for (size_t j = i + 1; j < frames.size(); ++j)
            EXPECT_FALSE(frames[i].intersects(frames[j]))
                << describe(frames[i]) << " / " << describe(frames[j]);
    }
}

TEST_F(WindowEngineX11Test, sortAllTilesAroundAWindowWithAMinimumSize) {
    const auto wide =
        x.startClient({"--class", "wide,Wide", "--min", "1100x300", "--geometry", "1100x400+0+0"});
    const auto b = x.startClient({"--class", "other,Other", "--geometry", "500x400+600+300"});
    const auto c = x.startClient({"--class", "third,Third", "--geometry", "500x400+900+600"});
    ASSERT_TRUE(wide && b && c);
    const auto outcome = engine.sortAll();
    EXPECT_EQ(outcome.landed, 3);
    EXPECT_EQ(outcome.tiledAround, QStringList{"Wide"});
    EXPECT_FALSE(outerFrame(x, wide)->intersects(*outerFrame(x, b)));
    EXPECT_FALSE(outerFrame(x, wide)->intersects(*outerFrame(x, c)));
}

TEST_F(WindowEngineX11Test, hideOthersIconifiesTheOtherAppsWindows) {
    const auto mine = x.startClient({"--class", "front,Front", "--title", "front"});
    const auto other = x.startClient({"--class", "other,Other", "--title", "other"});
    const auto third = x.startClient({"--class", "third,Third", "--title", "third"});
    ASSERT_TRUE(mine && other && third);
    focus(mine);
    engine.hideOthers();
    EXPECT_TRUE(X11Session::waitUntil([&] { return isIconic(x, other) && isIconic(x, third); }, 3));
    EXPECT_FALSE(isIconic(x, mine));
}

TEST_F(WindowEngineX11Test, aMinimisedTwinInFrontNeverTakesTheVisibleWindowsPlace) {
    // One process, two windows with the same frame; the front one is minimised.
    const auto twins =
        x.startClients({"--class", "twins,Twins", "--title", "twin", "--geometry", "500x400+70+70"}, 2);
    ASSERT_EQ(twins.size(), 2u);
    const auto list0 = ws.windows();
    const auto front = std::find_if(list0.begin(), list0.end(),
                                    [&](const auto& w) { return w.id == twins[0] || w.id == twins[1]; });
    ASSERT_NE(front, list0.end());
    const xcb_window_t hidden = front->id;
    const xcb_window_t shown = hidden == twins[0] ? twins[1] : twins[0];
    ASSERT_EQ(ws.frame(hidden), ws.frame(shown));
    ASSERT_TRUE(ws.iconify(hidden));
    ASSERT_TRUE(X11Session::waitUntil([&] { return isIconic(x, hidden); }, 3));

    const auto list = engine.visibleWindows();
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].element, shown);
    EXPECT_EQ(list[0].title, x.windowTitle(shown));
}
