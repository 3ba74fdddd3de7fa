// The proposal card rendered offscreen in light and dark: its texts legible on the
// card, each state's buttons, the rows for pages, apps and names left out, and the
// four choices reaching the host.
#include "ui/design/AppIcons.h"
#include "ui/design/DesignSystem.h"
#include "ui/magic/MagicCardFormat.h"

#include "support/FakeAppIconSource.h"
#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/ViewHarness.h"

#include <QQuickItem>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

SetupItem item(const QString& id, const QString& name, SetupFrame frame) {
    SetupItem out;
    out.id = QUuid::createUuid();
    out.bundleID = id;
    out.appName = name;
    out.frame = frame;
    return out;
}

MagicProposal proposal(const QString& blurb = "Code and kitty, side by side.") {
    MagicProposal p;
    p.title = "Code";
    p.blurb = blurb;
    p.draft.id = QUuid::createUuid();
    p.draft.name = "Code";
    p.draft.items.push_back(item("code", "Code", {0, 0, 0.66, 1, 0}));
    p.draft.items.push_back(item("kitty", "kitty", {0.66, 0, 0.34, 1, 0}));
    p.evidence = {{"code", QString::fromUtf8("opened 120× on this computer")}, {"kitty", "open right now"}};
    return p;
}

class MagicProposalCardUiTest : public LightDarkViewTest {
protected:
    QImage shoot(const MagicProposal& p, QVariantMap state, const QString& name) {
        state["proposal"] = MagicCardFormat::describe(p);
        state["width"] = 420;
        return loadAndShoot(harness, QStringLiteral("MagicProposalCard"), state, name, palette()->canvas);
    }
    QQuickItem* shown(const char* name) {
        QQuickItem* found = harness.find(QLatin1String(name));
        return found && found->isVisible() ? found : nullptr;
    }
    QString textOf(QQuickItem* under, const char* name) {
        QQuickItem* found = ViewHarness::find(under, QLatin1String(name));
        return found ? found->property("text").toString() : QString();
    }
    void expectLegible(const QImage& image, QQuickItem* item, const char* what, double least = 4.5) {
        ASSERT_NE(item, nullptr) << what;
        EXPECT_GE(Pixels::textContrast(image, harness.boxOf(item), palette()->surface), least) << what;
    }

    ViewHarness harness;
};

} // namespace

TEST_P(MagicProposalCardUiTest, aFreshCardOffersToTryAndSaveWithItsReasons) {
    const QImage image = shoot(proposal(), {{"allowEdit", true}}, "MagicProposalCard");
    ASSERT_FALSE(image.isNull());
    EXPECT_TRUE(Pixels::nonBlank(image));
    EXPECT_EQ(image.width(), 420);
    EXPECT_EQ(textOf(harness.root(), "title"), "Code");
    EXPECT_EQ(textOf(harness.find("phraseChip"), "label"), QString::fromUtf8("“code”"));
    EXPECT_TRUE(shown("blurb"));
    QQuickItem* first = harness.find("item 0");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(textOf(first, "label"), "Code");
    EXPECT_EQ(textOf(first, "evidence"), QString::fromUtf8("opened 120× on this computer"));
    EXPECT_EQ(textOf(harness.find("item 1"), "evidence"), "open right now");

    EXPECT_TRUE(shown("run") && shown("run")->isEnabled());
    EXPECT_TRUE(shown("save"));
    EXPECT_TRUE(shown("edit"));
    EXPECT_FALSE(shown("undo") || shown("keep") || shown("savedMark"));
    EXPECT_FALSE(shown("accessibilityNote"));
    EXPECT_FALSE(shown("runFailure"));
    EXPECT_FALSE(shown("effects")) << "no system changes, no empty line";

    expectLegible(image, harness.find("title"), "title");
    expectLegible(image, ViewHarness::find(first, "label"), "item label");
    expectLegible(image, harness.find("blurb"), "blurb");
    expectLegible(image, shown("save"), "save", 3.0);
    // The buttons sit in order below the rows, inside the card.
    EXPECT_LT(harness.boxOf(shown("run")).right(), harness.boxOf(shown("save")).left());
    EXPECT_LT(harness.boxOf(first).bottom(), harness.boxOf(shown("run")).top());
    EXPECT_LE(harness.boxOf(shown("run")).bottom(), image.height() - 12);
}

TEST_P(MagicProposalCardUiTest, runningAndSavedShowsPutItBackAndTheSavedMark) {
    const QImage image = shoot(proposal(), {{"ran", true}, {"saved", true}, {"axGranted", false}},
                               "MagicProposalCard-ran-saved");
    EXPECT_TRUE(shown("undo"));
    ASSERT_TRUE(shown("savedMark"));
    EXPECT_EQ(textOf(harness.find("savedMark"), "label"), QString::fromUtf8("Saved — say “code” anytime"));
    EXPECT_FALSE(shown("run") || shown("save") || shown("keep") || shown("edit"));
    EXPECT_FALSE(shown("accessibilityNote")) << "the note leaves once it runs";
    expectLegible(image, ViewHarness::find(harness.find("savedMark"), "label"), "saved mark");
}

