// The Magic pane rendered offscreen in light and dark in each of its states:
// reading, the ranked apps with proposals, nothing to read yet, and a failed build.
#include "ui/design/AppIcons.h"
#include "ui/design/DesignSystem.h"
#include "ui/magic/MagicPaneModel.h"
#include "ui/setups/SetupEditorController.h"

#include "support/FakeAppIconSource.h"
#include "support/LightDarkViewTest.h"
#include "support/Pixels.h"
#include "support/ViewHarness.h"
#include "ui/magic/MagicPaneFixture.h"

#include <QQuickItem>
#include <QTest>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class MagicPaneUiTest : public LightDarkViewTest {
protected:
    bool load() {
        const QVariantMap home{{"magic", QVariant::fromValue<QObject*>(&f.host)}};
        const bool loaded = harness.loadText(
            "import QtQuick\nimport Brisklet\nRectangle {\n"
            "  property alias home: pane.home\n  width: 760\n"
            "  height: pane.implicitHeight + 64\n  color: DS.isDark ? DS.dark.canvas : DS.light.canvas\n"
            "  MagicPane { id: pane; objectName: \"pane\"; x: 32; y: 32; width: 696 }\n}\n",
            {{"home", home}});
        EXPECT_TRUE(loaded) << harness.errors().toStdString();
        return loaded;
    }
    QImage shoot(const QString& name) {
        QTest::qWait(30);
        QImage image = harness.render();
        ViewHarness::save(image, name + suffix());
        EXPECT_TRUE(Pixels::nonBlank(image));
        return image;
    }
    MagicPaneModel* model() { return harness.find("pane")->property("model").value<MagicPaneModel*>(); }
    QQuickItem* shown(const char* name) {
        QQuickItem* item = harness.find(QLatin1String(name));
        return item && item->isVisible() ? item : nullptr;
    }
    QString text(const char* name) {
        QQuickItem* item = harness.find(QLatin1String(name));
        return item ? item->property("text").toString() : QString();
    }
    void expectLegible(const QImage& image, QQuickItem* item, const char* what, double least = 4.5) {
        ASSERT_NE(item, nullptr) << what;
        EXPECT_GE(Pixels::textContrast(image, harness.boxOf(item), palette()->canvas), least) << what;
    }

    MagicPaneFixture f;
    ViewHarness harness;
};

} // namespace

TEST_P(MagicPaneUiTest, whileReadingTheCardSaysSoAndOffersNoRescan) {
    ASSERT_TRUE(load());
    ASSERT_TRUE(f.magic.scanning()) << "the first visit starts a scan";
    const QImage image = shoot("MagicPane-scanning");
    EXPECT_EQ(text("idleHeadline"), QString::fromUtf8("Reading your computer…"));
    EXPECT_TRUE(shown("busy"));
    EXPECT_FALSE(shown("rescanIdle"));
    EXPECT_FALSE(shown("proposals"));
    EXPECT_EQ(text("paneTitle"), "Magic");
    expectLegible(image, shown("paneTitle"), "title");
    expectLegible(image, shown("intro"), "intro");
    expectLegible(image, shown("idleHeadline"), "headline");
}

TEST_P(MagicPaneUiTest, theRankingAndProposalsShowWithTheirCards) {
    f.magic.publish(
        MagicPaneFixture::profile({usage("code", "Code", 250, true), usage("kitty", "kitty", 40, true),
                                   usage("firefox", "Firefox", 12, true, true)}),
        {proposalOf("Code", {"code", "kitty"}), proposalOf("Everyday", {"code", "kitty", "firefox"})});
    ASSERT_TRUE(load());
    const QImage image = shoot("MagicPane-proposals");
    EXPECT_EQ(text("rankedLine"),
              "Ranked from 3 apps you actually use — read locally, nothing leaves this computer.");
    ASSERT_TRUE(shown("usage 3"));
    EXPECT_FALSE(harness.find("usage 4"));
    EXPECT_EQ(ViewHarness::find(harness.find("usage 1"), "bar")->width(), 90);
    ASSERT_TRUE(shown("insight"));
    EXPECT_EQ(ViewHarness::find(harness.find("insight"), "text")->property("text").toString(),
              "You live in Code — and it isn't even in your dock.");
    ASSERT_TRUE(shown("proposal 0") && shown("proposal 1"));
    // Two columns side by side at this width.
    EXPECT_EQ(harness.boxOf(shown("proposal 0")).top(), harness.boxOf(shown("proposal 1")).top());
    EXPECT_LT(harness.boxOf(shown("proposal 0")).right(), harness.boxOf(shown("proposal 1")).left());
    expectLegible(image, shown("howYouWork"), "how you work");
    expectLegible(image, ViewHarness::find(harness.find("usage 1"), "name"), "app name");

    // A card's button reaches the host through the model.
    QMetaObject::invokeMethod(ViewHarness::find(harness.find("proposal 0"), "run"), "clicked");
    EXPECT_EQ(f.choices, QStringList{"run Code"});
    QTest::qWait(10);
    EXPECT_TRUE(ViewHarness::find(harness.find("proposal 0"), "undo")->isVisible());
}

