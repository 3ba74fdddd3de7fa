// The heads-up display's meter drawn by the hardware path (QT_QUICK_BACKEND=rhi) on
// the X desktop, where paths get no smoothing of their own: its resting dots must
// still come out round.
#include "ui/design/DesignSystem.h"
#include "ui/design/ViewWindow.h"
#include "ui/hud/HUDModel.h"
#include "ui/hud/RestingDots.h"

#include "support/FakeDesktopAppearance.h"
#include "support/ScopedEnv.h"
#include "support/ViewHarness.h"

#include <QQuickItem>
#include <QQuickWindow>
#include <QSGRendererInterface>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

TEST(HUDMeterRhiX11Test, theRestingDotsAreRoundOnTheHardwarePath) {
    // Chosen as the app chooses, before the process's first window.
    ScopedEnv backend("QT_QUICK_BACKEND", QByteArray("rhi"));
    ViewWindow::chooseRenderer();
    FakeDesktopAppearance desktop;
    DesignSystem::instance().setDesktop(&desktop);
    desktop.set(true, true);
    HUDModel model;
    ViewHarness harness{true};
    ASSERT_TRUE(harness.loadView(QStringLiteral("HUDView"), {{"model", QVariant::fromValue(&model)}}))
        << harness.errors().toStdString();
    model.setState(HUDState::listening());
    QTest::qWait(30);
    const QImage image = harness.render();
    ViewHarness::save(image, QStringLiteral("HUD-meter-flat-rhi"));
    ASSERT_FALSE(image.isNull());
    ASSERT_NE(harness.view().rendererInterface(), nullptr);
    EXPECT_EQ(harness.view().rendererInterface()->graphicsApi(), QSGRendererInterface::OpenGL)
        << "drawn by the hardware path";
    QQuickItem* content = harness.find(QStringLiteral("content"));
    QQuickItem* current = content ? content->property("currentItem").value<QQuickItem*>() : nullptr;
    expectRoundRestingDots(harness, image, ViewHarness::find(current, QStringLiteral("meter")));
    DesignSystem::instance().setDesktop(nullptr);
}