TEST_P(MagicProposalCardUiTest, savedUnderACopyNameTheChipInvitesThatNameNotTheOtherSetupsPhrase) {
    MagicProposal everyday = proposal();
    everyday.title = "Everyday";
    everyday.draft.name = "Everyday";
    shoot(everyday, {}, "MagicProposalCard-everyday");
    EXPECT_EQ(textOf(harness.find("phraseChip"), "label"), QString::fromUtf8("“everyday”"));

    // "everyday" is Studio's phrase: the card's Save kept it as "Everyday copy".
    const QImage image =
        shoot(everyday, {{"saved", true}, {"savedName", "Everyday copy"}}, "MagicProposalCard-saved-copy");
    QQuickItem* chip = harness.find("phraseChip");
    ASSERT_NE(chip, nullptr);
    EXPECT_EQ(textOf(chip, "label"), QString::fromUtf8("“everyday copy”"));
    EXPECT_FALSE(chip->property("shortened").toBool());
    EXPECT_EQ(textOf(harness.find("savedMark"), "label"),
              QString::fromUtf8("Saved — say “everyday copy” anytime"));
    expectLegible(image, ViewHarness::find(chip, "label"), "chip");
    // The whole chip shows, beside the title and inside the card.
    EXPECT_LE(harness.boxOf(chip).right(), image.width() - 16);
    EXPECT_LT(harness.boxOf(harness.find("title")).right(), harness.boxOf(chip).left());
}

TEST_P(MagicProposalCardUiTest, withoutWindowControlTryingIsOffAndTheNoteSaysWhy) {
    const QImage image = shoot(proposal(""), {{"axGranted", false}}, "MagicProposalCard-no-access");
    ASSERT_TRUE(shown("run"));
    EXPECT_FALSE(shown("run")->isEnabled());
    EXPECT_TRUE(shown("save") && shown("save")->isEnabled());
    ASSERT_TRUE(shown("accessibilityNote"));
    EXPECT_EQ(shown("accessibilityNote")->property("text").toString(), MagicCardFormat::accessibilityNote());
    EXPECT_FALSE(shown("blurb")) << "an empty blurb leaves no line";
    expectLegible(image, shown("accessibilityNote"), "note", 3.0);
}

TEST_P(MagicProposalCardUiTest, namesLeftOutAndAFailedRunAreShownUnderTheItems) {
    MagicProposal p = proposal();
    SetupItem web = item("firefox", "Firefox", {0, 0, 1, 1, 0});
    web.kind = SetupItemKind::url;
    web.url = "https://example.com/" + QString(80, 'x') + "/end";
    p.draft.items.push_back(web);
    p.evidence["firefox"] = "in your dock";
    p.draft.system.appearance = SetupSystemState::Appearance::dark;
    const QImage image = shoot(p,
                               {{"unresolved", QStringList{"Figma", "Linear"}},
                                {"runFailure", "Couldn't open Code."},
                                {"allowEdit", false}},
                               "MagicProposalCard-unresolved");
    QQuickItem* page = harness.find("item 2");
    ASSERT_NE(page, nullptr);
    EXPECT_FALSE(ViewHarness::find(page, "evidence")->isVisible()) << "a page shows no reason";
    EXPECT_TRUE(ViewHarness::find(page, "label")->property("truncated").toBool());
    EXPECT_LE(harness.boxOf(page).right(), 420 - 16);
    QQuickItem* left0 = harness.find("unresolved 0");
    QQuickItem* left1 = harness.find("unresolved 1");
    ASSERT_TRUE(left0 && left1);
    EXPECT_EQ(textOf(left1, "label"), MagicCardFormat::unresolvedLine("Linear"));
    EXPECT_GT(harness.boxOf(left0).top(), harness.boxOf(page).bottom());
    ASSERT_TRUE(shown("effects"));
    EXPECT_EQ(shown("effects")->property("text").toString(), p.draft.effectsSummary());
    ASSERT_TRUE(shown("runFailure"));
    EXPECT_EQ(textOf(harness.find("runFailure"), "message"), "Couldn't open Code.");
    expectLegible(image, ViewHarness::find(left0, "label"), "unresolved");
    expectLegible(image, ViewHarness::find(harness.find("runFailure"), "message"), "failure");
}

TEST_P(MagicProposalCardUiTest, rowsDrawTheAppsIconsTheSharedMiniatureAndKeepLongTextsInside) {
    const QColor codeColour(220, 40, 40), kittyColour(30, 160, 60), firefoxColour(40, 90, 220);
    FakeAppIconSource icons;
    icons.set("code", codeColour);
    icons.set("kitty", kittyColour);
    icons.set("firefox", firefoxColour);
    AppIcons::instance().setSource(&icons);
    MagicProposal p = proposal();
    SetupItem web = item("firefox", "Firefox", {0, 0, 1, 1, 1});
    web.kind = SetupItemKind::url;
    web.url = "https://example.com/" + QString(180, 'x');
    ASSERT_EQ(web.url->size(), 200);
    p.draft.items.push_back(web);
    const QString longName(200, 'n');
    const QImage image = shoot(p,
                               {{"unresolved", QStringList{longName}},
                                {"runFailure", "Couldn't open Code: the app quit while its window was being "
                                               "placed, so nothing was moved."}},
                               "MagicProposalCard-icons");
    AppIcons::instance().setSource(nullptr);
    const int right = 420 - 16; // the content's right edge

    // The apps' own icons, 16 across; a page shows its browser's.
    const std::pair<const char*, QColor> rows[] = {
        {"item 0", codeColour}, {"item 1", kittyColour}, {"item 2", firefoxColour}};
    for (const auto& [row, colour] : rows) {
        QQuickItem* icon = ViewHarness::find(harness.find(row), "icon");
        ASSERT_TRUE(icon) << row;
        EXPECT_EQ(harness.boxOf(icon).size(), QSize(16, 16)) << row;
        EXPECT_GT(Pixels::countNear(image, harness.boxOf(icon), colour), 200) << row;
    }
    // The shared miniature: two screens (display 0 and 1), tiles with the icons.
    QQuickItem* thumbnail = harness.find("thumbnail");
    ASSERT_TRUE(thumbnail);
    EXPECT_EQ(thumbnail->property("screenCount").toInt(), 2);
    EXPECT_EQ(harness.boxOf(thumbnail).height(), 74);
    EXPECT_GT(Pixels::countNear(image, harness.boxOf(thumbnail), codeColour), 20);

    // The 200-character address is cut in its middle, inside the card.
    QQuickItem* address = ViewHarness::find(harness.find("item 2"), "label");
    EXPECT_TRUE(address->property("truncated").toBool());
    EXPECT_LE(harness.boxOf(address).right(), right);
    // The long name left out wraps inside the card, its mark on the first line.
    QQuickItem* leftOut = ViewHarness::find(harness.find("unresolved 0"), "label");
    EXPECT_LE(harness.boxOf(leftOut).right(), right);
    EXPECT_GT(leftOut->property("lineCount").toInt(), 1);
    const auto baseline = [&](QQuickItem* item) {
        return harness.boxOf(item).top() + item->baselineOffset();
    };
    QQuickItem* mark = ViewHarness::find(harness.find("unresolved 0"), "mark");
    EXPECT_NEAR(baseline(mark), baseline(leftOut), 1);
    // The failure's mark sits on the message's first baseline, not at its top.
    QQuickItem* message = ViewHarness::find(harness.find("runFailure"), "message");
    QQuickItem* failureMark = ViewHarness::find(harness.find("runFailure"), "mark");
    ASSERT_TRUE(message && failureMark);
    EXPECT_GT(message->property("lineCount").toInt(), 1);
    EXPECT_NEAR(baseline(failureMark), baseline(message), 1);
    EXPECT_LE(harness.boxOf(message).right(), right);
}

TEST_P(MagicProposalCardUiTest, theFourChoicesReachTheHost) {
    shoot(proposal(), {{"allowEdit", true}}, "MagicProposalCard-choices");
    QSignalSpy runs(harness.root(), SIGNAL(run()));
    QSignalSpy undos(harness.root(), SIGNAL(undo()));
    QSignalSpy saves(harness.root(), SIGNAL(save()));
    QSignalSpy edits(harness.root(), SIGNAL(edit()));
    QMetaObject::invokeMethod(shown("run"), "clicked");
    EXPECT_EQ(runs.count(), 1);
    QMetaObject::invokeMethod(shown("save"), "clicked");
    EXPECT_EQ(saves.count(), 1);
    QMetaObject::invokeMethod(shown("edit"), "clicked");
    EXPECT_EQ(edits.count(), 1);
    harness.root()->setProperty("ran", true);
    ASSERT_TRUE(shown("undo"));
    QMetaObject::invokeMethod(shown("undo"), "clicked");
    EXPECT_EQ(undos.count(), 1);
    EXPECT_EQ(runs.count() + saves.count() + edits.count(), 3) << "each button says one thing";
}

TEST_P(MagicProposalCardUiTest, keepItSavesTooWhileRunning) {
    shoot(proposal(), {{"ran", true}}, "MagicProposalCard-running");
    QSignalSpy saves(harness.root(), SIGNAL(save()));
    ASSERT_TRUE(shown("keep"));
    EXPECT_EQ(shown("keep")->property("text").toString(), "Keep it");
    QMetaObject::invokeMethod(shown("keep"), "clicked");
    EXPECT_EQ(saves.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(Appearance, MagicProposalCardUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });
