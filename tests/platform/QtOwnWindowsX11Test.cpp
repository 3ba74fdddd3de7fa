#include "windows/WindowEngine.h"
#include "platform/linux/QtOwnWindows.h"
#include "platform/linux/X11WindowSystem.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"

#include <QRasterWindow>
#include <future>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::platform;
using namespace brisklet::test;

namespace {

template <typename T> T await(std::future<T>& future) {
    // The main thread keeps serving the hops while the worker runs.
    X11Session::waitUntil(
        [&] { return future.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; }, 10);
    return future.get();
}

class QtOwnWindowsX11Test : public ::testing::Test {
protected:
    X11Session x;
    X11WindowSystem ws;
    QtOwnWindows own{ws, [this] { return ws.primaryOrigin(); }};
    WindowEngine engine{ws, &own, nullptr};
    QRasterWindow window;

    void SetUp() override {
        ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
        window.setTitle("Brisklet test window");
        window.setGeometry(200, 150, 500, 400);
        window.show();
        ASSERT_TRUE(X11Session::waitUntil(
            [&] {
                auto list = x.clientList();
                return window.isExposed() &&
                       std::find(list.begin(), list.end(), window.winId()) != list.end();
            },
            5));
    }
};

} // namespace

TEST_F(QtOwnWindowsX11Test, ourWindowIsSortableAndRecognised) {
    auto future = std::async(std::launch::async, [&] { return own.sortable(); });
    const auto list = await(future);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].handle, window.winId());
    EXPECT_EQ(list[0].displayID, ws.displays()[0].id);
    EXPECT_TRUE(near(list[0].frame, *outerFrame(x, window.winId()), 1));
    auto owns = std::async(std::launch::async, [&] { return own.owns(window.winId()); });
    EXPECT_TRUE(await(owns));
    // Never moved through the window system layer.
    auto refused = std::async(std::launch::async, [&] {
        return engine.setAXFrame(window.winId(), {0, 0, 300, 300});
    });
    EXPECT_FALSE(await(refused));
}

TEST_F(QtOwnWindowsX11Test, sortingOnlyOurWindowFillsTheDisplayThroughQt) {
    auto future = std::async(std::launch::async, [&] { return engine.sortActive(std::nullopt); });
    const auto outcome = await(future);
    EXPECT_EQ(outcome.landed, 1);
    const QRectF expected(6, 6, 1920 - 12, 1080 - 12);
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, window.winId()), expected, 2); }, 3))
        << outerFrame(x, window.winId())->x() << "," << outerFrame(x, window.winId())->y() << " "
        << outerFrame(x, window.winId())->width() << "x" << outerFrame(x, window.winId())->height();
}

TEST_F(QtOwnWindowsX11Test, whenWeAreInFrontAMoveActsOnOurWindow) {
    window.requestActivate();
    ASSERT_TRUE(
        X11Session::waitUntil([&] { return activeWindow(x) == window.winId() && window.isActive(); }, 3));
    auto future = std::async(std::launch::async, [&] { return engine.move(WindowPosition::left); });
    EXPECT_TRUE(await(future));
    const QRectF expected(6, 6, 960 - 9, 1080 - 12);
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, window.winId()), expected, 2); }, 3));
}
