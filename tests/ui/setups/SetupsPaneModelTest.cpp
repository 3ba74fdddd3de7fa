// The Setups pane's model: the cards' order and contents, the name a save stores
// under, the menu of an open and a closed setup, and where each action goes — the
// store for duplicate and delete, a signal for everything the pane doesn't do itself.
#include "ui/setups/SetupsPaneModel.h"

#include "commands/AppIndex.h"
#include "setups/SetupStore.h"

#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/FolderWriteFault.h"
#include "support/SetupRecords.h"
#include "support/TempHome.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QDateTime day = QDateTime(QDate(2026, 1, 5), QTime(9, 0), Qt::UTC);

SetupItem placed(const QString& app, std::optional<SetupFrame> frame = SetupFrame{0, 0, 0.5, 1, 0}) {
    SetupItem item;
    item.id = QUuid::createUuid();
    item.bundleID = app;
    item.appName = app;
    item.frame = frame;
    return item;
}

QStringList menuTexts(const QVariantList& entries) {
    QStringList texts;
    for (const QVariant& entry : entries)
        texts << (entry.toMap().value("separator").toBool() ? "—" : entry.toMap().value("text").toString());
    return texts;
}

class SetupsPaneModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        model.screensProvider = [this] { return screens; };
        apps.setInstalled({{"code", "Code", "/code.desktop"}, {"firefox", "Firefox", "/ff.desktop"}});
        index.refresh();
        index.waitForScans();
    }

    brisklet::Setup add(brisklet::Setup setup) {
        setups.upsert(setup);
        return *setups.setup(setup.id);
    }
    QVariantMap card(const QString& name) {
        for (const QVariant& row : model.cards()) {
            if (row.toMap().value("name") == name)
                return row.toMap();
        }
        return {};
    }

    TempHome home;
    QTemporaryDir dir;
    FakeClock clock;
    FakeDesktop desktop{clock};
    FakeApps apps{desktop};
    AppIndex index{&apps, nullptr};
    SetupStore setups{dir.filePath("setups.json")};
    std::vector<QRectF> screens{QRectF(0, 0, 1440, 900)};
    SetupsPaneModel model{setups, &index, clock};
};

} // namespace

TEST(SetupsPaneOrderTest, newestFirstByLastRunElseCreationWithTiesInStoreOrder) {
    const brisklet::Setup older = setupNamed("Older", day.addDays(-2));
    const brisklet::Setup newer = setupNamed("Newer", day.addDays(-1));
    EXPECT_EQ(namesOf(SetupsPaneModel::ordered({older, newer})), (QStringList{"Newer", "Older"}));

    // Made last year but run an hour ago beats one made yesterday and never run.
    const brisklet::Setup ranRecently = setupNamed("Old but run", day.addYears(-1), day.addSecs(-3600));
    const brisklet::Setup yesterday = setupNamed("Yesterday", day.addDays(-1));
    EXPECT_EQ(namesOf(SetupsPaneModel::ordered({yesterday, ranRecently})),
              (QStringList{"Old but run", "Yesterday"}));

    const brisklet::Setup a = setupNamed("A", day), b = setupNamed("B", day),
                          c = setupNamed("C", day.addDays(-3), day);
    EXPECT_EQ(namesOf(SetupsPaneModel::ordered({a, b, c})), (QStringList{"A", "B", "C"})) << "stable";
    EXPECT_EQ(namesOf(SetupsPaneModel::ordered({c, b, a})), (QStringList{"C", "B", "A"}));
}

TEST(SetupsPaneSaveNameTest, aNameTakenOnceNormalisedBecomesTheFirstFreeCopyName) {
    const brisklet::Setup focusBang = setupNamed("focus!", day);
    brisklet::Setup edited = setupNamed("Focus", day);
    EXPECT_EQ(SetupStore::nameForSave(edited, {focusBang}), "Focus copy");
    const brisklet::Setup copy = setupNamed("focus  COPY", day);
    EXPECT_EQ(SetupStore::nameForSave(edited, {focusBang, copy}), "Focus copy 2");
    const brisklet::Setup copy2 = setupNamed("Focus copy 2", day);
    EXPECT_EQ(SetupStore::nameForSave(edited, {focusBang, copy, copy2}), "Focus copy 3");
    EXPECT_EQ(SetupStore::nameForSave(edited, {setupNamed("Focus time", day)}), "Focus") << "no clash";

    // Its own stored record doesn't count against it.
    brisklet::Setup stored = setupNamed("Work", day);
    EXPECT_EQ(SetupStore::nameForSave(stored, {stored}), "Work");
    stored.name = "WORK";
    EXPECT_EQ(SetupStore::nameForSave(stored, {setupNamed("Work", day), stored}), "WORK copy");

    // "set up" is said as "setup", in the name and in the copy names taken.
    edited.name = "Desk set up";
    EXPECT_EQ(
        SetupStore::nameForSave(edited, {setupNamed("Desk setup", day), setupNamed("Desk setup copy", day)}),
        "Desk set up copy 2");
    // The voice hears a number as a word or in digits alike.
    edited.name = "Studio two";
    EXPECT_EQ(SetupStore::nameForSave(edited, {setupNamed("Studio 2", day)}), "Studio two copy");
}

TEST_F(SetupsPaneModelTest, savingStoresUnderTheFreeNameAndKeepsAnEditedSetupsOwnName) {
    const brisklet::Setup focus = add(setupNamed("focus!", day));
    EXPECT_TRUE(model.save(setupNamed("Focus", day)));
    ASSERT_EQ(setups.setups().size(), 2u);
    EXPECT_EQ(setups.setups()[1].name, "Focus copy");

    brisklet::Setup again = focus;
    again.phrases = {"deep focus"};
    EXPECT_TRUE(model.save(again));
    ASSERT_EQ(setups.setups().size(), 2u);
    EXPECT_EQ(setups.setups()[0].name, "focus!");
    EXPECT_EQ(setups.setups()[0].phrases, QStringList{"deep focus"});
}

TEST_F(SetupsPaneModelTest, aNameSaidLikeAnotherIsSavedAsACopySoEachCardRunsItsOwnSetup) {
    add(setupNamed("Desk setup", day));
    EXPECT_TRUE(model.save(setupNamed("Desk set up", day)));
    ASSERT_EQ(setups.setups().size(), 2u);
    EXPECT_EQ(setups.setups()[1].name, "Desk set up copy");
    // A card's Run, like a spoken name, runs the setup that its name looks up.
    for (const brisklet::Setup& card : setups.setups())
        EXPECT_EQ(setups.lookup(card.name).value().id, card.id) << card.name.toStdString();
}

TEST(SetupsPaneCardTest, appsAppearOnceInItemOrderAndSixAreShownBeforeACount) {
    brisklet::Setup setup = setupNamed("Mix", day);
    setup.items = {placed("a"), placed("b"), placed("a"), placed("c")};
    EXPECT_EQ(SetupsPaneModel::orderedAppIDs(setup), (QStringList{"a", "b", "c"}));

    const QStringList seven{"1", "2", "3", "4", "5", "6", "7"};
    EXPECT_EQ(SetupsPaneModel::iconRow(seven).value("appIDs").toStringList(), seven.mid(0, 6));
    EXPECT_EQ(SetupsPaneModel::iconRow(seven).value("moreApps").toString(), "+1");
    EXPECT_EQ(SetupsPaneModel::iconRow(seven.mid(0, 6)).value("moreApps").toString(), "");
    // The ideas' rows keep repeats: a browser used twice shows twice.
    EXPECT_EQ(SetupsPaneModel::iconRow({"firefox", "firefox"}).value("appIDs").toStringList(),
              (QStringList{"firefox", "firefox"}));
}

TEST(SetupsPaneCardTest, theMenuOffersEndOnlyWhileTheSetupIsNotOpen) {
    EXPECT_EQ(menuTexts(SetupsPaneModel::menuEntries(false)),
              (QStringList{"End — quit this setup's apps", "Edit…", "Update to match my screen now",
                           "Duplicate", "—", "Delete…"}));
    EXPECT_EQ(menuTexts(SetupsPaneModel::menuEntries(true)),
              (QStringList{"Edit…", "Update to match my screen now", "Duplicate", "—", "Delete…"}));
    const QVariantMap remove = SetupsPaneModel::menuEntries(true).last().toMap();
    EXPECT_EQ(remove.value("action").toString(), "delete");
    EXPECT_TRUE(remove.value("destructive").toBool());
}

TEST_F(SetupsPaneModelTest, aCardShowsTwoPhrasesTheMiniatureOnlyWithFramesAndWhenItRan) {
    clock.setWallStart(day);
    brisklet::Setup focus = setupNamed("Focus", day.addDays(-1), day.addSecs(-7200), {"one", "two", "three"});
    focus.items = {placed("code", std::nullopt), placed("firefox")};
    focus.fingerprint = "1:1440x900";
    brisklet::Setup plain = setupNamed("Plain", day.addDays(-2));
    plain.items = {placed("code", std::nullopt)};
    plain.fingerprint = "1:1440x900";
    add(focus);
    add(plain);

    const QVariantMap row = card("Focus");
    EXPECT_EQ(row.value("chip").toString(), "focus");
    EXPECT_EQ(row.value("phrases").toStringList(), (QStringList{"one", "two"}));
    EXPECT_EQ(row.value("lastRun").toString(), "ran 2 hr. ago");
    EXPECT_EQ(row.value("thumbnail").toList().size(), 1) << "only the placed item";
    EXPECT_EQ(row.value("displayLabel").toString(), "") << "made on these displays";
    EXPECT_FALSE(row.value("active").toBool());
    EXPECT_EQ(row.value("symbol").toString(), "leaf");

    const QVariantMap never = card("Plain");
    EXPECT_EQ(never.value("lastRun").toString(), "");
    EXPECT_TRUE(never.value("thumbnail").toList().isEmpty()) << "no frame, no miniature";
    EXPECT_TRUE(never.value("phrases").toStringList().isEmpty());
}

TEST_F(SetupsPaneModelTest, aSetupFromOtherDisplaysWarnsWithItsArrangementAndAnExampleName) {
    brisklet::Setup focus = setupNamed("Focus", day);
    focus.fingerprint = "1:1440x900";
    brisklet::Setup empty = setupNamed("Bare", day);
    add(focus);
    add(empty);
    screens = {QRectF(0, 0, 1440, 900), QRectF(1440, 0, 2560, 1440)};
    EXPECT_EQ(card("Focus").value("displayLabel").toString(), "single display");
    EXPECT_TRUE(
        card("Focus").value("displayHelp").toString().endsWith(QString::fromUtf8("(e.g. “Focus laptop”).")));
    EXPECT_EQ(card("Bare").value("displayLabel").toString(), "single display") << "an empty fingerprint";

    brisklet::Setup wide = setupNamed("Wide", day);
    wide.fingerprint = "3:1440x900,1920x1080,1920x1080";
    add(wide);
    EXPECT_EQ(card("Wide").value("displayLabel").toString(), "3 displays");
    screens = {QRectF(0, 0, 1440, 900)};
    EXPECT_EQ(card("Focus").value("displayLabel").toString(), "");
}

TEST_F(SetupsPaneModelTest, theActiveRunMarksItsCardAndTheListFollowsTheStore) {
    QSignalSpy changed(&model, &SetupsPaneModel::changed);
    EXPECT_FALSE(model.hasSetups());
    const brisklet::Setup work = add(setupNamed("Work", day));
    EXPECT_TRUE(model.hasSetups());
    EXPECT_GE(changed.size(), 1);
    setups.setActiveRun(SetupStore::ActiveRun{work.id, work.name, {}, day, false, false, {}});
    EXPECT_TRUE(card("Work").value("active").toBool());
    EXPECT_EQ(menuTexts(card("Work").value("menu").toList()).first(), "Edit…");
}

TEST_F(SetupsPaneModelTest, runEndUpdateAndEditLeaveAsSignalsWithTheStoredSetup) {
    const brisklet::Setup work = add(setupNamed("Work", day));
    const QString id = SetupJson::idText(work.id);
    QStringList heard;
    QObject::connect(&model, &SetupsPaneModel::runRequested,
                     [&](const brisklet::Setup& s) { heard << "run " + s.name; });
    QObject::connect(&model, &SetupsPaneModel::endRequested,
                     [&](const brisklet::Setup& s) { heard << "end " + s.name; });
    QObject::connect(&model, &SetupsPaneModel::updateRequested,
                     [&](const brisklet::Setup& s) { heard << "update " + s.name; });
    QObject::connect(&model, &SetupsPaneModel::editRequested,
                     [&](const brisklet::Setup& s) { heard << "edit " + s.name; });
    QObject::connect(&model, &SetupsPaneModel::captureRequested, [&] { heard << "capture"; });
    model.run(id);
    model.end(id);
    model.update(id);
    model.edit(id);
    model.capture();
    model.run(SetupJson::idText(QUuid::createUuid()));
    model.run("not an id");
    EXPECT_EQ(heard, (QStringList{"run Work", "end Work", "update Work", "edit Work", "capture"}));
    EXPECT_EQ(setups.setups().size(), 1u) << "nothing stored";
}

TEST_F(SetupsPaneModelTest, newOpensTheEditorOnABlankDraftAndStoresNothing) {
    screens = {QRectF(0, 0, 1728, 1117), QRectF(0, 0, 2560, 1440)};
    clock.setWallStart(day);
    std::optional<brisklet::Setup> draft;
    QObject::connect(&model, &SetupsPaneModel::editRequested, [&](const brisklet::Setup& s) { draft = s; });
    model.newSetup();
    ASSERT_TRUE(draft);
    EXPECT_FALSE(draft->id.isNull());
    EXPECT_EQ(draft->name, "");
    EXPECT_TRUE(draft->items.empty());
    EXPECT_TRUE(draft->system.isEmpty());
    EXPECT_EQ(draft->fingerprint, "2:1728x1117,2560x1440");
    EXPECT_TRUE(draft->endQuitsApps);
    EXPECT_FALSE(draft->closeOthers || draft->requiresAllDisplays);
    EXPECT_FALSE(draft->icon || draft->lastRunAt);
    EXPECT_EQ(draft->createdAt, day);
    EXPECT_TRUE(setups.setups().empty());
}

TEST_F(SetupsPaneModelTest, duplicateAddsACopyAndDeleteAsksFirst) {
    const brisklet::Setup work = add(setupNamed("Work", day, day, {"work mode"}));
    model.duplicate(SetupJson::idText(work.id));
    ASSERT_EQ(setups.setups().size(), 2u);
    EXPECT_EQ(setups.setups()[1].name, "Work copy");
    EXPECT_EQ(namesOf(SetupsPaneModel::ordered(setups.setups())).first(), "Work copy") << "fresh, so first";

    QSignalSpy deleting(&model, &SetupsPaneModel::deletingChanged);
    model.askDelete(SetupJson::idText(work.id));
    EXPECT_TRUE(model.isDeleting());
    EXPECT_EQ(model.deleteTitle(), QString::fromUtf8("Delete “Work”?"));
    EXPECT_EQ(setups.setups().size(), 2u) << "only asked";
    model.cancelDelete();
    EXPECT_FALSE(model.isDeleting());
    EXPECT_EQ(setups.setups().size(), 2u);

    model.askDelete(SetupJson::idText(work.id));
    model.confirmDelete();
    EXPECT_FALSE(model.isDeleting());
    EXPECT_EQ(namesOf(setups.setups()), QStringList{"Work copy"});
    EXPECT_EQ(deleting.size(), 4);

    // One that went away meanwhile removes nothing else.
    const brisklet::Setup copy = setups.setups()[0];
    model.askDelete(SetupJson::idText(copy.id));
    setups.remove(copy.id);
    add(setupNamed("Other", day));
    model.confirmDelete();
    EXPECT_EQ(namesOf(setups.setups()), QStringList{"Other"});
    EXPECT_EQ(SetupsPaneModel::deleteTitle(""), QString::fromUtf8("Delete “”?"));
}

TEST_F(SetupsPaneModelTest, ideasComeFromTheInstalledAppsAndOpenTheEditorOnTheirDraft) {
    model.setDefaultBrowser(platform::AppEntry{"firefox", "Firefox", "/ff.desktop"});
    const QVariantList ideas = model.ideas();
    ASSERT_FALSE(ideas.isEmpty());
    const QVariantMap first = ideas.first().toMap();
    EXPECT_EQ(first.value("name").toString(), "Deep Work");
    EXPECT_EQ(first.value("appIDs").toStringList(), (QStringList{"code", "firefox"}));
    EXPECT_FALSE(first.value("blurb").toString().isEmpty());

    std::optional<brisklet::Setup> draft;
    QObject::connect(&model, &SetupsPaneModel::editRequested, [&](const brisklet::Setup& s) { draft = s; });
    model.createFromIdea("Deep Work");
    ASSERT_TRUE(draft);
    EXPECT_EQ(draft->name, "Deep Work");
    ASSERT_EQ(draft->items.size(), 2u);
    EXPECT_TRUE(draft->items[0].frame.has_value());
    EXPECT_TRUE(setups.setups().empty()) << "an idea stores nothing";

    draft.reset();
    model.createFromIdea("No such idea");
    EXPECT_FALSE(draft);
}

TEST_F(SetupsPaneModelTest, withoutFittingAppsThereAreNoIdeas) {
    apps.setInstalled({{"org.example.Nothing", "Nothing", "/n.desktop"}});
    index.refresh();
    index.waitForScans();
    EXPECT_TRUE(model.ideas().isEmpty());
    SetupsPaneModel noIndex{setups, nullptr, clock};
    EXPECT_TRUE(noIndex.ideas().isEmpty());
}

namespace {

class PaneOnAFaultyDisk : public SetupsPaneModelTest, public ::testing::WithParamInterface<FolderFault> {};

QStringList cardNames(const QVariantList& cards) {
    QStringList names;
    for (const QVariant& card : cards)
        names << card.toMap().value("name").toString();
    return names;
}

} // namespace

// On a full disk or in a folder that takes no writes, Duplicate and Delete say so in
// words for the display and leave the cards as the file has them: no copy shows for
// a moment; once the folder takes writes, Duplicate works.
TEST_P(PaneOnAFaultyDisk, aDuplicateOrDeleteTheFileDoesNotTakeSaysSoAndLeavesTheCards) {
    const brisklet::Setup keeper = add(setupNamed("Keeper", day, day, {"keeper"}));
    QSignalSpy unsaved(&model, SIGNAL(unsaved(QString)));
    QSignalSpy changed(&model, &SetupsPaneModel::changed);
    {
        FolderWriteFault fault(dir.path(), GetParam());
        ASSERT_TRUE(fault.holds()) << "the fault could not be set up, so the test cannot run";
        model.duplicate(SetupJson::idText(keeper.id));
        model.askDelete(SetupJson::idText(keeper.id));
        model.confirmDelete();
    }
    ASSERT_EQ(unsaved.count(), 2);
    EXPECT_EQ(unsaved[0][0].toString(), "Couldn't save “Keeper co…” — the setups file can't be written");
    EXPECT_EQ(unsaved[1][0].toString(), "Couldn't delete “Keeper” — the setups file can't be written");
    EXPECT_FALSE(model.isDeleting());
    EXPECT_EQ(changed.count(), 0);
    EXPECT_EQ(cardNames(model.cards()), QStringList{"Keeper"});

    model.duplicate(SetupJson::idText(keeper.id));
    EXPECT_EQ(unsaved.count(), 2);
    EXPECT_EQ(cardNames(model.cards()), (QStringList{"Keeper copy", "Keeper"}));
    const SetupStore next(setups.filePath());
    EXPECT_EQ(next.setups(), setups.setups());
}

INSTANTIATE_TEST_SUITE_P(Faults, PaneOnAFaultyDisk,
                         ::testing::Values(FolderFault::fullDisk, FolderFault::readOnlyFolder),
                         [](const auto& info) { return faultName(info.param); });
