// The heads-up display's view rendered offscreen for every state, with the app
// light and dark (the display itself is always dark): each picture must show the
// pill, its corners must stay transparent and its text must stand out.
#include "ui/design/DesignSystem.h"
#include "ui/hud/HUDModel.h"
#include "ui/hud/RestingDots.h"
#include "ui/setups/SetupDraftEdits.h"

#include "support/FakeDesktopAppearance.h"
#include "support/Pixels.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"

#include <QQuickItem>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class HUDViewUiTest : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() { ViewHarness::useSoftwareRenderer(); }
    void SetUp() override {
        DesignSystem::instance().setDesktop(&desktop);
        desktop.set(GetParam(), true); // no transitions: each picture shows its state
        ASSERT_TRUE(harness.loadView(QStringLiteral("HUDView"), {{"model", QVariant::fromValue(&model)}}))
            << harness.errors().toStdString();
    }
    void TearDown() override { DesignSystem::instance().setDesktop(nullptr); }

    // The newest content's primary text.
    QQuickItem* text(const char* name = "primaryText") {
        QQuickItem* content = harness.find(QStringLiteral("content"));
        QQuickItem* current = content ? content->property("currentItem").value<QQuickItem*>() : nullptr;
        return ViewHarness::find(current, QLatin1String(name));
    }
    QImage shoot(const HUDState& state, const QString& name) {
        model.setState(state);
        QTest::qWait(30);
        QImage image = harness.render();
        ViewHarness::save(image, name + (GetParam() ? QStringLiteral("-dark") : QStringLiteral("-light")));
        return image;
    }

    FakeDesktopAppearance desktop;
    HUDModel model;
    ViewHarness harness{true};
};

} // namespace

TEST_P(HUDViewUiTest, EveryStateRendersLegiblyOnAPillWithClearCorners) {
    model.setConfirm([] {}, [] {});
    const std::pair<HUDState, QString> states[] = {
        {HUDState::listening(QStringLiteral("open fire")), "listening"},
        {HUDState::heard(QStringLiteral("maximize")), "heard"},
        {HUDState::executing(QStringLiteral("Maximizing the window")), "executing"},
        {HUDState::done(QStringLiteral("Maximized Firefox")), "done"},
        {HUDState::miss(QStringLiteral("play something nice")), "miss"},
        {HUDState::info(QStringLiteral("Microphone is off")), "info"},
        {HUDState::confirm(QStringLiteral("Close 4 windows?")), "confirm"},
    };
    for (const auto& [state, name] : states) {
        SCOPED_TRACE(name.toStdString());
        const QImage image = shoot(state, QStringLiteral("HUD-") + name);
        ASSERT_EQ(image.size(), QSize(264, 86));
        EXPECT_TRUE(Pixels::nonBlank(image));
        EXPECT_TRUE(Pixels::cornersTransparent(image, 4));
        EXPECT_GT(qAlpha(image.pixel(132, 43)), 150) << "the pill is there";
        QQuickItem* primary = text();
        ASSERT_NE(primary, nullptr);
        EXPECT_FALSE(primary->property("text").toString().isEmpty());
        const QRect box = harness.boxOf(primary);
        // White text on the translucent pill, over a white desktop and a black one.
        EXPECT_GE(Pixels::textContrast(image, box, Qt::white), 4.5);
        EXPECT_GE(Pixels::textContrast(image, box, Qt::black), 4.5);
    }
}

TEST_P(HUDViewUiTest, AnEmptyTranscriptSaysListeningInTheSecondaryColour) {
    shoot(HUDState::listening(), QStringLiteral("HUD-listening-empty"));
    QQuickItem* line = text();
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line->property("text").toString(), QString::fromUtf8("Listening\u2026"));
    const QColor secondary = DesignSystem::instance().dark()->labelSecondary;
    EXPECT_EQ(line->property("color").value<QColor>().rgba(), secondary.rgba());
    model.setState(HUDState::listening(QStringLiteral("open")));
    EXPECT_EQ(line->property("color").value<QColor>().rgba(),
              DesignSystem::instance().dark()->labelPrimary.rgba());
}

TEST_P(HUDViewUiTest, AGrowingTranscriptUpdatesInPlaceAndANewKindReplacesTheContent) {
    shoot(HUDState::listening(QStringLiteral("open")), QStringLiteral("HUD-partial"));
    QQuickItem* line = text();
    ASSERT_NE(line, nullptr);
    model.setState(
        HUDState::listening(QStringLiteral("open the editor and put it on the left half of the screen")));
    EXPECT_EQ(text(), line) << "same item";
    EXPECT_TRUE(line->property("truncated").toBool());
    EXPECT_EQ(line->property("elide").toInt(), int(Qt::ElideLeft)) << "the newest words stay";

    model.setState(HUDState::heard(QStringLiteral("open the editor")));
    QTest::qWait(10);
    ASSERT_NE(text(), nullptr);
    EXPECT_NE(text(), line);
    EXPECT_EQ(text()->property("text").toString(), QString::fromUtf8("\u201Copen the editor\u201D"));
}

TEST_P(HUDViewUiTest, TheOutgoingContentKeepsItsOwnTextWhileTheNextFadesIn) {
    desktop.set(GetParam(), false); // transitions run
    shoot(HUDState::listening(QStringLiteral("open")), QStringLiteral("HUD-before-transition"));
    QQuickItem* listening = text();
    ASSERT_NE(listening, nullptr);
    model.setState(HUDState::heard(QStringLiteral("open the editor")));
    QQuickItem* heard = text();
    ASSERT_NE(heard, nullptr);
    ASSERT_NE(heard, listening);
    model.setState(HUDState::done(QStringLiteral("Opened the editor")));
    QTest::qWait(60); // mid-fade: all three contents on the pill
    EXPECT_EQ(listening->property("text").toString(), "open");
    EXPECT_EQ(heard->property("text").toString(), QString::fromUtf8("\u201Copen the editor\u201D"));
    ASSERT_NE(text(), nullptr);
    EXPECT_EQ(text()->property("text").toString(), "Opened the editor");
    ViewHarness::save(harness.render(),
                      QStringLiteral("HUD-mid-transition") + (GetParam() ? "-dark" : "-light"));
}

TEST_P(HUDViewUiTest, TheLongestMessagesShrinkToFitTwoLinesInsteadOfLosingTheirEnd) {
    // The longest texts the request flow shows as info, and the longest a miss can.
    const QString messages[] = {
        QString::fromUtf8("No internet \u2014 Ask needs a connection. Everyday commands still work."),
        QString::fromUtf8("Ask is having trouble right now \u2014 everyday commands still work."),
        QString::fromUtf8("Grant Speech Recognition in Brisklet \u2192 Settings \u2192 Permissions"),
    };
    int shot = 0;
    for (const QString& message : messages) {
        SCOPED_TRACE(message.toStdString());
        const QImage image = shoot(HUDState::info(message), QStringLiteral("HUD-info-long-%1").arg(++shot));
        QQuickItem* line = text();
        ASSERT_NE(line, nullptr);
        EXPECT_FALSE(line->property("truncated").toBool()) << "the whole message shows";
        EXPECT_LE(line->property("lineCount").toInt(), 2);
        const QRect box = harness.boxOf(line);
        EXPECT_TRUE(QRect(7 + 20, 7, 264 - 14 - 40, 86 - 14).contains(box)) << "inside the pill";
        EXPECT_GE(Pixels::textContrast(image, box, Qt::black), 4.5);
    }
    shoot(HUDState::miss(QString()), QStringLiteral("HUD-miss-row"));
    ASSERT_NE(text(), nullptr);
    EXPECT_FALSE(text()->property("truncated").toBool());
    // A short message keeps its full size.
    shoot(HUDState::info(QStringLiteral("Microphone is off")), QStringLiteral("HUD-info-short"));
    ASSERT_NE(text(), nullptr);
    EXPECT_GE(text()->property("contentHeight").toReal(), 15) << "13 px text is not shrunk";
}

TEST_P(HUDViewUiTest, ASaveOrDeleteFailureKeepsItsReasonWholeWhateverTheSetupsName) {
    // The widest letters and a plain long name, both 60 characters.
    const QString names[] = {QString(60, QLatin1Char('W')),
                             QStringLiteral("Morning writing with coffee and the radio on, then the email")};
    int shot = 0;
    for (const QString& name : names) {
        for (const QString& sentence :
             {SetupDraftEdits::unsavedText(name), SetupDraftEdits::undeletedText(name)}) {
            SCOPED_TRACE(sentence.toStdString());
            const QImage image =
                shoot(HUDState::info(sentence), QStringLiteral("HUD-unsaved-%1").arg(++shot));
            QQuickItem* line = text();
            ASSERT_NE(line, nullptr);
            EXPECT_TRUE(sentence.endsWith("— the setups file can't be written"));
            EXPECT_FALSE(line->property("truncated").toBool()) << "the reason shows whole";
            EXPECT_LE(line->property("lineCount").toInt(), 2);
            const QRect box = harness.boxOf(line);
            EXPECT_TRUE(QRect(7 + 20, 7, 264 - 14 - 40, 86 - 14).contains(box)) << "inside the pill";
            EXPECT_GE(Pixels::textContrast(image, box, Qt::black), 4.5);
        }
    }
}

TEST_P(HUDViewUiTest, AMissShowsWhatWasHeardOnlyWhenThereIsSomething) {
    shoot(HUDState::miss(QString()), QStringLiteral("HUD-miss-empty"));
    ASSERT_NE(text(), nullptr);
    EXPECT_EQ(text()->property("text").toString(), "Didn't catch a command");
    ASSERT_NE(text("secondaryText"), nullptr);
    EXPECT_FALSE(text("secondaryText")->isVisible());
    // A reading the recogniser refused: what the display showed while the user spoke.
    const QImage image =
        shoot(HUDState::miss(QStringLiteral("quit galculator")), QStringLiteral("HUD-miss-heard"));
    QQuickItem* heard = text("secondaryText");
    ASSERT_NE(heard, nullptr);
    EXPECT_TRUE(heard->isVisible());
    EXPECT_EQ(heard->property("text").toString(), QString::fromUtf8("\u201Cquit galculator\u201D"));
    EXPECT_FALSE(heard->property("truncated").toBool());
    EXPECT_TRUE(Pixels::nonBlank(image));
    const QRect line = harness.boxOf(heard);
    EXPECT_LT(harness.boxOf(text()).bottom(), line.top()) << "a line of its own under the message";
    EXPECT_TRUE(QRect(7 + 20, 7, 264 - 14 - 40, 86 - 14).contains(line)) << "inside the pill";
    const QColor ink = heard->property("color").value<QColor>();
    EXPECT_GE(Pixels::textContrast(image, line, Qt::white, ink), 4.5);
    EXPECT_GE(Pixels::textContrast(image, line, Qt::black, ink), 4.5);
}

TEST_P(HUDViewUiTest, TheQuestionsButtonsAnswerThroughTheModel) {
    QStringList answers;
    model.setConfirm([&] { answers << "run"; }, [&] { answers << "cancel"; });
    shoot(HUDState::confirm(QStringLiteral("Quit Firefox?")), QStringLiteral("HUD-question"));
    QQuickItem* run = text("runIt");
    QQuickItem* notNow = text("notNow");
    ASSERT_NE(run, nullptr);
    ASSERT_NE(notNow, nullptr);
    EXPECT_EQ(run->property("text").toString(), "Yes, run it");
    EXPECT_EQ(notNow->property("text").toString(), "Not now");
    QMetaObject::invokeMethod(notNow, "clicked");
    QMetaObject::invokeMethod(run, "clicked");
    EXPECT_EQ(answers, QStringList({"cancel", "run"}));
    model.clearConfirm();
    QMetaObject::invokeMethod(run, "clicked"); // nothing pending: nothing happens
    EXPECT_EQ(answers.size(), 2);
}

TEST_P(HUDViewUiTest, MeterBarsFollowTheirValuesWithAThreePointFloor) {
    const QImage flat = shoot(HUDState::listening(), QStringLiteral("HUD-meter-flat"));
    QQuickItem* meter = text("meter");
    ASSERT_NE(meter, nullptr);
    expectRoundRestingDots(harness, flat, meter);
    QList<qreal> bars(20, 0.08);
    bars[0] = 1.0;
    bars[1] = 0.5;
    model.setBars(bars);
    QList<QQuickItem*> rects;
    for (QQuickItem* child : meter->childItems().first()->childItems())
        if (child->width() == 3.5)
            rects << child;
    ASSERT_EQ(rects.size(), 20);
    // The bars' spring settles in about 0.4 s, later on a loaded machine.
    const auto settled = [&] {
        return std::abs(rects[0]->height() - 22) < 0.01 && std::abs(rects[1]->height() - 11) < 0.01 &&
               std::abs(rects[19]->height() - 3) < 0.01;
    };
    EXPECT_TRUE(test::waitFor(settled, 5000));
    EXPECT_NEAR(rects[0]->height(), 22, 0.01);
    EXPECT_NEAR(rects[1]->height(), 11, 0.01);
    EXPECT_NEAR(rects[19]->height(), 3, 0.01);
    EXPECT_NEAR(HUDModel::liveLevelOf(bars), 1.0, 1e-9);
    EXPECT_NEAR(HUDModel::liveLevelOf(QList<qreal>(20, 0.08)), 0.0, 1e-9);
    EXPECT_EQ(HUDModel::liveLevelOf({}), 0.0);
    ViewHarness::save(harness.render(), QStringLiteral("HUD-meter-") + (GetParam() ? "dark" : "light"));
}

INSTANTIATE_TEST_SUITE_P(Appearance, HUDViewUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });
