// The setup editor's model and its controller over a real setups store: opening new
// and stored setups, what a save writes to setups.json, refusals, and a file changed
// from outside while the editor is open.
#include "ui/setups/SetupEditorController.h"

#include "commands/AppIndex.h"
#include "setups/SetupStore.h"
#include "ui/setups/FolderChooser.h"

#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/FakeScheduler.h"
#include "support/FileBytes.h"
#include "support/FolderWriteFault.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QThread>
#include <cstdio>
#include <gtest/gtest.h>

using namespace brisklet;

namespace {

class CannedFolder final : public FolderChooser {
public:
    std::optional<QString> answer;
    QString prompt;
    std::optional<QString> chooseFolder(const QString& p, const QString&) override {
        prompt = p;
        return answer;
    }
};

brisklet::Setup stored(const QString& name) {
    brisklet::Setup s;
    s.id = QUuid::createUuid();
    s.name = name;
    s.phrases = {"heads down"};
    SetupItem item;
    item.id = QUuid::createUuid();
    item.bundleID = "org.gnome.Terminal";
    item.appName = "Terminal";
    item.frame = SetupFrame{0, 0, 0.5, 1, 0};
    s.items.push_back(item);
    s.createdAt = s.updatedAt = QDateTime(QDate(2026, 11, 2), QTime(8, 0), Qt::UTC);
    return s;
}

class SetupEditorModelTest : public ::testing::Test {
protected:
    SetupEditorModelTest() {
        QDir().mkpath(folder());
        apps.setInstalled({{"firefox-esr", "Firefox ESR", "/f.desktop"},
                           {"org.gnome.Terminal", "Terminal", "/t.desktop"},
                           {"spotify", "Spotify", "/s.desktop"}});
        index.refresh();
        index.waitForScans();
    }

    QString folder() const { return home.dataHome() + "/Brisklet"; }
    QString file() const { return folder() + "/setups.json"; }

    SetupEditorController& editor() {
        if (!store)
            store = std::make_unique<SetupStore>(file(), scheduler);
        if (!controller) {
            SetupEditorController::Providers p;
            p.reserved = [] { return QStringList{"open", "mute"}; };
            p.fingerprint = [] { return QStringLiteral("1:1280x800"); };
            p.screens = [] { return std::vector<QRectF>{QRectF(0, 0, 1280, 800)}; };
            p.home = [] { return QStringLiteral("/home/ann"); };
            controller = std::make_unique<SetupEditorController>(*store, &index, p);
            controller->model().setFolderChooser(&chooser);
        }
        return *controller;
    }
    SetupEditorModel& model() { return editor().model(); }

    QJsonArray fileArray() const { return QJsonDocument::fromJson(test::readBytes(file())).array(); }

    QString firstItemId() { return model().items().front().toMap().value("id").toString(); }

    // A stored setup named `name`, open in the editor.
    brisklet::Setup openStored(const QString& name) {
        editor();
        const brisklet::Setup setup = stored(name);
        store->upsert(setup);
        editor().openEditor(setup.id.toString());
        return setup;
    }
    // What another program holds after renaming `mine` and adding one of its own.
    static std::vector<brisklet::Setup> renamedWithAnother(const brisklet::Setup& mine) {
        brisklet::Setup renamed = mine;
        renamed.name = "Deep Work Mornings";
        return {renamed, stored("Gym")};
    }

    // Another program replaces the file.
    void writeOutside(const std::vector<brisklet::Setup>& list) {
        QJsonArray array;
        for (const brisklet::Setup& s : list)
            array.append(s.toJson());
        const QString temporary = folder() + "/.outside.tmp";
        test::writeBytes(temporary, QJsonDocument(array).toJson());
        ASSERT_EQ(std::rename(temporary.toUtf8().constData(), file().toUtf8().constData()), 0);
    }
    // ... and the store has read it.
    void editOutside(const std::vector<brisklet::Setup>& list) {
        writeOutside(list);
        QElapsedTimer waited;
        waited.start();
        while (scheduler.pendingCount() == 0 && waited.elapsed() < 5000) {
            QCoreApplication::processEvents();
            QThread::msleep(5);
        }
        scheduler.advance(SetupStore::reloadDelay);
    }

    test::TempHome home;
    test::FakeClock clock;
    test::FakeScheduler scheduler{clock};
    test::FakeDesktop desktop{clock};
    test::FakeApps apps{desktop};
    AppIndex index{&apps, nullptr};
    CannedFolder chooser;
    std::unique_ptr<SetupStore> store;
    std::unique_ptr<SetupEditorController> controller;
};

} // namespace

TEST_F(SetupEditorModelTest, aNewSetupIsSavedWithWhatTheEditorAdded) {
    editor().openNew();
    EXPECT_TRUE(model().isOpen());
    EXPECT_TRUE(model().isNew());
    EXPECT_FALSE(model().canSave());
    EXPECT_EQ(model().endLabel(), "Saying “end …” quits these apps");
    EXPECT_EQ(model().icon(), "pencil.and.outline");

    model().setName("  Deep Work ");
    EXPECT_EQ(model().nameChip(), "  deep work ");
    model().setPhrasesText(" grind time, , focus mode,");
    EXPECT_EQ(model().phrasesText(), "grind time, focus mode");
    model().addApp(model().appNames().indexOf("Terminal"));
    model().setNewURL("news.example.org");
    EXPECT_TRUE(model().canAddSite());
    model().addSite();
    EXPECT_EQ(model().newURL(), "");
    model().systemModel().setVolumeOn(true);
    model().systemModel().chooseMusic("play");
    ASSERT_TRUE(model().canSave());

    QSignalSpy storedSpy(&editor(), &SetupEditorController::stored);
    model().save();
    EXPECT_EQ(storedSpy.count(), 1);
    EXPECT_FALSE(model().isOpen());

    const QJsonArray array = fileArray();
    ASSERT_EQ(array.size(), 1);
    const QJsonObject saved = array[0].toObject();
    EXPECT_EQ(saved["name"].toString(), "Deep Work");
    EXPECT_EQ(saved["phrases"].toArray().size(), 2);
    EXPECT_EQ(saved["fingerprint"].toString(), "1:1280x800");
    const QJsonArray items = saved["items"].toArray();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0].toObject()["bundleID"].toString(), "org.gnome.Terminal");
    EXPECT_EQ(items[1].toObject()["url"].toString(), "https://news.example.org");
    EXPECT_EQ(items[1].toObject()["appName"].toString(), "Firefox ESR");
    const QJsonObject system = saved["system"].toObject();
    EXPECT_EQ(system["volume"].toInt(), 35);
    // One player installed: the choice names it, so a run has one to drive.
    EXPECT_EQ(system["musicPlayer"].toString(), "spotify");
}

TEST_F(SetupEditorModelTest, editingAStoredSetupReplacesItInPlace) {
    editor();
    const brisklet::Setup first = stored("Deep Work");
    brisklet::Setup second = stored("Evening");
    second.phrases = {"wind down"};
    store->upsert(first);
    store->upsert(second);
    const brisklet::Setup secondStored = *store->setup(second.id);
    ASSERT_TRUE(editor().openEditor(first.id.toString()));
    EXPECT_FALSE(model().isNew());
    EXPECT_FALSE(editor().openEditor(QUuid::createUuid().toString()));

    model().setName("");
    EXPECT_FALSE(model().isNew()); // still "Edit setup" while the name is cleared
    model().setName("Deep Work");
    model().choosePreset(firstItemId(), "Centered");
    model().chooseDisplay(firstItemId(), 40);
    ASSERT_TRUE(model().canSave()) << model().problem().toStdString();
    model().save();

    const auto list = store->setups();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, first.id);
    EXPECT_EQ(list[0].items[0].frame, (SetupFrame{0.15, 0.1, 0.7, 0.8, 7}));
    EXPECT_EQ(list[1], secondStored);
}

TEST_F(SetupEditorModelTest, refusalsKeepSaveOffAndSayWhy) {
    editor();
    store->upsert(stored("Writing"));
    editor().openNew();
    model().setName("Open");
    model().addApp(0);
    EXPECT_FALSE(model().canSave());
    EXPECT_EQ(model().problem(), "“Open” already means a command — pick other words.");
    model().setName("Reading");
    model().setPhrasesText("heads down");
    EXPECT_EQ(model().problem(), "“heads down” already runs the setup “Writing” — pick other words.");
    model().setPhrasesText("");
    EXPECT_TRUE(model().canSave());

    // A page's address edited in its row into something no browser should open.
    model().setNewURL("example.org");
    model().addSite();
    const QString page = model().items().back().toMap().value("id").toString();
    QSignalSpy rebuilt(&model(), &SetupEditorModel::itemsChanged);
    model().setItemURL(page, "javascript:alert(1)");
    EXPECT_EQ(model().refusedIds(), QStringList{page});
    EXPECT_EQ(rebuilt.count(), 0) << "typing in a row keeps the rows";
    EXPECT_FALSE(model().canSave());
    QSignalSpy saved(&model(), &SetupEditorModel::saved);
    model().save();
    EXPECT_EQ(saved.count(), 0);
    model().removeItem(page);
    EXPECT_TRUE(model().canSave());

    // Cancel stores nothing.
    model().cancel();
    EXPECT_FALSE(model().isOpen());
    EXPECT_EQ(store->setups().size(), 1u);
}

TEST_F(SetupEditorModelTest, aNameAnotherSetupHasIsSavedAsACopyWhileCommandPhrasesStayRefused) {
    editor();
    store->upsert(stored("focus!"));
    // "Focus" says what "focus!" says: the new one is kept as "Focus copy".
    editor().openNew();
    model().setName("Focus");
    model().addApp(0);
    EXPECT_TRUE(model().canSave()) << model().problem().toStdString();
    EXPECT_EQ(model().problem(), "");
    model().save();
    EXPECT_FALSE(model().isOpen());
    ASSERT_EQ(store->setups().size(), 2u);
    EXPECT_EQ(store->setups().back().name, "Focus copy");
    // Once more: that copy name is taken too (up to normalisation).
    editor().openNew();
    model().setName("FOCUS");
    model().addApp(0);
    model().save();
    ASSERT_EQ(store->setups().size(), 3u);
    EXPECT_EQ(store->setups().back().name, "FOCUS copy 2");

    // A built-in command's phrase, as name or phrase, still keeps Save off, and so
    // does a phrase that names another setup (it can't be renamed).
    editor().openNew();
    model().addApp(0);
    model().setName("Mute");
    EXPECT_FALSE(model().canSave());
    EXPECT_EQ(model().problem(), "“Mute” already means a command — pick other words.");
    model().setName("Reading");
    model().setPhrasesText("open");
    EXPECT_FALSE(model().canSave());
    model().setPhrasesText("focus");
    EXPECT_FALSE(model().canSave());
    EXPECT_EQ(model().problem(), "“focus” already runs the setup “focus!” — pick other words.");
    model().setPhrasesText("");
    EXPECT_TRUE(model().canSave());
    model().cancel();
}

TEST_F(SetupEditorModelTest, wordsSaidLikeAnotherSetupsNameCountAsThatName) {
    editor();
    store->upsert(stored("Desk setup"));
    editor().openNew();
    model().addApp(0);
    model().setName("Reading");
    model().setPhrasesText("desk set up");
    EXPECT_FALSE(model().canSave());
    EXPECT_EQ(model().problem(), "“desk set up” already runs the setup “Desk setup” — pick other words.");
    model().setPhrasesText("");
    model().setName("Desk set up");
    EXPECT_TRUE(model().canSave()) << model().problem().toStdString();
    model().save();
    ASSERT_EQ(store->setups().size(), 2u);
    EXPECT_EQ(store->setups().back().name, "Desk set up copy");
}

TEST_F(SetupEditorModelTest, projectsComeFromTheChosenFolder) {
    editor().openNew();
    model().addProject();
    EXPECT_TRUE(model().items().isEmpty()); // cancelled
    EXPECT_EQ(chooser.prompt, "Add Project");
    chooser.answer = "/home/ann/src/brisk";
    model().addProject();
    ASSERT_EQ(model().items().size(), 1); // a terminal; no editor installed
    const QVariantMap row = model().items().front().toMap();
    EXPECT_EQ(row.value("subtitle").toString(), "~/src/brisk");
    EXPECT_EQ(row.value("preset").toString(), "Don't place");
    EXPECT_FALSE(model().hasFrames());
}

TEST_F(SetupEditorModelTest, aFileChangedOutsideIsNotOverwrittenWithoutAWord) {
    const brisklet::Setup mine = openStored("Deep Work");
    model().setPhrasesText("grind");

    editOutside(renamedWithAnother(mine)); // meanwhile, in another program
    ASSERT_EQ(store->setups().size(), 2u);

    model().save();
    EXPECT_TRUE(model().isOpen());
    EXPECT_EQ(model().notice(), SetupEditorController::changedOutsideText());
    EXPECT_EQ(fileArray()[0].toObject()["name"].toString(), "Deep Work Mornings");

    // A second press decides: this setup is replaced, the other program's kept.
    model().save();
    EXPECT_FALSE(model().isOpen());
    const QJsonArray array = fileArray();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject()["name"].toString(), "Deep Work");
    EXPECT_EQ(array[0].toObject()["phrases"].toArray().first().toString(), "grind");
    EXPECT_EQ(array[1].toObject()["name"].toString(), "Gym");
}

TEST_F(SetupEditorModelTest, anOutsideChangeTheStoreHasNotReadYetStillStopsTheFirstSave) {
    const brisklet::Setup mine = openStored("Deep Work");
    model().setPhrasesText("grind");

    writeOutside(renamedWithAnother(mine)); // saved at once, before the store's reload
    model().save();
    EXPECT_TRUE(model().isOpen());
    EXPECT_EQ(model().notice(), SetupEditorController::changedOutsideText());
    const QJsonArray array = fileArray();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject()["name"].toString(), "Deep Work Mornings");
    EXPECT_EQ(array[1].toObject()["name"].toString(), "Gym");
}

TEST_F(SetupEditorModelTest, aRunStampWhileEditingIsNoOutsideChange) {
    const brisklet::Setup mine = openStored("Deep Work");
    store->markRun(mine.id);
    model().setName("Deep Work Plus");
    model().save();
    EXPECT_FALSE(model().isOpen());
    const auto saved = store->setup(mine.id);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->name, "Deep Work Plus");
    EXPECT_TRUE(saved->lastRunAt.has_value());
}

TEST_F(SetupEditorModelTest, aPhraseAnotherSetupTookWhileADraftIsOpenTurnsSaveOffAndSaysWhy) {
    editor();
    brisklet::Setup draft = stored("Everyday");
    draft.phrases = {"everyday"};
    int handedOn = 0;
    editor().openDraft(draft, [&](const brisklet::Setup& setup) {
        ++handedOn;
        return store->upsert(setup);
    });
    ASSERT_TRUE(model().canSave());
    QSignalSpy changed(&model(), &SetupEditorModel::changed);

    brisklet::Setup studio = stored("Studio");
    studio.phrases = {"everyday"};
    editOutside({studio}); // a capture by voice, a synced file …
    EXPECT_GE(changed.count(), 1) << "the line and Save read the store again";
    EXPECT_FALSE(model().canSave());
    const QString why = "“Everyday” already runs the setup “Studio” — pick other words.";
    EXPECT_EQ(model().statusLine(), why);

    model().save();
    EXPECT_EQ(handedOn, 0);
    EXPECT_TRUE(model().isOpen());
    EXPECT_EQ(model().statusLine(), why);
    ASSERT_EQ(fileArray().size(), 1);
    EXPECT_EQ(fileArray()[0].toObject()["name"].toString(), "Studio");
}

TEST_F(SetupEditorModelTest, aPhraseTakenInTheFileBeforeTheStoreReadItIsNotSavedOverAndSaysWhy) {
    const brisklet::Setup mine = openStored("Deep Work");
    model().setName("Deep Work Plus");
    brisklet::Setup gym = stored("Gym"); // says "heads down" too
    writeOutside({mine, gym});           // saved at once, before the store's reload

    model().save();
    EXPECT_TRUE(model().isOpen());
    EXPECT_FALSE(model().canSave());
    EXPECT_EQ(model().statusLine(), "“heads down” already runs the setup “Gym” — pick other words.");
    const QJsonArray array = fileArray();
    ASSERT_EQ(array.size(), 2);
    EXPECT_EQ(array[0].toObject()["name"].toString(), "Deep Work");
}

TEST_F(SetupEditorModelTest, aRefusalOutranksTheNoticeOfAnOutsideChange) {
    const brisklet::Setup mine = openStored("Deep Work");
    model().setPhrasesText("grind");
    editOutside(renamedWithAnother(mine));
    model().save();
    ASSERT_EQ(model().statusLine(), SetupEditorController::changedOutsideText());

    model().setPhrasesText("heads down"); // Gym's
    EXPECT_EQ(model().statusLine(), "“heads down” already runs the setup “Gym” — pick other words.");
    model().setPhrasesText("grind");
    EXPECT_EQ(model().statusLine(), SetupEditorController::changedOutsideText());
}

namespace {

class EditorOnAFaultyDisk : public SetupEditorModelTest,
                            public ::testing::WithParamInterface<test::FolderFault> {};

} // namespace

// On a full disk or in a folder that takes no writes, Save leaves the editor open as
// filled in and says why, whatever reload the failed write sets off; the store keeps
// what the file has; once the folder takes writes, a second press saves the edit.
TEST_P(EditorOnAFaultyDisk, anEditTheFileDoesNotTakeKeepsTheEditorOpenAsFilledInAndSaysSo) {
    const brisklet::Setup keeper = openStored("Keeper");
    QSignalSpy stored(&editor(), &SetupEditorController::stored);
    model().setPhrasesText(model().phrasesText() + ", back home");
    const QString typed = model().phrasesText();
    {
        test::FolderWriteFault fault(folder(), GetParam());
        ASSERT_TRUE(fault.holds()) << "the fault could not be set up, so the test cannot run";
        model().save();
    }
    const QString line = "Couldn't save “Keeper” — the setups file can't be written";
    EXPECT_TRUE(model().isOpen());
    EXPECT_EQ(stored.count(), 0);
    EXPECT_EQ(model().statusLine(), line);
    EXPECT_EQ(model().phrasesText(), typed);
    EXPECT_TRUE(model().canSave());
    EXPECT_EQ(store->setup(keeper.id)->phrases, QStringList{"heads down"});

    QCoreApplication::processEvents();
    scheduler.advance(SetupStore::reloadDelay);
    EXPECT_TRUE(model().isOpen());
    EXPECT_EQ(model().phrasesText(), typed);
    EXPECT_EQ(model().statusLine(), line);

    model().save();
    EXPECT_FALSE(model().isOpen());
    EXPECT_EQ(stored.count(), 1);
    const SetupStore next(file(), scheduler);
    ASSERT_EQ(next.setups().size(), 1u);
    EXPECT_EQ(next.setups()[0].phrases, (QStringList{"heads down", "back home"}));
}

INSTANTIATE_TEST_SUITE_P(Faults, EditorOnAFaultyDisk,
                         ::testing::Values(test::FolderFault::fullDisk, test::FolderFault::readOnlyFolder),
                         [](const auto& info) { return test::faultName(info.param); });
