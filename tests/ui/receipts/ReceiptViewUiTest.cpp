// Receipt cards rendered offscreen with the app light and dark: each picture shows
// a rounded card with clear corners, its words and only the buttons it offers,
// and its text stands out from the card.
#include "setups/Setup.h"
#include "ui/design/DesignSystem.h"
#include "ui/design/FloatingPanel.h"
#include "ui/receipts/ReceiptController.h"
#include "ui/receipts/ReceiptModel.h"
#include "ui/receipts/ReceiptWording.h"

#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/ViewHarness.h"

#include <QQuickItem>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

ReceiptCard fullRun() {
    brisklet::Setup work;
    work.name = "Work";
    work.system.appearance = SetupSystemState::Appearance::dark;
    SetupPort::RunReport report;
    report.placed = 3;
    report.opened = 3;
    report.clearedOthers = 1;
    report.notes = {"Slack's windows are on another desktop — left them there.", "second"};
    return ReceiptWording::forRun(report, work, true, 4);
}

ReceiptCard partialRun() {
    brisklet::Setup work;
    work.name = "Deep Work";
    SetupPort::RunReport report;
    report.opened = 2;
    report.failedItems = {"Slack", "Zoom", "Figma"};
    return ReceiptWording::forRun(report, work, false, std::nullopt);
}

ReceiptCard end() {
    brisklet::Setup work;
    work.name = "Work";
    return ReceiptWording::forEnd({"Work", 0, {}}, work);
}

class ReceiptViewUiTest : public LightDarkViewTest {
protected:
    QImage shoot(ReceiptModel& model, const QString& name) {
        // Over a mid-grey desktop, as the card floats.
        return loadAndShoot(harness, QStringLiteral("ReceiptView"), {{"model", QVariant::fromValue(&model)}},
                            name, QColor(0x6b, 0x7a, 0x8f));
    }
    // The text of an item, checked against the card.
    void expectLegible(const QImage& image, const char* name, double least = 4.5) {
        QQuickItem* item = harness.find(QLatin1String(name));
        ASSERT_NE(item, nullptr) << name;
        EXPECT_TRUE(item->isVisible()) << name;
        EXPECT_GE(Pixels::textContrast(image, harness.boxOf(item), canvas()), least) << name;
    }

    ViewHarness harness;
};

} // namespace

TEST_P(ReceiptViewUiTest, aFullRunShowsItsWordsAndAllThreeButtonsOnARoundedCard) {
    ReceiptModel model(fullRun());
    const QImage image = shoot(model, QStringLiteral("Receipt-run"));
    ASSERT_EQ(image.size(), QSize(380, 150));
    EXPECT_TRUE(Pixels::nonBlank(image));
    EXPECT_TRUE(Pixels::cornersTransparent(image, 3));
    QQuickItem* card = harness.find(QStringLiteral("card"));
    ASSERT_NE(card, nullptr);
    const QRect box = harness.boxOf(card);
    EXPECT_EQ(box.left(), 6);
    EXPECT_EQ(box.width(), 380 - 12);
    EXPECT_LT(qAlpha(image.pixel(box.topLeft())), 128) << "the card's corner is rounded";
    EXPECT_EQ(image.pixel(box.center()), canvas().rgba()) << "an opaque card";

    EXPECT_EQ(harness.find("title")->property("text").toString(), QString::fromUtf8("“Work” is ready."));
    expectLegible(image, "title");
    expectLegible(image, "body");
    // The note is the quietest ink of the design.
    expectLegible(image, "note", 3.0);
    EXPECT_EQ(harness.find("mark")->property("color").value<QColor>(),
              DesignSystem::instance().palette(GetParam())->emberText);

    // OK, then "Close the rest", then the undo button on the far right.
    QQuickItem* ok = harness.find("ok");
    QQuickItem* sweep = harness.find("sweep");
    QQuickItem* undo = harness.find("undo");
    ASSERT_TRUE(ok && sweep && undo);
    EXPECT_EQ(sweep->property("text").toString(), "Close the rest (4)");
    EXPECT_EQ(undo->property("text").toString(), "Put it back");
    EXPECT_LT(harness.boxOf(ok).right(), harness.boxOf(sweep).left());
    EXPECT_LT(harness.boxOf(sweep).right(), harness.boxOf(undo).left());
    EXPECT_NEAR(harness.boxOf(undo).right(), box.right() - 16, 1);
    expectLegible(image, "undo");
    expectLegible(image, "ok");
}

TEST_P(ReceiptViewUiTest, aPartialRunShowsTheInfoMarkAndOnlyOK) {
    ReceiptModel model(partialRun());
    const QImage image = shoot(model, QStringLiteral("Receipt-partial"));
    ASSERT_EQ(image.size(), QSize(340, 150));
    EXPECT_TRUE(Pixels::cornersTransparent(image, 3));
    EXPECT_EQ(harness.find("title")->property("text").toString(),
              QString::fromUtf8("“Deep Work” is up — without Slack, Zoom and 1 more."));
    EXPECT_EQ(harness.find("mark")->property("color").value<QColor>(),
              DesignSystem::instance().palette(GetParam())->systemOrange);
    EXPECT_FALSE(harness.find("note")->isVisible());
    EXPECT_FALSE(harness.find("sweep")->isVisible());
    EXPECT_FALSE(harness.find("undo")->isVisible());
    expectLegible(image, "title");
    expectLegible(image, "ok");
}

TEST_P(ReceiptViewUiTest, anEndCardOffersToBringItBackAndItsButtonsReachTheModel) {
    ReceiptModel model(end());
    QStringList pressed;
    QObject::connect(&model, &ReceiptModel::undoPressed, [&] { pressed << "undo"; });
    QObject::connect(&model, &ReceiptModel::okPressed, [&] { pressed << "ok"; });
    const QImage image = shoot(model, QStringLiteral("Receipt-end"));
    EXPECT_TRUE(Pixels::nonBlank(image));
    EXPECT_EQ(harness.find("body")->property("text").toString(), "Nothing was open.");
    EXPECT_EQ(harness.find("undo")->property("text").toString(), "Bring it back");
    expectLegible(image, "body");
    QMetaObject::invokeMethod(harness.find("undo"), "clicked");
    QMetaObject::invokeMethod(harness.find("ok"), "clicked");
    EXPECT_EQ(pressed, (QStringList{"undo", "ok"}));
}

INSTANTIATE_TEST_SUITE_P(Appearance, ReceiptViewUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });

TEST(ReceiptPanelUiTest, theAppsPanelIsShapedToTheCardAndTakesClicksUntilItFades) {
    ViewHarness::useSoftwareRenderer();
    ReceiptController receipts;
    receipts.reduceMotion = [] { return true; };
    receipts.show(fullRun(), QRect(0, 0, 1920, 1080));
    auto* panel = dynamic_cast<FloatingPanel*>(receipts.currentSurface());
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(panel->window(), nullptr);
    EXPECT_TRUE(panel->window()->isVisible());
    EXPECT_EQ(panel->window()->size(), QSize(380, 150));
    EXPECT_EQ(panel->window()->position(), QPoint(1920 - 380 - 20, 1080 - 20 - 150));
    EXPECT_FALSE(panel->window()->flags().testFlag(Qt::WindowTransparentForInput));
    auto* card = panel->content()->findChild<QQuickItem*>(QStringLiteral("card"));
    ASSERT_NE(card, nullptr);
    const QRect box = card->mapRectToItem(nullptr, QRectF(0, 0, card->width(), card->height())).toRect();
    EXPECT_GT(box.height(), 60);
    EXPECT_EQ(panel->window()->mask().boundingRect(), box) << "shaped to the card";
    EXPECT_FALSE(panel->window()->mask().contains(box.topLeft())) << "round corners";
    receipts.dismiss();
    EXPECT_FALSE(panel->window()->isVisible());
}
