// The pick panel rendered offscreen with the app light and dark: a rounded list
// with clear corners, the heading, one row per setup with "OPEN" on the applied
// one, the play mark only on a hovered row, and the muted "Open Brisklet" last.
#include "ui/design/DesignSystem.h"
#include "ui/design/FloatingPanel.h"
#include "ui/pick/BriskPickController.h"
#include "ui/pick/BriskPickModel.h"

#include "support/FakeDesktopAppearance.h"
#include "support/Pixels.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"

#include <QPointer>
#include <QQuickItem>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class BriskPickViewUiTest : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() { ViewHarness::useSoftwareRenderer(); }
    void SetUp() override {
        DesignSystem::instance().setDesktop(&desktop);
        desktop.set(GetParam(), true);
        ASSERT_TRUE(
            harness.loadView(QStringLiteral("BriskPickView"), {{"model", QVariant::fromValue(&model)}}))
            << harness.errors().toStdString();
    }
    void TearDown() override { DesignSystem::instance().setDesktop(nullptr); }

    QImage shoot(const QString& name) {
        QTest::qWait(20);
        QImage image = harness.render();
        ViewHarness::save(image, name + (GetParam() ? QStringLiteral("-dark") : QStringLiteral("-light")),
                          QColor(0x6b, 0x7a, 0x8f));
        return image;
    }
    DSPalette* palette() const { return DesignSystem::instance().palette(GetParam()); }
    QList<QQuickItem*> rows() const {
        QList<QQuickItem*> out;
        QQuickItem* card = harness.find(QStringLiteral("card"));
        collect(card, out);
        return out;
    }
    static void collect(QQuickItem* under, QList<QQuickItem*>& out) {
        if (!under)
            return;
        for (QQuickItem* child : under->childItems()) {
            if (child->objectName() == QLatin1String("setupRow"))
                out << child;
            collect(child, out);
        }
    }

    FakeDesktopAppearance desktop;
    BriskPickModel model{{{"Work", "laptopcomputer", true, {}},
                          {"Focus & Write", "pencil.and.outline", false, {}},
                          {"Evening", "moon.stars", false, {}}}};
    ViewHarness harness;
};

} // namespace

TEST_P(BriskPickViewUiTest, theListShowsEverySetupUnderItsHeadingWithOpenHomeLast) {
    const QImage image = shoot(QStringLiteral("Pick"));
    ASSERT_EQ(image.width(), 244);
    EXPECT_TRUE(Pixels::nonBlank(image));
    EXPECT_TRUE(Pixels::cornersTransparent(image, 3));
    const QRect card = harness.boxOf(harness.find(QStringLiteral("card")));
    EXPECT_EQ(card, QRect(6, 6, 232, image.height() - 12));
    EXPECT_LT(qAlpha(image.pixel(card.topLeft())), 128) << "the card's corner is rounded";

    QQuickItem* heading = harness.find(QStringLiteral("heading"));
    ASSERT_NE(heading, nullptr);
    EXPECT_EQ(heading->property("text").toString(), "RUN A SETUP");
    EXPECT_GE(Pixels::textContrast(image, harness.boxOf(heading), palette()->canvas), 3.0)
        << "the quietest ink of the design";

    const QList<QQuickItem*> shown = rows();
    ASSERT_EQ(shown.size(), 3);
    QStringList names;
    for (QQuickItem* row : shown) {
        names << row->property("name").toString();
        QQuickItem* name = ViewHarness::find(row, QStringLiteral("name"));
        EXPECT_GE(Pixels::textContrast(image, harness.boxOf(name), palette()->canvas), 4.5)
            << row->property("name").toString().toStdString();
    }
    EXPECT_EQ(names, (QStringList{"Work", "Focus & Write", "Evening"}));
    EXPECT_LT(harness.boxOf(shown[0]).top(), harness.boxOf(shown[1]).top());

    QQuickItem* open = ViewHarness::find(shown[0], QStringLiteral("openMark"));
    ASSERT_NE(open, nullptr);
    EXPECT_TRUE(open->isVisible());
    EXPECT_EQ(open->property("color").value<QColor>(), palette()->success);
    EXPECT_GE(Pixels::textContrast(image, harness.boxOf(open), palette()->canvas, palette()->success), 3.0);
    EXPECT_FALSE(ViewHarness::find(shown[1], QStringLiteral("openMark"))->isVisible());
    for (QQuickItem* row : shown)
        EXPECT_FALSE(ViewHarness::find(row, QStringLiteral("playMark"))->isVisible()) << "nothing hovered";

    QQuickItem* home = harness.find(QStringLiteral("openHomeRow"));
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(home->property("name").toString(), "Open Brisklet");
    EXPECT_TRUE(home->property("muted").toBool());
    EXPECT_GT(harness.boxOf(home).top(), harness.boxOf(shown[2]).bottom());
    EXPECT_GE(Pixels::textContrast(image, harness.boxOf(ViewHarness::find(home, QStringLiteral("name"))),
                                   palette()->canvas),
              4.5);
}

