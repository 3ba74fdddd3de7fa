#include "actions/ActionExecutor.h"
#include "platform/linux/QtOwnWindows.h"
#include "platform/linux/X11WindowSystem.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "windows/WindowEngine.h"

#include <QRasterWindow>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>
#include <thread>

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

TEST_F(QtOwnWindowsX11Test, quittingWhileAMoveWaitsForTheMainThreadEndsAtOnce) {
    window.requestActivate();
    ASSERT_TRUE(
        X11Session::waitUntil([&] { return activeWindow(x) == window.winId() && window.isActive(); }, 3));
    ActionExecutor::Collaborators c;
    c.windows = &engine;
    auto executor = std::make_unique<ActionExecutor>(c);
    executor->performPlan({Action::moveWindow(WindowPosition::left)}, {});
    // The main thread serves no events from here on, as after the loop has ended at
    // quit: the move is left waiting for it.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));

    // A hang would never come back to fail the test: the guard ends the program.
    std::promise<void> ended;
    std::thread guard([future = ended.get_future()] {
        if (future.wait_for(std::chrono::seconds(5)) == std::future_status::timeout) {
            std::fputs("the executor never finished going away\n", stderr);
            std::abort();
        }
    });
    const auto started = std::chrono::steady_clock::now();
    executor.reset();
    const auto took = std::chrono::steady_clock::now() - started;
    ended.set_value();
    guard.join();
    EXPECT_LT(took, std::chrono::seconds(1));
}
