// What a receipt card says after a setup run or end: title, body, note, buttons
// and width, from the engine's report and the setup.
#include "ui/receipts/ReceiptWording.h"

#include "setups/Setup.h"

#include <gtest/gtest.h>

using namespace brisklet;

namespace {

brisklet::Setup named(const QString& name) {
    brisklet::Setup setup;
    setup.id = QUuid::createUuid();
    setup.name = name;
    return setup;
}

SetupItem page() {
    SetupItem item;
    item.kind = SetupItemKind::url;
    item.appName = "Firefox";
    item.url = "https://example.com";
    return item;
}

SetupPort::RunReport run(int placed, int opened, int cleared = 0, QStringList failed = {},
                         QStringList notes = {}) {
    SetupPort::RunReport report;
    report.name = "Work";
    report.placed = placed;
    report.opened = opened;
    report.clearedOthers = cleared;
    report.failedItems = failed;
    report.notes = notes;
    return report;
}

} // namespace

TEST(ReceiptWording, aFullRunIsReadyWithEveryPartAndBothButtons) {
    brisklet::Setup work = named("Work");
    work.system.appearance = SetupSystemState::Appearance::dark;
    const ReceiptCard card = ReceiptWording::forRun(run(3, 3, 1), work, true, 4);
    EXPECT_EQ(card.title, QString::fromUtf8("“Work” is ready."));
    EXPECT_EQ(card.body, QString::fromUtf8("3 windows in place · closed 1 other app · dark mode"));
    EXPECT_TRUE(card.ok);
    EXPECT_EQ(card.note, std::nullopt);
    EXPECT_EQ(card.sweepLabel, QStringLiteral("Close the rest (4)"));
    EXPECT_EQ(card.undoLabel, QStringLiteral("Put it back"));
    EXPECT_EQ(card.width, 380);
}

TEST(ReceiptWording, countsTakeTheirPluralOnlyAboveOne) {
    const brisklet::Setup work = named("Work");
    EXPECT_EQ(ReceiptWording::forRun(run(1, 1, 2), work, false, std::nullopt).body,
              QString::fromUtf8("1 window in place · closed 2 other apps"));
    EXPECT_EQ(ReceiptWording::forEnd({"Work", 2, {}}, work).body, "2 apps quitting");
}

TEST(ReceiptWording, aRunWithFailuresIsUpWithoutThemAndIsNoSuccess) {
    const brisklet::Setup work = named("Work");
    const ReceiptCard card = ReceiptWording::forRun(run(0, 2, 0, {"Slack"}), work, false, std::nullopt);
    EXPECT_EQ(card.title, QString::fromUtf8("“Work” is up — without Slack."));
    EXPECT_EQ(card.body, "everything opened");
    EXPECT_FALSE(card.ok);
    EXPECT_EQ(card.undoLabel, std::nullopt);
    EXPECT_EQ(card.sweepLabel, std::nullopt);
    EXPECT_EQ(card.width, 340);
}

TEST(ReceiptWording, failedItemsShortenToTwoNamesAndACount) {
    EXPECT_EQ(ReceiptWording::shortList({"A"}), "A");
    EXPECT_EQ(ReceiptWording::shortList({"A", "B"}), "A and B");
    EXPECT_EQ(ReceiptWording::shortList({"A", "B", "C"}), "A, B and 1 more");
    EXPECT_EQ(ReceiptWording::shortList({"A", "B", "C", "D"}), "A, B and 2 more");
}

TEST(ReceiptWording, aRunThatBroughtNothingUpCouldntBeSetUpButStillSaysWhatItDid) {
    brisklet::Setup work = named("Work");
    work.items = {page()};
    const ReceiptCard card =
        ReceiptWording::forRun(run(0, 0, 1, {"Firefox"}, {"first", "second", "third"}), work, false, 0);
    EXPECT_EQ(card.title, QString::fromUtf8("“Work” couldn't be set up."));
    EXPECT_FALSE(card.ok);
    EXPECT_EQ(card.body, QString::fromUtf8("closed 1 other app · 1 site"));
    EXPECT_EQ(card.note, QStringLiteral("first")) << "only the first note";
    EXPECT_EQ(card.sweepLabel, QStringLiteral("Close the rest (0)")) << "the caller decides";
}

TEST(ReceiptWording, aRunWithNothingToSayHasNoBody) {
    EXPECT_TRUE(ReceiptWording::forRun(run(0, 0), named("Work"), false, std::nullopt).body.isEmpty());
}

TEST(ReceiptWording, anEndIsAlwaysASuccessThatCanBeBroughtBack) {
    brisklet::Setup work = named("Work");
    const ReceiptCard nothing = ReceiptWording::forEnd({"Work", 0, {}}, work);
    EXPECT_EQ(nothing.title, QString::fromUtf8("“Work” closed."));
    EXPECT_EQ(nothing.body, "Nothing was open.");
    EXPECT_TRUE(nothing.ok);
    EXPECT_EQ(nothing.undoLabel, QStringLiteral("Bring it back"));
    EXPECT_EQ(nothing.sweepLabel, std::nullopt);
    EXPECT_EQ(nothing.width, 340);

    work.items = {page()};
    const ReceiptCard pages = ReceiptWording::forEnd({"Work", 1, {"a note", "another"}, 1}, work);
    EXPECT_EQ(pages.body, QString::fromUtf8("1 app quitting · its browser windows closed"));
    EXPECT_EQ(pages.note, QStringLiteral("a note"));
    // The user closed the page's window first: there was nothing to close.
    EXPECT_EQ(ReceiptWording::forEnd({"Work", 1, {}, 0}, work).body, "1 app quitting");
}

TEST(ReceiptWording, anEndThatLeftPagesOpenNeverSaysNothingWasOpen) {
    brisklet::Setup work = named("Work");
    work.items = {page()};
    const QString left =
        QString::fromUtf8("“A” and “B” were left open in Firefox: Brisklet couldn't be sure it "
                          "opened those windows.");
    const ReceiptCard card = ReceiptWording::forEnd({"Work", 0, {left}, 0, 2}, work);
    EXPECT_EQ(card.body, "");
    EXPECT_EQ(card.note, left);
}
