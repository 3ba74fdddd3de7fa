// What a proposal card shows, worked out before any view binds to it: the button
// row for each state, the proposal's rows and miniature, and its sentences.
#include "ui/magic/MagicCardFormat.h"
#include "ui/design/SetupThumbnail.h"

#include <gtest/gtest.h>

using namespace brisklet;
using Control = MagicCardFormat::Control;
using Button = MagicCardFormat::Button;

namespace {

SetupItem appItem(const QString& id, const QString& name, std::optional<SetupFrame> frame) {
    SetupItem item;
    item.id = QUuid::createUuid();
    item.bundleID = id;
    item.appName = name;
    item.frame = frame;
    return item;
}

MagicProposal proposal() {
    MagicProposal p;
    p.title = "Deep Work";
    p.blurb = "Code big on the left, Firefox beside it.";
    p.draft.id = QUuid::createUuid();
    p.draft.name = "Deep Work";
    p.draft.items.push_back(appItem("code", "Code", SetupFrame{0, 0, 0.66, 1, 0}));
    SetupItem web = appItem("firefox", "Firefox", SetupFrame{0.66, 0.5, 0.34, 0.5, 0});
    web.kind = SetupItemKind::url;
    web.url = "https://example.com/a/very/long/path";
    p.draft.items.push_back(web);
    p.draft.items.push_back(appItem("kitty", "kitty", std::nullopt));
    p.evidence = {{"code", "open right now"}, {"firefox", "in your dock"}};
    return p;
}

} // namespace

TEST(MagicCardButtonsTest, eachStateHasItsRowLeftToRight) {
    EXPECT_EQ(MagicCardFormat::buttonRow(false, false, false, true),
              (std::vector<Button>{{Control::run, true}, {Control::save, true}}));
    EXPECT_EQ(MagicCardFormat::buttonRow(true, false, false, true),
              (std::vector<Button>{{Control::undo, true}, {Control::keep, true}}));
    // Running and saved: put it back beside the saved mark.
    EXPECT_EQ(MagicCardFormat::buttonRow(true, true, false, true),
              (std::vector<Button>{{Control::undo, true}, {Control::savedMark, true}}));
    EXPECT_EQ(MagicCardFormat::buttonRow(false, true, true, true),
              (std::vector<Button>{{Control::run, true}, {Control::savedMark, true}, {Control::edit, true}}));
}

TEST(MagicCardButtonsTest, withoutWindowControlOnlyTryingIsDisabled) {
    EXPECT_EQ(MagicCardFormat::buttonRow(false, false, true, false),
              (std::vector<Button>{{Control::run, false}, {Control::save, true}, {Control::edit, true}}));
    // Once running, putting things back never needs the permission.
    EXPECT_EQ(MagicCardFormat::buttonRow(true, false, false, false),
              (std::vector<Button>{{Control::undo, true}, {Control::keep, true}}));
    const QVariantList row = MagicCardFormat::buttons(false, false, false, false);
    ASSERT_EQ(row.size(), 2);
    EXPECT_EQ(row[0].toMap()["control"].toString(), "run");
    EXPECT_FALSE(row[0].toMap()["enabled"].toBool());
    EXPECT_EQ(row[1].toMap()["control"].toString(), "save");
}

TEST(MagicCardDescribeTest, rowsShowPagesByAddressAndAppsWithTheirReason) {
    const MagicProposal p = proposal();
    const QVariantMap card = MagicCardFormat::describe(p);
    EXPECT_EQ(card["id"].toString(), SetupJson::idText(p.id()));
    EXPECT_EQ(card["title"].toString(), "Deep Work");
    EXPECT_EQ(card["phrase"].toString(), "deep work");
    EXPECT_FALSE(card["symbol"].toString().isEmpty()) << "a symbol picked from the name";
    const QVariantList items = card["items"].toList();
    ASSERT_EQ(items.size(), 3);
    EXPECT_EQ(items[0].toMap()["label"].toString(), "Code");
    EXPECT_EQ(items[0].toMap()["evidence"].toString(), "open right now");
    // A page never shows the browser's reason.
    EXPECT_EQ(items[1].toMap()["label"].toString(), "https://example.com/a/very/long/path");
    EXPECT_EQ(items[1].toMap()["evidence"].toString(), "");
    EXPECT_TRUE(items[1].toMap()["web"].toBool());
    EXPECT_EQ(items[2].toMap()["evidence"].toString(), "") << "no entry, no reason";
}

TEST(MagicCardDescribeTest, theMiniatureGetsThePlacedItemsAsTheSharedThumbnailReadsThem) {
    MagicProposal p = proposal();
    p.draft.icon = "terminal";
    const QVariantMap card = MagicCardFormat::describe(p);
    EXPECT_EQ(card["symbol"].toString(), "terminal");
    // Unplaced items are left out; the thumbnail flips the stored frames itself.
    const QVariantList tiles = card["thumbnail"].toList();
    ASSERT_EQ(tiles.size(), 2);
    EXPECT_EQ(tiles, SetupThumbnail::itemMaps(p.draft.items));
    EXPECT_DOUBLE_EQ(tiles[1].toMap()["rx"].toDouble(), 0.66);
    EXPECT_TRUE(tiles[1].toMap()["web"].toBool());
}

TEST(MagicCardDescribeTest, onceSavedThePhraseToSayIsTheStoredName) {
    EXPECT_EQ(MagicCardFormat::phraseToSay("everyday", false, "Everyday"), "everyday");
    EXPECT_EQ(MagicCardFormat::phraseToSay("everyday", true, "Everyday copy"), "everyday copy");
    EXPECT_EQ(MagicCardFormat::phraseToSay("everyday", true, ""), "everyday") << "no name known yet";
}

TEST(MagicCardDescribeTest, sentencesQuoteTheNames) {
    EXPECT_EQ(MagicCardFormat::savedLine("Deep Work"), QString::fromUtf8("Saved — say “deep work” anytime"));
    EXPECT_EQ(MagicCardFormat::unresolvedLine("Figma"),
              QString::fromUtf8("“Figma” isn't on this computer — left out"));
}