TEST_P(BriskPickViewUiTest, aHoveredRowShowsThePlayMarkOnItsRaisedBackground) {
    QQuickItem* row = rows().value(1);
    ASSERT_NE(row, nullptr);
    QQuickItem* button = ViewHarness::find(row, QStringLiteral("rowButton"));
    ASSERT_NE(button, nullptr);
    shoot(QStringLiteral("Pick-before-hover"));
    const QPoint centre = harness.boxOf(button).center();
    QTest::mouseMove(&harness.view(), centre);
    ASSERT_TRUE(waitFor([&] { return button->property("hovered").toBool(); }));
    const QImage image = shoot(QStringLiteral("Pick-hover"));
    EXPECT_TRUE(ViewHarness::find(row, QStringLiteral("playMark"))->isVisible());
    EXPECT_EQ(image.pixel(harness.boxOf(button).topLeft() + QPoint(20, 2)), palette()->surfaceRaised.rgba());
    // The applied setup keeps "OPEN" and the muted row never shows the mark.
    QQuickItem* home = harness.find(QStringLiteral("openHomeRow"));
    QTest::mouseMove(&harness.view(),
                     harness.boxOf(ViewHarness::find(home, QStringLiteral("rowButton"))).center());
    ASSERT_TRUE(waitFor([&] { return home->property("hovering").toBool(); }));
    EXPECT_FALSE(ViewHarness::find(home, QStringLiteral("playMark"))->isVisible());
}

TEST_P(BriskPickViewUiTest, rowsAndThePointerReportThroughTheModel) {
    QStringList calls;
    QObject::connect(&model, &BriskPickModel::runPressed,
                     [&](const QUuid&, const QString& name) { calls << name; });
    QObject::connect(&model, &BriskPickModel::openHomePressed, [&] { calls << "home"; });
    QObject::connect(&model, &BriskPickModel::hoverChanged,
                     [&](bool hovered) { calls << (hovered ? "in" : "out"); });
    shoot(QStringLiteral("Pick-clicks"));
    QTest::mouseMove(&harness.view(), QPoint(100, 40));
    ASSERT_TRUE(waitFor([&] { return calls.contains("in"); }));
    QTest::mouseClick(
        &harness.view(), Qt::LeftButton, {},
        harness.boxOf(ViewHarness::find(rows().value(1), QStringLiteral("rowButton"))).center());
    QQuickItem* home = harness.find(QStringLiteral("openHomeRow"));
    QTest::mouseClick(&harness.view(), Qt::LeftButton, {},
                      harness.boxOf(ViewHarness::find(home, QStringLiteral("rowButton"))).center());
    calls.removeAll("in");
    EXPECT_EQ(calls, (QStringList{"Focus & Write", "home"}));
}

INSTANTIATE_TEST_SUITE_P(Appearance, BriskPickViewUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });

TEST(BriskPickPanelUiTest, theAppsPanelTakesTheListsHeightUnderTheIconAndClicksThrough) {
    ViewHarness::useSoftwareRenderer();
    BriskPickController pick;
    pick.setupsProvider = [] {
        return QList<PickEntry>{{"Work", "laptopcomputer", false, {}}, {"Evening", "moon.stars", true, {}}};
    };
    pick.visibleFrameProvider = [](const QRect&) { return QRect(0, 28, 1920, 1052); };
    pick.pointerProvider = [] { return QPoint(1012, 14); };
    pick.toggle(QRect(1000, 2, 24, 24));
    auto* panel = dynamic_cast<FloatingPanel*>(pick.surface());
    ASSERT_NE(panel, nullptr);
    ASSERT_NE(panel->window(), nullptr);
    EXPECT_TRUE(panel->window()->isVisible());
    const QSize size = panel->window()->size();
    EXPECT_EQ(size.width(), 244);
    EXPECT_GT(size.height(), 2 * 32 + 40) << "two rows, the heading and the last row";
    EXPECT_LT(size.height(), 220);
    EXPECT_EQ(panel->window()->position(), QPoint(1012 - 122, 28));
    EXPECT_FALSE(panel->window()->flags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_EQ(panel->window()->mask().boundingRect(), QRect(6, 6, 232, size.height() - 12));
    pick.toggle(QRect(1000, 2, 24, 24));
    EXPECT_FALSE(panel->window()->isVisible());
}

TEST(BriskPickPanelUiTest, clickingARowOfTheAppsPanelRunsItsSetupAndDropsThePanelSafely) {
    ViewHarness::useSoftwareRenderer();
    BriskPickController pick;
    pick.setupsProvider = [] { return QList<PickEntry>{{"Work", "laptopcomputer", false, {}}}; };
    pick.pointerProvider = [] { return QPoint(1012, 14); };
    QStringList ran;
    QObject::connect(&pick, &BriskPickController::runRequested,
                     [&](const QUuid&, const QString& name) { ran << name; });
    pick.toggle(QRect(1000, 2, 24, 24));
    auto* panel = dynamic_cast<FloatingPanel*>(pick.surface());
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel->window()));
    QQuickItem* row =
        ViewHarness::find(qobject_cast<QQuickItem*>(panel->content()), QStringLiteral("setupRow"));
    ASSERT_NE(row, nullptr);
    const QPoint centre = row->mapToScene(QPointF(row->width() / 2, row->height() / 2)).toPoint();
    QPointer<QWindow> window = panel->window();
    QTest::mouseClick(window, Qt::LeftButton, {}, centre);
    EXPECT_EQ(ran, QStringList{"Work"});
    EXPECT_FALSE(pick.isShown());
    ASSERT_TRUE(waitFor([&] { return window.isNull(); })) << "dropped after its click, not during it";
}
