// The drift nudge rendered offscreen with the app light and dark: the card keeps
// the light palette either way, shows its words legibly, wraps a long name to two
// lines at most, and its panel never takes focus.
#include "ui/design/DesignSystem.h"
#include "ui/design/FloatingPanel.h"
#include "ui/receipts/SetupNudgeController.h"
#include "ui/receipts/SetupNudgeModel.h"

#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/ViewHarness.h"

#include <QGuiApplication>
#include <QQuickItem>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class SetupNudgeViewUiTest : public LightDarkViewTest {
protected:
    QImage shoot(SetupNudgeModel& model, const QString& name) {
        // Over a mid-grey desktop, as the card floats.
        return loadAndShoot(
            harness, QStringLiteral("SetupNudgeView"),
            {{"model", QVariant::fromValue(&model)}, {"shadowMargin", SetupNudgeController::shadowMargin}},
            name, QColor(0x6b, 0x7a, 0x8f));
    }
    // Always the light card, whatever the app's appearance.
    static QColor canvas() { return DesignSystem::instance().light()->canvas; }
    void expectLegible(const QImage& image, const char* name, const QColor& backdrop, double least = 4.5) {
        QQuickItem* item = harness.find(QLatin1String(name));
        ASSERT_NE(item, nullptr) << name;
        EXPECT_TRUE(item->isVisible()) << name;
        EXPECT_GE(Pixels::textContrast(image, harness.boxOf(item), backdrop), least) << name;
    }

    ViewHarness harness;
};

} // namespace

TEST_P(SetupNudgeViewUiTest, theCardAsksInTheLightPaletteWithBothButtons) {
    SetupNudgeModel model("Work");
    const QImage image = shoot(model, QStringLiteral("SetupNudge"));
    // The card, 96 high on one line, in a panel with room for its shadow.
    const QRect card = harness.boxOf(harness.find("card"));
    ASSERT_EQ(card.size(), QSize(320, 96));
    ASSERT_EQ(image.size(), QSize(320 + 16, 96 + 16));
    EXPECT_TRUE(Pixels::nonBlank(image));
    EXPECT_TRUE(Pixels::cornersTransparent(image, 2)) << "rounded corners";
    EXPECT_EQ(image.pixel(card.x() + 160, card.y() + 40), canvas().rgba()) << "an opaque light card";
    // Its own soft shadow shows around it, deeper below than above.
    const int below = qAlpha(image.pixel(card.center().x(), card.bottom() + 3));
    const int above = qAlpha(image.pixel(card.center().x(), card.top() - 2));
    EXPECT_GT(below, 0) << "a shadow under the card";
    EXPECT_GT(below, above) << "the shadow falls downwards";
    EXPECT_GT(qAlpha(image.pixel(card.left() - 2, card.center().y())), 0) << "and beside it";
    EXPECT_LT(qRed(image.pixel(card.center().x(), card.bottom() + 3)), 40) << "a dark one";

    EXPECT_EQ(harness.find("headline")->property("text").toString(),
              QString::fromUtf8("You've rearranged since “Work”."));
    EXPECT_EQ(harness.find("question")->property("text").toString(),
              "Want the setup to match how things are now?");
    EXPECT_EQ(harness.find("update")->property("text").toString(), QString::fromUtf8("Update “Work”"));
    EXPECT_EQ(harness.find("notNow")->property("text").toString(), "Not now");
    EXPECT_EQ(harness.find("mark")->property("color").value<QColor>(),
              DesignSystem::instance().light()->ember);
    expectLegible(image, "headline", canvas());
    expectLegible(image, "question", canvas());
    expectLegible(image, "notNow", canvas());
    // The button's white semibold label on the amber fill stands out from it.
    expectLegible(image, "update", DesignSystem::instance().light()->ember, 2.0);

    QQuickItem* update = harness.find("update");
    EXPECT_LT(harness.boxOf(harness.find("notNow")).right(), harness.boxOf(update).left());
    EXPECT_NEAR(harness.boxOf(update).right(), card.right() + 1 - 14, 1);
    EXPECT_LE(harness.boxOf(update).bottom(), card.bottom() - 11);
    EXPECT_GE(harness.boxOf(harness.find("headline")).top(), card.top() + 12);
    EXPECT_EQ(harness.find("headline")->property("lineCount").toInt(), 1);
}

TEST_P(SetupNudgeViewUiTest, aLongNameWrapsToTwoLinesAndTheCardGrows) {
    SetupNudgeModel model("Quarterly planning with the whole design and research group");
    const QImage image = shoot(model, QStringLiteral("SetupNudge-long"));
    QQuickItem* headline = harness.find("headline");
    ASSERT_NE(headline, nullptr);
    EXPECT_EQ(headline->property("lineCount").toInt(), 2);
    EXPECT_TRUE(headline->property("truncated").toBool());
    const QRect card = harness.boxOf(harness.find("card"));
    EXPECT_GT(card.height(), 102);
    EXPECT_EQ(card.width(), 320);
    EXPECT_EQ(image.height(), card.height() + 16);
    QQuickItem* update = harness.find("update");
    EXPECT_LE(harness.boxOf(update).right(), card.right() + 1 - 13)
        << "a long button label stays on the card";
    EXPECT_LE(harness.boxOf(update).bottom(), card.bottom() - 11);
    expectLegible(image, "headline", canvas());
}

TEST_P(SetupNudgeViewUiTest, theButtonsReachTheModel) {
    SetupNudgeModel model("Work");
    QStringList pressed;
    QObject::connect(&model, &SetupNudgeModel::updatePressed, [&] { pressed << "update"; });
    QObject::connect(&model, &SetupNudgeModel::notNowPressed, [&] { pressed << "notNow"; });
    shoot(model, QStringLiteral("SetupNudge-buttons"));
    QMetaObject::invokeMethod(harness.find("notNow"), "clicked");
    QMetaObject::invokeMethod(harness.find("update"), "clicked");
    EXPECT_EQ(pressed, (QStringList{"notNow", "update"}));
}

INSTANTIATE_TEST_SUITE_P(Appearance, SetupNudgeViewUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });

TEST(SetupNudgePanelUiTest, thePanelFloatsWithoutTakingFocus) {
    ViewHarness::useSoftwareRenderer();
    SetupNudgeController nudge;
    QUuid asked;
    QObject::connect(&nudge, &SetupNudgeController::updateRequested, [&](const QUuid& id) { asked = id; });
    const QUuid id = QUuid::createUuid();
    nudge.show(id, "Work", QRect(0, 25, 1440, 875));
    auto* panel = dynamic_cast<FloatingPanel*>(nudge.currentSurface());
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(panel->window(), nullptr);
    QWindow* window = panel->window();
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->size(), panel->size());
    EXPECT_EQ(window->width(), 320 + 16);
    // The card 20 in from the right and bottom of the area left by the bar.
    const QRectF card = panel->content()
                            ->findChild<QQuickItem*>(QStringLiteral("card"))
                            ->mapRectToScene(QRectF(0, 0, 320, 96));
    EXPECT_EQ(window->position() + card.topLeft().toPoint(), QPoint(1100, 900 - 20 - 96));
    EXPECT_TRUE(window->flags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(window->flags().testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_FALSE(window->flags().testFlag(Qt::WindowTransparentForInput)) << "its buttons take clicks";
    EXPECT_NE(QGuiApplication::focusWindow(), window);

    auto* button = panel->content()->findChild<QQuickItem*>(QStringLiteral("update"));
    ASSERT_NE(button, nullptr);
    QMetaObject::invokeMethod(button, "clicked");
    EXPECT_EQ(asked, id);
    EXPECT_EQ(nudge.current(), nullptr);
    EXPECT_NE(QGuiApplication::focusWindow(), window);
}
