// The drift nudge on the real X desktop: shown and clicked, it leaves the window
// the user works in active; under a compositor its shadow is drawn and a click in
// the shadow's margin reaches the window below.
#include "ui/receipts/SetupNudgeController.h"

#include "platform/linux/X11WindowLook.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/FloatingPanel.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QQuickItem>
#include <QRegion>
#include <QScreen>
#include <QTemporaryDir>
#include <QWindow>
#include <cstdlib>
#include <gtest/gtest.h>
#include <utility>
#include <xcb/shape.h>

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

// The window's bounding or input region, as the X server has it.
QRegion shapeOf(X11Session& x, xcb_window_t window, xcb_shape_kind_t kind) {
    auto* reply = xcb_shape_get_rectangles_reply(
        x.connection(), xcb_shape_get_rectangles(x.connection(), window, kind), nullptr);
    QRegion region;
    if (!reply)
        return region;
    const xcb_rectangle_t* rects = xcb_shape_get_rectangles_rectangles(reply);
    for (int i = 0; i < xcb_shape_get_rectangles_rectangles_length(reply); ++i)
        region += QRect(rects[i].x, rects[i].y, rects[i].width, rects[i].height);
    std::free(reply);
    return region;
}

// The nudge's panel once it is on screen, with the card's box in the panel.
struct ShownCard {
    QWindow* window = nullptr;
    QObject* content = nullptr;
    QRect card;
};

ShownCard showNudge(X11Session& x, SetupNudgeController& nudge, const QRect& visibleFrame) {
    nudge.show(QUuid::createUuid(), "Work", visibleFrame);
    auto* panel = dynamic_cast<FloatingPanel*>(nudge.currentSurface());
    if (!panel || !panel->window())
        return {};
    QWindow* window = panel->window();
    if (!waitFor(
            [&] { return window->isExposed() && mappedOverrideRedirect(x, xcb_window_t(window->winId())); }))
        return {};
    auto* root = qobject_cast<QQuickItem*>(panel->content());
    auto* card = root->findChild<QQuickItem*>(QStringLiteral("card"));
    return {window, root,
            card->mapRectToItem(root, QRectF(0, 0, card->width(), card->height())).toAlignedRect()};
}

} // namespace

TEST(SetupNudgeX11Test, aCompositorDrawsTheWholePanelAndClicksInTheShadowsMarginGoThrough) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    platform::X11WindowLook look;
    DesignSystem::instance().setWindowLook(&look);
    SetupNudgeController nudge;

    // Without a compositor the margin would show black: the window is cut to the card.
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    ShownCard shown = showNudge(x, nudge, screen);
    ASSERT_TRUE(shown.window);
    EXPECT_EQ(shapeOf(x, xcb_window_t(shown.window->winId()), XCB_SHAPE_SK_BOUNDING).boundingRect(),
              shown.card);
    nudge.dismiss();
    ASSERT_TRUE(waitFor([&] { return nudge.fadingCount() == 0; }));

    QTemporaryDir dir;
    const QString clicks = dir.filePath("clicks");
    const xcb_window_t below =
        x.startClient({"--title", "below", "--key-log", clicks, "--geometry", "700x500+600+300"});
    ASSERT_NE(below, 0u);
    const QString compositor = x.startCompositor();
    ASSERT_TRUE(compositor.isEmpty()) << compositor.toStdString();

    // The card in the bottom-right corner of the window below.
    shown = showNudge(x, nudge, clientArea(x, below));
    ASSERT_TRUE(shown.window);
    const auto id = xcb_window_t(shown.window->winId());
    const QRect whole(QPoint(0, 0), shown.window->size());
    EXPECT_EQ(shapeOf(x, id, XCB_SHAPE_SK_BOUNDING), QRegion(whole)) << "the shadow's margin is drawn";
    const QRegion input = shapeOf(x, id, XCB_SHAPE_SK_INPUT);
    EXPECT_EQ(input.boundingRect(), shown.card) << "only the card takes clicks";
    EXPECT_FALSE(input.contains(shown.card.topLeft())) << "its corners are round";

    // The window below is white: under the card the shadow darkens it.
    const QRect around = QRect(shown.window->position(), shown.window->size()).adjusted(-24, -24, 24, 24);
    const QPoint underCard = shown.window->position() + QPoint(whole.width() / 2, shown.card.bottom() + 4);
    const QPoint inCard = shown.window->position() + shown.card.center() - around.topLeft();
    ASSERT_TRUE(waitFor([&] { return shown.content->property("opacity").toReal() == 1.0; })) << "faded in";
    // Once the compositor has drawn the card whole, two pictures agree.
    QImage screenshot;
    QRgb last = 0;
    EXPECT_TRUE(waitFor(
        [&] {
            screenshot = QGuiApplication::primaryScreen()
                             ->grabWindow(0, around.x(), around.y(), around.width(), around.height())
                             .toImage();
            const QRgb now = screenshot.pixel(inCard);
            const bool settled = now == std::exchange(last, now);
            return settled && qGray(screenshot.pixel(underCard - around.topLeft())) < 245;
        },
        30000))
        << "the shadow shows below the card";
    ViewHarness::save(screenshot, "nudge-under-a-compositor");

    // Above the card's middle, in the margin its shadow is drawn in.
    const QPoint margin = shown.window->position() + QPoint(whole.width() / 2, shown.card.top() / 2);
    x.click(margin);
    EXPECT_TRUE(waitFor(
        [&] {
            QFile file(clicks);
            return file.open(QIODevice::ReadOnly) && file.readAll().contains("button 1");
        },
        30000))
        << "the click reached the window below";
    DesignSystem::instance().setWindowLook(nullptr);
}

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
    x.click(window->position() + centre.toPoint());
    EXPECT_TRUE(waitFor([&] { return declines == 1; })) << "the click reached the button";
    QTest::qWait(100);
    EXPECT_EQ(activeWindow(x), work) << "clicking the card";
}
