// The drift nudge on the real X desktop: shown and clicked, it leaves the window
// the user works in active.
#include "ui/receipts/SetupNudgeController.h"

#include "support/WaitFor.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "ui/design/FloatingPanel.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QScreen>
#include <QWindow>
#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

bool mappedOverrideRedirect(X11Session& x, xcb_window_t window) {
    auto* attrs = xcb_get_window_attributes_reply(x.connection(),
                                                  xcb_get_window_attributes(x.connection(), window), nullptr);
    const bool ok = attrs && attrs->override_redirect && attrs->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attrs);
    return ok;
}

void click(X11Session& x, QPoint at) {
    xcb_test_fake_input(x.connection(), XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, x.root(), int16_t(at.x()),
                        int16_t(at.y()), 0);
    xcb_test_fake_input(x.connection(), XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(x.connection(), XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(x.connection());
}

} // namespace

TEST(SetupNudgeX11Test, showingAndClickingTheCardLeavesTheActiveWindowActive) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    const xcb_window_t work = x.startClient({"--title", "work", "--geometry", "400x300+40+40"});
    ASSERT_NE(work, 0u);
    x.sendToRoot(work, "_NET_ACTIVE_WINDOW", {1, XCB_CURRENT_TIME, 0});
    ASSERT_TRUE(waitFor([&] { return activeWindow(x) == work; }));

    SetupNudgeController nudge;
    int declines = 0;
    QObject::connect(&nudge, &SetupNudgeController::declined, [&] { declines += 1; });
    nudge.show(QUuid::createUuid(), "Work", QGuiApplication::primaryScreen()->availableGeometry());
    auto* panel = dynamic_cast<FloatingPanel*>(nudge.currentSurface());
    ASSERT_TRUE(panel && panel->window());
    QWindow* window = panel->window();
    ASSERT_TRUE(waitFor(
        [&] { return window->isExposed() && mappedOverrideRedirect(x, xcb_window_t(window->winId())); }));
    QTest::qWait(100);
    EXPECT_EQ(activeWindow(x), work) << "showing the card";

    auto* notNow = panel->content()->findChild<QQuickItem*>(QStringLiteral("notNow"));
    ASSERT_NE(notNow, nullptr);
    const QPointF centre = notNow->mapToScene(QPointF(notNow->width() / 2, notNow->height() / 2));
    click(x, window->position() + centre.toPoint());
    EXPECT_TRUE(waitFor([&] { return declines == 1; })) << "the click reached the button";
    QTest::qWait(100);
    EXPECT_EQ(activeWindow(x), work) << "clicking the card";
}