TEST_P(MagicPaneUiTest, usageRowsShowTheAppsIconsAndLongTextsStayInsideTheirCards) {
    const QColor codeColour(220, 40, 40), kittyColour(30, 160, 60);
    FakeAppIconSource icons;
    icons.set("code", codeColour);
    icons.set("kitty", kittyColour);
    AppIcons::instance().setSource(&icons);
    // An app with a very long name that lives outside the dock: the insight names it.
    const QString longName = "Code " + QString(195, 'o');
    MagicProposal pages = proposalOf("Pages", {"code", "firefox"});
    pages.draft.items[1].kind = SetupItemKind::url;
    pages.draft.items[1].url = "https://example.com/" + QString(180, 'x');
    f.magic.publish(
        MagicPaneFixture::profile({usage("code", longName, 250, true), usage("kitty", "kitty", 40)}),
        {pages, proposalOf("Code", {"code", "kitty"})});
    ASSERT_TRUE(load());
    const QImage image = shoot("MagicPane-icons");
    AppIcons::instance().setSource(nullptr);

    // Each ranked app shows its own icon, 18 across.
    const std::pair<const char*, QColor> rows[] = {{"usage 1", codeColour}, {"usage 2", kittyColour}};
    for (const auto& [row, colour] : rows) {
        QQuickItem* icon = ViewHarness::find(harness.find(row), "icon");
        ASSERT_TRUE(icon) << row;
        EXPECT_EQ(harness.boxOf(icon).size(), QSize(18, 18)) << row;
        EXPECT_GT(Pixels::countNear(image, harness.boxOf(icon), colour), 250) << row;
    }
    // The long name is cut so that its bar stays inside the scan card.
    const QRect scanCard = harness.boxOf(harness.find("scanCard"));
    EXPECT_TRUE(ViewHarness::find(harness.find("usage 1"), "name")->property("truncated").toBool());
    EXPECT_LE(harness.boxOf(ViewHarness::find(harness.find("usage 1"), "bar")).right(),
              scanCard.right() - 16);
    // The insight wraps inside the scan card.
    QQuickItem* insight = ViewHarness::find(harness.find("insight"), "text");
    ASSERT_TRUE(insight && insight->isVisible());
    EXPECT_TRUE(insight->property("text").toString().contains(longName));
    EXPECT_GT(insight->property("lineCount").toInt(), 1);
    EXPECT_LE(harness.boxOf(insight).right(), scanCard.right() - 16);
    // The card with the 200-character address keeps to its column.
    QQuickItem* first = shown("proposal 0");
    QQuickItem* second = shown("proposal 1");
    ASSERT_TRUE(first && second);
    EXPECT_LT(harness.boxOf(first).right(), harness.boxOf(second).left());
    EXPECT_LE(harness.boxOf(second).right(), scanCard.right());
    QQuickItem* address = ViewHarness::find(ViewHarness::find(first, "item 1"), "label");
    ASSERT_TRUE(address);
    EXPECT_LE(harness.boxOf(address).right(), harness.boxOf(first).right() - 16);
}

TEST_P(MagicPaneUiTest, aTunedCardsSavedLineNamesTheSetupAsItWasStored) {
    // "Tune first…" opens the draft in the editor, whose save goes the card's way.
    SetupEditorController editor(f.store, nullptr, {});
    QObject::connect(&f.host, &MagicPaneHost::editRequested, &editor,
                     [&](const brisklet::Setup& draft) { editor.openDraft(draft, f.host.onSaveDraft); });
    f.host.allowEdit = true;
    f.magic.publish(MagicPaneFixture::profile({usage("code", "Code", 250, true)}),
                    {proposalOf("Everyday", {"code", "kitty"}), proposalOf("Writing", {"abiword"})});
    ASSERT_TRUE(load());
    const auto tuneAndSave = [&](const char* card, const QString& name) {
        QMetaObject::invokeMethod(ViewHarness::find(harness.find(card), "edit"), "clicked");
        ASSERT_TRUE(editor.model().isOpen()) << card;
        editor.model().setName(name);
        editor.model().save();
        EXPECT_FALSE(editor.model().isOpen()) << card;
    };
    tuneAndSave("proposal 0", "Desk");
    tuneAndSave("proposal 1", "Desk"); // taken: stored as "Desk copy"
    const QImage image = shoot("MagicPane-tuned");
    const auto savedLine = [&](const char* card) {
        QQuickItem* mark = ViewHarness::find(harness.find(card), "savedMark");
        return mark && mark->isVisible() ? ViewHarness::find(mark, "label") : nullptr;
    };
    ASSERT_TRUE(savedLine("proposal 0") && savedLine("proposal 1"));
    EXPECT_EQ(savedLine("proposal 0")->property("text").toString(), "Saved — say “desk” anytime");
    EXPECT_EQ(savedLine("proposal 1")->property("text").toString(), "Saved — say “desk copy” anytime");
    const auto chip = [&](const char* card) {
        return ViewHarness::find(ViewHarness::find(harness.find(card), "phraseChip"), "label");
    };
    EXPECT_EQ(chip("proposal 0")->property("text").toString(), "“desk”");
    EXPECT_EQ(chip("proposal 1")->property("text").toString(), "“desk copy”") << "the name that runs it";
    for (const char* card : {"proposal 0", "proposal 1"}) {
        EXPECT_GE(Pixels::textContrast(image, harness.boxOf(savedLine(card)), palette()->surface), 4.5)
            << card;
        // The row wraps rather than push "Tune first…" out of the card.
        const QRect inside = harness.boxOf(harness.find(card)).adjusted(16, 16, -16, -16);
        EXPECT_TRUE(inside.contains(harness.boxOf(savedLine(card)))) << card;
        EXPECT_TRUE(inside.contains(harness.boxOf(ViewHarness::find(harness.find(card), "edit")))) << card;
    }
}

TEST_P(MagicPaneUiTest, tuningASavedCardAgainOpensTheStoredSetupAndSavingKeepsIt) {
    SetupEditorController editor(f.store, nullptr, {});
    QObject::connect(&f.host, &MagicPaneHost::editRequested, &editor,
                     [&](const brisklet::Setup& draft) { editor.openDraft(draft, f.host.onSaveDraft); });
    f.host.allowEdit = true;
    const MagicProposal everyday = proposalOf("Everyday", {"code", "kitty"});
    f.magic.publish(MagicPaneFixture::profile({usage("code", "Code", 250, true)}), {everyday});
    ASSERT_TRUE(load());
    const auto tune = [&] {
        QMetaObject::invokeMethod(ViewHarness::find(harness.find("proposal 0"), "edit"), "clicked");
        return editor.model().isOpen();
    };
    ASSERT_TRUE(tune());
    editor.model().removeItem(everyday.draft.items[1].id.toString(QUuid::WithoutBraces));
    editor.model().setName("Morning");
    editor.model().save();
    ASSERT_EQ(f.store.setup(everyday.id())->items.size(), 1u);

    ASSERT_TRUE(tune());
    EXPECT_EQ(editor.model().name(), "Morning");
    EXPECT_EQ(editor.model().draft().items.size(), 1u) << "the removed item stays removed";
    shoot("MagicPane-tunedAgain");
    editor.model().save();
    const auto stored = f.store.setup(everyday.id());
    EXPECT_EQ(stored->name, "Morning");
    EXPECT_EQ(stored->items.size(), 1u);
}

TEST_P(MagicPaneUiTest, nothingToReadOffersARescanAndTheBuilderNoteWhenAskIsOff) {
    Prefs::setValue(Prefs::Key::askEnabled, false);
    f.magic.publish(MagicPaneFixture::profile({}), {});
    ASSERT_TRUE(load());
    const QImage image = shoot("MagicPane-empty");
    EXPECT_EQ(text("idleHeadline"), "Not much to read yet");
    ASSERT_TRUE(shown("rescanIdle"));
    EXPECT_FALSE(shown("busy"));
    EXPECT_FALSE(shown("builderCard"));
    ASSERT_TRUE(shown("builderNote"));
    EXPECT_EQ(text("builderNote"), MagicPaneModel::builderNote(false));
    expectLegible(image, shown("privacyLine"), "privacy", 3.0);
    expectLegible(image, shown("builderNote"), "note");
    QMetaObject::invokeMethod(shown("rescanIdle"), "clicked");
    EXPECT_TRUE(f.magic.scanning());
}

TEST_P(MagicPaneUiTest, aFailedBuildShowsItsMessageUnderTheBuilder) {
    f.magic.publish(MagicPaneFixture::profile({}), {});
    ASSERT_TRUE(load());
    ASSERT_TRUE(shown("builderCard"));
    EXPECT_FALSE(shown("build")->isEnabled()) << "nothing typed yet";
    model()->setDescription("a writing setup");
    QTest::qWait(10);
    EXPECT_TRUE(shown("build")->isEnabled());
    QMetaObject::invokeMethod(shown("build"), "clicked");
    EXPECT_EQ(text("build"), QString::fromUtf8("Building…"));
    f.route->pending(TextResult::failure(AskError::server, "500"));
    const QImage image = shoot("MagicPane-error");
    ASSERT_TRUE(shown("builderFailure"));
    EXPECT_EQ(ViewHarness::find(harness.find("builderFailure"), "text")->property("text").toString(),
              MagicPaneModel::failureMessage(AskError::server));
    EXPECT_FALSE(shown("builtCard"));
    expectLegible(image, ViewHarness::find(harness.find("builderFailure"), "text"), "failure");
}

INSTANTIATE_TEST_SUITE_P(Appearance, MagicPaneUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "dark" : "light"; });
