// The first-run window offscreen, light and dark: every step and its states drawn
// (not blank, on the canvas, the texts present and legible), the footer's label
// and gate, the permission rows' buttons, the chosen card, the first command's
// two faces, the Magic step's states, the clap indicator and level bar, and the
// smallest window size.
#include "ui/onboarding/OnboardingController.h"

#include "base/Prefs.h"
#include "ui/design/DesignSystem.h"

#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/TempHome.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

MagicProposal proposal(const QString& title) {
    MagicProposal p;
    p.title = title;
    p.blurb = "Editor and terminal, side by side.";
    p.draft.id = QUuid::createUuid();
    p.draft.name = title;
    for (const auto& [id, name, x, w] :
         {std::tuple{"code", "Code", 0.0, 0.66}, std::tuple{"kitty", "kitty", 0.66, 0.34}}) {
        SetupItem item;
        item.id = QUuid::createUuid();
        item.bundleID = id;
        item.appName = name;
        item.frame = SetupFrame{x, 0, w, 1, 0};
        p.draft.items.push_back(item);
    }
    p.evidence = {{"code", "open right now"}};
    return p;
}

class OnboardingViewUiTest : public LightDarkViewTest {
protected:
    void SetUp() override {
        LightDarkViewTest::SetUp();
        model().setGrants({true, true, true});
    }

    OnboardingModel& model() { return controller.model(); }
    const DSPalette& c() const { return *DesignSystem::instance().palette(GetParam()); }

    // Loads the window's view at `step`, draws it and checks the frame.
    QImage shoot(const QString& name, int step, QSize size = QSize(640, 620)) {
        model().setStep(step);
        const bool loaded =
            harness.loadView("OnboardingView", {{"model", QVariant::fromValue<QObject*>(&model())},
                                                {"controller", QVariant::fromValue<QObject*>(&controller)}});
        EXPECT_TRUE(loaded) << harness.errors().toStdString();
        if (!loaded)
            return {};
        harness.root()->setSize(size);
        QTest::qWait(30);
        QImage image = harness.render();
        ViewHarness::save(image, "onboarding-" + name + suffix());
        EXPECT_TRUE(Pixels::nonBlank(image)) << name.toStdString();
        EXPECT_EQ(QColor(image.pixel(image.width() - 2, 2)), c().canvas) << "the canvas under the title bar";
        EXPECT_EQ(text("headerLine"), OnboardingRules::headerLine(step));
        expectLegible(image, "brand");
        expectLegible(image, "headerLine");
        return image;
    }
    QQuickItem* item(const QString& name) const { return harness.find(name); }
    QString text(const QString& name) const {
        QQuickItem* found = item(name);
        return found ? found->property("text").toString() : QStringLiteral("<missing %1>").arg(name);
    }
    bool shown(const QString& name) const {
        QQuickItem* found = item(name);
        return found && found->isVisible();
    }
    void expectLegible(const QImage& image, const QString& name, double least = 4.5, QColor under = {}) {
        QQuickItem* found = item(name);
        ASSERT_TRUE(found) << name.toStdString();
        EXPECT_TRUE(found->isVisible()) << name.toStdString();
        const QColor ink = found->property("color").value<QColor>();
        EXPECT_GE(
            Pixels::textContrast(image, harness.boxOf(found), under.isValid() ? under : c().canvas, ink),
            least)
            << name.toStdString();
    }
    // The fill of a round mark beside its centred symbol.
    QColor fillOf(const QImage& image, QQuickItem* mark) const {
        const QRect box = harness.boxOf(mark);
        return QColor(image.pixel(box.left() + 4, box.center().y()));
    }
    QColor fillOf(const QImage& image, const QString& name) const { return fillOf(image, item(name)); }

    TempHome home;
    OnboardingController controller{OnboardingController::Collaborators{}};
    ViewHarness harness;
};

} // namespace

TEST_P(OnboardingViewUiTest, permissionsListTheirStateAndGateTheFirstStepOnMicrophoneAndSpeech) {
    model().setGrants({true, false, false});
    model().setOnDeviceSpeech(false);
    const QImage image = shoot("0-permissions-missing", 0);
    EXPECT_EQ(text("intro"), "Three permissions, then you never see this again.");
    EXPECT_FALSE(ViewHarness::find(item("microphone"), "allow")->isVisible());
    EXPECT_TRUE(ViewHarness::find(item("speech"), "allow")->isVisible());
    EXPECT_TRUE(ViewHarness::find(item("accessibility"), "allow")->isVisible());
    EXPECT_TRUE(shown("restartHint"));
    EXPECT_TRUE(shown("speechWarning"));
    EXPECT_GT(harness.boxOf(item("speechWarning")).top(), harness.boxOf(item("restartHint")).bottom())
        << "the warning comes last";
    // "Restart Brisklet" is a small plain button: a bordered box around ink text,
    // not a coloured link.
    QQuickItem* restart = item("restart");
    ASSERT_TRUE(restart);
    const QRect button = harness.boxOf(restart);
    EXPECT_LE(button.height(), 24);
    EXPECT_GE(button.height(), 16);
    QQuickItem* face = ViewHarness::find(restart, "restartBackground");
    ASSERT_TRUE(face && face->isVisible());
    EXPECT_EQ(face->property("border").value<QObject*>()->property("width").toInt(), 1);
    EXPECT_EQ(ViewHarness::find(restart, "restartLabel")->property("color").value<QColor>(), c().ink);
    const QColor rim = QColor::fromRgba(image.pixel(button.center().x(), button.top()));
    EXPECT_NE(rim.rgb(), c().canvas.rgb()) << "the border is drawn";
    expectLegible(image, "restartLabel", 4.5, c().surfaceRaised);
    EXPECT_FALSE(shown("back"));
    EXPECT_EQ(text("forward"), "Continue");
    EXPECT_FALSE(item("forward")->isEnabled()) << "speech is still missing";
    expectLegible(image, "intro");
    expectLegible(image, "speechWarningText", 3.0);
    expectLegible(image, "title", 4.5, c().surface);

    // Return does nothing while the button is disabled.
    QTest::keyClick(&harness.view(), Qt::Key_Return);
    EXPECT_EQ(model().step(), 0);
}

TEST_P(OnboardingViewUiTest, withEverythingGrantedTheRowsShowOnlyChecksAndReturnMovesOn) {
    const QImage image = shoot("0-permissions-granted", 0);
    for (const char* row : {"microphone", "speech", "accessibility"}) {
        EXPECT_FALSE(ViewHarness::find(item(row), "allow")->isVisible()) << row;
        EXPECT_TRUE(ViewHarness::find(item(row), "granted")->isVisible()) << row;
    }
    EXPECT_FALSE(shown("restartHint"));
    EXPECT_FALSE(shown("speechWarning"));
    EXPECT_EQ(fillOf(image, "granted").rgb(), c().success.rgb());
    EXPECT_TRUE(item("forward")->isEnabled());
    harness.view().requestActivate();
    QTest::keyClick(&harness.view(), Qt::Key_Return);
    EXPECT_EQ(model().step(), 1);
}

TEST_P(OnboardingViewUiTest, theSummonStepMarksTheChosenCardAndShowsTheKeysSign) {
    Prefs::setValue(Prefs::Key::wakeKeyCode, 61);
    model().setStyle(OnboardingRules::Style::tap);
    const QImage image = shoot("1-summon", 1);
    QQuickItem* hold = item("holdCard");
    QQuickItem* tap = item("tapCard");
    EXPECT_EQ(ViewHarness::find(tap, "pick")->property("text").toString(), "YOUR PICK");
    EXPECT_EQ(ViewHarness::find(hold, "pick")->property("text").toString(), " ");
    EXPECT_EQ(hold->height(), tap->height()) << "the unchosen card keeps its height";
    EXPECT_EQ(ViewHarness::find(hold, "glyph")->property("text").toString(), QString(QChar(0x2387)));
    EXPECT_EQ(ViewHarness::find(hold, "keyName")->property("text").toString(), "Right Alt");
    EXPECT_EQ(ViewHarness::find(tap, "caption")->property("text").toString(),
              QString::fromUtf8("listening — just speak"))
        << "under Reduce Motion the demo stands still, speaking";
    EXPECT_EQ(fillOf(image, ViewHarness::find(tap, "cardBackground")).rgb(), c().surfaceRaised.rgb())
        << "the chosen card is raised";
    EXPECT_EQ(fillOf(image, ViewHarness::find(hold, "cardBackground")).rgb(), c().surface.rgb());
    EXPECT_TRUE(shown("back"));
    expectLegible(image, "intro");
    expectLegible(image, "note", 3.0);

    QMetaObject::invokeMethod(hold, "clicked");
    EXPECT_EQ(Prefs::stringValue(Prefs::Key::activationStyle), "hold");
    EXPECT_EQ(ViewHarness::find(hold, "pick")->property("text").toString(), "YOUR PICK");
}

TEST_P(OnboardingViewUiTest, anFKeyShowsItsNameOnTheKeycapWithoutASecondLine) {
    Prefs::setValue(Prefs::Key::wakeKeyCode, 105);
    shoot("1-summon-f13", 1);
    QQuickItem* hold = item("holdCard");
    EXPECT_EQ(ViewHarness::find(hold, "glyph")->property("text").toString(), "F13");
    EXPECT_FALSE(ViewHarness::find(hold, "keyName")->isVisible());
}

TEST_P(OnboardingViewUiTest, theFirstCommandStepTeachesTheGestureThenCelebrates) {
    model().setGrants({true, true, false});
    const QImage before = shoot("2-firstcommand", 2);
    EXPECT_EQ(text("title"), QString::fromUtf8("Hold Right Super…"));
    EXPECT_TRUE(text("instruction").contains("**volume up**"));
    EXPECT_EQ(item("instruction")->property("textFormat").toInt(), int(Qt::MarkdownText))
        << "shown bold, no asterisks";
    EXPECT_EQ(item("hint")->property("color").value<QColor>(), c().emberText);
    EXPECT_EQ(text("forward"), "Skip");
    expectLegible(before, "title");
    expectLegible(before, "instruction");
    expectLegible(before, "hint", 3.0);
    QQuickItem* demo = item("demo");
    EXPECT_EQ(ViewHarness::find(demo, "caption")->property("text").toString(), "press and hold");

    model().setWakeFlash(true);
    EXPECT_EQ(ViewHarness::find(demo, "caption")->property("text").toString(),
              QString::fromUtf8("Listening…"));
    model().setWakeFlash(false);

    model().setCommandSucceeded(true);
    QTest::qWait(30);
    const QImage after = harness.render();
    ViewHarness::save(after, QString("onboarding-2-success") + suffix());
    EXPECT_FALSE(shown("title"));
    EXPECT_TRUE(shown("successMark"));
    EXPECT_EQ(text("successTitle"), "That's it. That's the whole app.");
    EXPECT_EQ(text("forward"), "Continue");
    expectLegible(after, "successTitle");
    expectLegible(after, "successLine");
    EXPECT_NE(before, after);
}

TEST_P(OnboardingViewUiTest, withAccessibilityTheFirstCommandIsSort) {
    model().setStyle(OnboardingRules::Style::tap);
    const QImage image = shoot("2-firstcommand-sort", 2);
    EXPECT_EQ(text("title"), QString::fromUtf8("Tap Right Super…"));
    EXPECT_TRUE(text("instruction").startsWith(QString::fromUtf8("…then say **sort**")));
    EXPECT_EQ(item("hint")->property("color").value<QColor>(), c().inkTertiary);
}

TEST_P(OnboardingViewUiTest, theMagicStepReadsFirstThenSaysWhereMagicLives) {
    const QImage scanning = shoot("3-magic-scanning", 3);
    EXPECT_TRUE(shown("progress"));
    int drawn = 0;
    const QRect spinner = harness.boxOf(item("progress"));
    for (int y = spinner.top(); y <= spinner.bottom(); ++y)
        for (int x = spinner.left(); x <= spinner.right(); ++x)
            drawn += QColor(scanning.pixel(x, y)) != c().canvas;
    EXPECT_GT(drawn, 20) << "the spinner is drawn";
    EXPECT_EQ(text("scanningTitle"), QString::fromUtf8("Reading your computer…"));
    expectLegible(scanning, "scanningTitle");
    expectLegible(scanning, "scanningNote", 3.0);
    EXPECT_EQ(text("forward"), "Continue");

    model().setMagicScanned(true);
    QTest::qWait(30);
    const QImage empty = harness.render();
    ViewHarness::save(empty, QString("onboarding-3-magic-empty") + suffix());
    EXPECT_FALSE(shown("progress"));
    EXPECT_EQ(text("emptyTitle"), "Not much to read yet.");
    EXPECT_LE(item("emptyLine")->width(), 440);
    EXPECT_EQ(text("emptySymbol"), DesignSystem::instance().symbol("wand.and.stars"));
    expectLegible(empty, "emptyTitle");
    expectLegible(empty, "emptyLine");
}

TEST_P(OnboardingViewUiTest, theMagicStepShowsTheFirstProposalOnItsCardAndCountsTheRest) {
    model().setMagicScanned(true);
    model().setMagicProposals({proposal("Code"), proposal("Write"), proposal("Mail"), proposal("Play")});
    const QImage image = shoot("3-magic-proposal", 3);
    QQuickItem* card = item("proposalCard");
    ASSERT_TRUE(card);
    EXPECT_EQ(ViewHarness::find(card, "title")->property("text").toString(), "Code");
    EXPECT_FALSE(card->property("allowEdit").toBool());
    EXPECT_FALSE(ViewHarness::find(card, "edit") && ViewHarness::find(card, "edit")->isVisible());
    EXPECT_TRUE(text("moreWaiting").startsWith("3 more waiting in Home"));
    EXPECT_EQ(text("forward"), "Skip for now");
    expectLegible(image, "proposalIntro");
    expectLegible(image, "moreWaiting", 3.0);
    expectLegible(image, "localNote", 3.0);

    // Running it: the card turns to "Put it back" and the footer to Continue; a
    // failed run of this very draft shows its message on the card.
    QList<QUuid> ran;
    controller.onMagicRun = [&](const MagicProposal& p) { ran << p.id(); };
    QMetaObject::invokeMethod(card, "run");
    EXPECT_EQ(ran.size(), 1);
    EXPECT_TRUE(card->property("ran").toBool());
    EXPECT_EQ(text("forward"), "Continue");
    model().setMagicRanID(std::nullopt);
    model().setMagicRunOutcome(ran.front(), false, "Code didn't open.");
    QTest::qWait(30);
    const QImage failed = harness.render();
    ViewHarness::save(failed, QString("onboarding-3-magic-failed") + suffix());
    EXPECT_EQ(card->property("runFailure").toString(), "Code didn't open.");
    EXPECT_TRUE(ViewHarness::find(card, "runFailure")->isVisible());
    EXPECT_NE(failed, image);

    // A clash keeps it as a copy: the card says the name that runs it.
    controller.onMagicSave = [](const MagicProposal&) { return std::optional<QString>("Code copy"); };
    QMetaObject::invokeMethod(card, "save");
    EXPECT_TRUE(card->property("saved").toBool());
    EXPECT_EQ(card->property("savedName").toString(), "Code copy");
    QTest::qWait(30);
    const QImage saved = harness.render();
    ViewHarness::save(saved, QString("onboarding-3-magic-saved-copy") + suffix());
    QQuickItem* chip = ViewHarness::find(ViewHarness::find(card, "phraseChip"), "label");
    ASSERT_TRUE(chip);
    EXPECT_EQ(chip->property("text").toString(), QString::fromUtf8("“code copy”")) << "the name that runs it";
    EXPECT_GE(Pixels::textContrast(saved, harness.boxOf(chip), c().surface,
                                   chip->property("color").value<QColor>()),
              4.5);
}

TEST_P(OnboardingViewUiTest, oneProposalHasNoMoreWaitingLineAndAnUnfinishedScanHidesIt) {
    model().setMagicProposals({proposal("Code")});
    shoot("3-magic-scanning-with-proposals", 3);
    EXPECT_TRUE(shown("scanningTitle")) << "proposals wait for the scan to finish";
    EXPECT_FALSE(item("proposalCard"));
    model().setMagicScanned(true);
    QTest::qWait(30);
    EXPECT_TRUE(item("proposalCard"));
    EXPECT_FALSE(shown("moreWaiting"));
    EXPECT_FALSE(shown("scanningTitle"));
}

TEST_P(OnboardingViewUiTest, theFinishStepShowsTheClapIndicatorStatesAndTheLiveLevel) {
    const QImage rest = shoot("4-finish", 4);
    EXPECT_EQ(text("forward"), "Start using Brisklet");
    EXPECT_TRUE(shown("back"));
    EXPECT_EQ(fillOf(rest, "clapIndicator").rgb(), c().well.rgb());
    EXPECT_EQ(text("clapCaption"),
              QString::fromUtf8("Try it now — two sharp claps. Keep it if it delights you."));
    EXPECT_NEAR(item("fill")->width(), 4, 0.5) << "a silent microphone shows the stub";
    expectLegible(rest, "clapTitle", 4.5, c().surface);
    expectLegible(rest, "loginNote", 3.0);
    EXPECT_TRUE(item("loginToggle")->property("checked").toBool());

    model().setPeakFlash(true);
    model().setLevel(0.05f);
    QTest::qWait(100);
    const QImage peak = harness.render();
    ViewHarness::save(peak, QString("onboarding-4-finish-peak") + suffix());
    EXPECT_EQ(item("clapIndicator")->property("color").value<QColor>(), c().emberWash);
    EXPECT_NE(fillOf(peak, "clapIndicator"), fillOf(rest, "clapIndicator")) << "the wash shows";
    EXPECT_EQ(item("clapSymbol")->property("color").value<QColor>(), c().ember);
    EXPECT_NEAR(item("fill")->width(), 80, 1.5);

    model().setClapFlash(true);
    QTest::qWait(30);
    const QImage clap = harness.render();
    ViewHarness::save(clap, QString("onboarding-4-finish-clap") + suffix());
    EXPECT_EQ(item("clapSymbol")->property("text").toString(), DesignSystem::instance().symbol("checkmark"));
    EXPECT_EQ(text("clapCaption"),
              QString::fromUtf8("Heard it! Two sharp claps can wake Brisklet from across the room."));
    EXPECT_EQ(item("clapCaption")->property("color").value<QColor>(), c().success);

    QMetaObject::invokeMethod(item("loginToggle"), "toggle");
    QMetaObject::invokeMethod(item("loginToggle"), "toggled");
    EXPECT_FALSE(model().launchAtLogin());
    EXPECT_FALSE(Prefs::contains(Prefs::Key::onboarded)) << "nothing written before the end";
    QMetaObject::invokeMethod(item("clapToggle"), "toggle");
    QMetaObject::invokeMethod(item("clapToggle"), "toggled");
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::clapWake)) << "the clap choice is stored at the click";

    // Return on the last step finishes onboarding.
    harness.view().requestActivate();
    QTest::keyClick(&harness.view(), Qt::Key_Return);
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::onboarded));
}

// What couldn't be kept is said where it was chosen: a choice the settings file
// can't take in the footer, a login choice that didn't take under its box.
TEST_P(OnboardingViewUiTest, choicesThatCouldNotBeKeptAreSaidInTheWindow) {
    shoot("4-finish", 4);
    EXPECT_FALSE(shown("unsavedSettings"));
    EXPECT_FALSE(shown("loginFailure"));
    Prefs::sync();
    // A folder in place of the settings file: nothing can write it, even as root.
    QFile::remove(Prefs::settingsPath());
    ASSERT_TRUE(QDir().mkpath(Prefs::settingsPath()));
    QMetaObject::invokeMethod(item("clapToggle"), "toggle");
    QMetaObject::invokeMethod(item("clapToggle"), "toggled");
    QCoreApplication::sendPostedEvents();
    ASSERT_TRUE(waitFor([&] { return shown("unsavedSettings"); }));
    model().setLoginFailure("Couldn't start Brisklet at login — the autostart folder can't be written");
    QTest::qWait(30);
    const QImage image = harness.render();
    ViewHarness::save(image, QString("onboarding-4-finish-unsaved") + suffix());
    for (const QString line : {"unsavedSettings", "loginFailure"}) {
        QQuickItem* message = ViewHarness::find(item(line), "message");
        ASSERT_TRUE(message && message->isVisible()) << line.toStdString();
        const QColor ink = message->property("color").value<QColor>();
        EXPECT_GE(Pixels::textContrast(image, harness.boxOf(message), c().canvas, ink), 3.0)
            << line.toStdString();
    }
    EXPECT_TRUE(harness.boxOf(item("unsavedSettings")).bottom() <= 620);
    EXPECT_FALSE(harness.boxOf(item("unsavedSettings")).intersects(harness.boxOf(item("forward"))));
    ASSERT_TRUE(QDir().rmdir(Prefs::settingsPath()));
}

TEST_P(OnboardingViewUiTest, atTheSmallestSizeHeaderAndFooterStayAndTheContentScrolls) {
    model().setGrants({false, false, false});
    model().setOnDeviceSpeech(false);
    const QImage image = shoot("0-permissions-small", 0, QSize(560, 480));
    QQuickItem* scroller = item("scroller");
    EXPECT_GT(scroller->property("contentHeight").toDouble(), scroller->height());
    EXPECT_TRUE(shown("scrollBar")) << "the scroll bar says there is more";
    EXPECT_TRUE(shown("forward"));
    EXPECT_LE(harness.boxOf(item("forward")).bottom(), 480);
    EXPECT_GE(harness.boxOf(item("brand")).top(), 0);
}

INSTANTIATE_TEST_SUITE_P(Appearance, OnboardingViewUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });
