#include "setups/SetupStore.h"

#include "base/Prefs.h"
#include "base/Termination.h"
#include "setups/SetupStoreFixture.h"
#include "support/FolderWriteFault.h"
#include "support/LogCapture.h"
#include "support/ScopedEnv.h"

#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <cstdlib>
#include <limits>
#include <thread>

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QString kDecodeLine = "setups.json failed to decode — backed up to setups-corrupt-backup.json";

using SetupStoreTest = SetupStoreFixture;

} // namespace

TEST_F(SetupStoreTest, startsEmptyWithoutAFileAndPicksUpOutsideChangesOncePerBurst) {
    auto store = open();
    EXPECT_TRUE(store->setups().empty());
    EXPECT_FALSE(QFile::exists(file()));
    QSignalSpy published(store.get(), &SetupStore::setupsChanged);
    test::LogCapture log;

    const brisklet::Setup a = named("Alpha");
    replaceFromOutside(fileOf({a}));
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.29);
    EXPECT_EQ(published.count(), 0);
    scheduler.advance(0.01);
    EXPECT_EQ(published.count(), 1);
    EXPECT_EQ(store->setups(), std::vector<brisklet::Setup>{a});
    EXPECT_EQ(log.count("setups.json changed on disk — reloaded (1 setups)"), 1);

    // Replaced once more, then written in place: only a watch of the new file sees
    // the in-place write.
    replaceFromOutside(fileOf({a}) + "\n");
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    EXPECT_EQ(published.count(), 1);
    const brisklet::Setup b = named("Beta");
    writeBytes(file(), fileOf({a, b}));
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    EXPECT_EQ(published.count(), 2);
    EXPECT_EQ(namesIn(store->setups()), (QStringList{"Alpha", "Beta"}));

    // A burst of writes is read once, after the last.
    log.clear();
    for (int i = 0; i < 5; ++i) {
        writeBytes(file(), fileOf({named(QString("Burst %1").arg(i))}));
        replaceFromOutside(fileOf({a, named(QString("Replaced %1").arg(i))}));
    }
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    EXPECT_EQ(published.count(), 3);
    EXPECT_EQ(namesIn(store->setups()), (QStringList{"Alpha", "Replaced 4"}));
    EXPECT_EQ(log.count("changed on disk"), 1);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(SetupStoreTest, itsOwnSavesAreNotPublishedAgain) {
    auto store = open();
    QSignalSpy published(store.get(), &SetupStore::setupsChanged);
    ASSERT_TRUE(store->upsert(named("Alpha")));
    EXPECT_EQ(published.count(), 1);
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    ASSERT_TRUE(store->upsert(named("Beta")));
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    EXPECT_EQ(published.count(), 2);

    // A save of a sibling file wakes the folder watch; nothing changes.
    writeBytes(folder() + "/layouts.json", "{}");
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    EXPECT_EQ(published.count(), 2);
}

TEST_F(SetupStoreTest, anUndecodableFileIsKeptAsideBeforeAnythingReplacesIt) {
    const QByteArray bad = "[{\"name\": ";
    writeBytes(file(), bad);
    test::LogCapture log;
    auto store = open();
    EXPECT_TRUE(store->setups().empty());
    EXPECT_EQ(readBytes(backup()), bad);
    EXPECT_EQ(readBytes(file()), bad);
    EXPECT_EQ(log.count(kDecodeLine), 1);

    ASSERT_TRUE(store->upsert(named("Alpha")));
    EXPECT_TRUE(readBytes(file()).contains("\"Alpha\""));
    EXPECT_EQ(readBytes(backup()), bad);
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);

    // A half-written file from outside: the list stays, the text is kept, and the
    // earlier backup moves to a time-stamped name.
    const QByteArray half = fileOf({named("Alpha"), named("Beta")}).left(60);
    replaceFromOutside(half);
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    EXPECT_EQ(namesIn(store->setups()), QStringList{"Alpha"});
    EXPECT_EQ(readBytes(backup()), half);
    ASSERT_EQ(keptBackups().size(), 1);
    EXPECT_EQ(readBytes(folder() + "/" + keptBackups().front()), bad);

    // The same bad text again leaves no further copy.
    writeBytes(file(), half);
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    EXPECT_EQ(keptBackups().size(), 1);
    EXPECT_EQ(readBytes(backup()), half);

    // The next change writes the last good list.
    ASSERT_TRUE(store->upsert(named("Gamma")));
    EXPECT_EQ(namesIn(store->setups()), (QStringList{"Alpha", "Gamma"}));
    EXPECT_TRUE(readBytes(file()).contains("\"Gamma\""));
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);

    // Deleting the file empties the store.
    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    EXPECT_TRUE(store->setups().empty());
}

TEST_F(SetupStoreTest, oneBadSetupOrAFileThatIsNoListFailsTheWholeFile) {
    for (const QByteArray& broken :
         {QByteArray(R"([{"name": "Fine"}, {"name": "Bad", "items": [{"kind": "web"}]}])"), QByteArray("{}"),
          QByteArray("[1]"), QByteArray("[{\"name\": \"X\", \"system\": {\"volume\": 1e999}}]")}) {
        QFile::remove(backup());
        writeBytes(file(), broken);
        auto store = open();
        EXPECT_TRUE(store->setups().empty()) << broken.constData();
        EXPECT_EQ(readBytes(backup()), broken);
    }
}

TEST_F(SetupStoreTest, aFileThatCannotBeReadIsNeverReplaced) {
    // Tests run as root: a folder in the way stands for a file that can't be read.
    ASSERT_TRUE(QDir().mkpath(file()));
    test::LogCapture log;
    auto store = open();
    EXPECT_TRUE(store->setups().empty());
    EXPECT_EQ(log.count("couldn't read"), 1);

    QSignalSpy published(store.get(), &SetupStore::setupsChanged);
    EXPECT_FALSE(store->upsert(named("Alpha")));
    EXPECT_EQ(published.count(), 0) << "nothing shows that the next start wouldn't";
    EXPECT_TRUE(store->setups().empty());
    EXPECT_TRUE(QFileInfo(file()).isDir());
    EXPECT_GE(log.count("couldn't save"), 1);
    EXPECT_FALSE(QFile::exists(backup()));

    // Once the file reads again, its list wins and saving works again.
    ASSERT_TRUE(QDir(file()).removeRecursively());
    replaceFromOutside(fileOf({named("Beta")}));
    ASSERT_TRUE(reloadScheduled());
    scheduler.advance(0.3);
    EXPECT_EQ(namesIn(store->setups()), QStringList{"Beta"});
    EXPECT_TRUE(store->upsert(named("Gamma")));
    EXPECT_TRUE(readBytes(file()).contains("\"Gamma\""));
}

TEST_F(SetupStoreTest, aFailedWriteIsLoggedAndReported) {
    // A plain file where the folder should be: nothing can be written below it.
    writeBytes(home.path() + "/blocker", "not a folder");
    SetupStore store(home.path() + "/blocker/setups.json", scheduler);
    test::LogCapture log;
    QSignalSpy published(&store, &SetupStore::setupsChanged);
    EXPECT_FALSE(store.upsert(named("Alpha")));
    EXPECT_EQ(log.count("couldn't save"), 1);
    // The list stays as the file has it: nothing there, and nothing published.
    EXPECT_EQ(published.count(), 0);
    EXPECT_TRUE(store.setups().empty());
}

TEST_F(SetupStoreTest, idsMadeUpAtLoadAreWrittenBackSoTheyStay) {
    const brisklet::Setup dup = named("Second");
    QJsonArray array{QJsonObject{{"name", "No Id"}, {"createdAt", "2026-11-02T08:15:00Z"}}, dup.toJson(),
                     dup.toJson()};
    QJsonObject copied = dup.toJson();
    copied["name"] = "Copied By Hand";
    array[2] = copied;
    writeBytes(file(), QJsonDocument(array).toJson());

    auto store = open();
    ASSERT_EQ(store->setups().size(), 3u);
    const auto first = store->setups();
    EXPECT_EQ(first[1].id, dup.id);
    EXPECT_NE(first[2].id, dup.id);
    EXPECT_FALSE(first[0].id.isNull());

    // A second store on the same file reads the same ids.
    auto again = open();
    EXPECT_EQ(again->setups(), first);
    // Removing one of the two copies keeps the other, and each can be reached.
    ASSERT_TRUE(again->remove(dup.id));
    EXPECT_EQ(namesIn(again->setups()), (QStringList{"No Id", "Copied By Hand"}));
    brisklet::Setup edited = again->setups()[1];
    edited.phrases = {"by hand"};
    ASSERT_TRUE(again->upsert(edited));
    EXPECT_EQ(again->setups()[1].phrases, QStringList{"by hand"});
    EXPECT_EQ(again->setups().size(), 2u);
}

TEST_F(SetupStoreTest, aHandWrittenFileWithUnknownKeysLoadsAndSavingKeepsEverySetup) {
    writeBytes(file(), R"([
        {"id": "2f1c3b1e-5a57-4d49-9c55-1b1a2c3d4e01", "name": "Deep Work", "mood": "calm",
         "createdAt": "2026-11-02T08:15:00Z",
         "system": {"volume": 30, "lighting": "warm"},
         "items": [{"id": "7d0e2a41-93b8-4f3c-8e0b-0a1b2c3d4e51", "kind": "app", "bundleID": "code",
                    "appName": "Code", "title": "", "pinned": true,
                    "frame": {"rx": 0, "ry": 0, "rw": 0.5, "rh": 1, "displayIndex": 0, "z": 3}}]},
        {"id": "2F1C3B1E-5A57-4D49-9C55-1B1A2C3D4E02", "name": "Gym", "createdAt": "2026-11-02T08:15:00Z",
         "notes": ["bring water"]}
    ])");
    auto store = open();
    ASSERT_EQ(namesIn(store->setups()), (QStringList{"Deep Work", "Gym"}));
    ASSERT_TRUE(store->upsert(named("Reading")));

    auto again = open();
    EXPECT_EQ(namesIn(again->setups()), (QStringList{"Deep Work", "Gym", "Reading"}));
    EXPECT_EQ(again->setups()[0].system.volume, 30);
    EXPECT_EQ(again->setups()[0].items.at(0).frame->rw, 0.5);
    // Keys the record doesn't know are not kept.
    const QByteArray saved = readBytes(file());
    for (const char* unknown : {"mood", "lighting", "pinned", "\"z\"", "notes"})
        EXPECT_FALSE(saved.contains(unknown)) << unknown;
    EXPECT_TRUE(saved.contains("\"2F1C3B1E-5A57-4D49-9C55-1B1A2C3D4E01\""));
}

TEST_F(SetupStoreTest, theFileIsPrettySortedAndFollowsASymlink) {
    const QString real = home.path() + "/elsewhere/my-setups.json";
    writeBytes(real, "[]");
    ASSERT_TRUE(QFile::link(real, file()));
    auto store = open();
    ASSERT_TRUE(store->upsert(named("Alpha")));
    EXPECT_TRUE(QFileInfo(file()).isSymLink());
    const QByteArray bytes = readBytes(real);
    EXPECT_TRUE(bytes.contains("\n        \"closeOthers\": false,\n"));
    EXPECT_LT(bytes.indexOf("\"closeOthers\""), bytes.indexOf("\"updatedAt\""));
    EXPECT_TRUE(bytes.contains("\"updatedAt\": \"2026-12-07T09:00:00Z\""));
}

TEST_F(SetupStoreTest, lookupFindsNamesExactlyThenByCloseness) {
    auto store = open();
    for (const char* name : {"Deep Work", "Deep Word", "abcdefghij", "work a", "work b", "Desk Set Up"})
        store->upsert(named(name));
    EXPECT_FALSE(store->lookup(""));
    EXPECT_FALSE(store->lookup(" ?! "));
    EXPECT_EQ(store->lookup("deep work")->name, "Deep Work");
    EXPECT_EQ(store->lookup("Deep Word!")->name, "Deep Word");
    EXPECT_EQ(store->lookup("abcdefgxyz")->name, "abcdefghij"); // 3 of 10 changed: 0.7 exactly
    EXPECT_FALSE(store->lookup("abcdefwxyz"));                  // 0.6
    EXPECT_EQ(store->lookup("work c")->name, "work a");         // a tie goes to the earlier
    EXPECT_EQ(store->lookup("desk setup")->name, "Desk Set Up");
    EXPECT_EQ(store->lookupName("deep wok"), "Deep Work");
    EXPECT_FALSE(store->lookupName("gardening"));
    // Extra phrases are the matcher's business, not the lookup's.
    store->upsert(named("Gym", {"workout time"}));
    EXPECT_FALSE(store->lookup("workout time"));

    const brisklet::Setup found = *store->lookup("gym");
    EXPECT_EQ(store->setup(found.id), found);
    EXPECT_FALSE(store->setup(QUuid::createUuid()));
}

TEST_F(SetupStoreTest, upsertReplacesInPlaceAndStampsTheChange) {
    auto store = open();
    brisklet::Setup a = named("Alpha"), b = named("Beta");
    store->upsert(a);
    store->upsert(b);
    clock.advance(90);
    a.phrases = {"first"};
    ASSERT_TRUE(store->upsert(a));
    EXPECT_EQ(namesIn(store->setups()), (QStringList{"Alpha", "Beta"}));
    EXPECT_EQ(store->setups()[0].phrases, QStringList{"first"});
    EXPECT_EQ(store->setups()[0].updatedAt, QDateTime(QDate(2026, 12, 7), QTime(9, 1, 30), Qt::UTC));
    EXPECT_EQ(store->setups()[0].createdAt, a.createdAt);

    // A new setup without dates gets both.
    brisklet::Setup fresh;
    fresh.id = QUuid::createUuid();
    fresh.name = "Fresh";
    ASSERT_TRUE(store->upsert(fresh));
    EXPECT_EQ(store->setups()[2].createdAt, store->setups()[2].updatedAt);
    EXPECT_EQ(open()->setups(), store->setups());

    // What the matcher reads changes with the list, and only then.
    const auto names = store->setupNames();
    EXPECT_EQ(names, store->setupNames());
    EXPECT_EQ(*names, (std::vector<SetupNames>{{"Alpha", {"first"}}, {"Beta", {}}, {"Fresh", {}}}));
    ASSERT_TRUE(store->remove(a.id));
    EXPECT_NE(names, store->setupNames());
    EXPECT_EQ(*store->setupNames(), (std::vector<SetupNames>{{"Beta", {}}, {"Fresh", {}}}));
}

TEST_F(SetupStoreTest, aChangeRightAfterAnOutsideWriteKeepsWhatTheOtherProgramWrote) {
    auto store = open();
    const brisklet::Setup mine = named("Alpha");
    ASSERT_TRUE(store->upsert(mine));

    // Another program adds a setup; the debounced reload hasn't come round yet.
    const brisklet::Setup theirs = named("Theirs");
    replaceFromOutside(fileOf({mine, theirs}));
    EXPECT_EQ(store->setups().size(), 1u) << "not read yet";
    QSignalSpy changed(store.get(), &SetupStore::setupsChanged);
    ASSERT_TRUE(store->upsert(named("Beta")));
    EXPECT_EQ(namesIn(store->setups()), (QStringList{"Alpha", "Theirs", "Beta"}));
    EXPECT_EQ(namesIn(open()->setups()), (QStringList{"Alpha", "Theirs", "Beta"})) << "the file keeps theirs";
    EXPECT_GE(changed.count(), 1);

    // Nothing changed outside since: catching up changes nothing.
    store->catchUp();
    EXPECT_EQ(store->setups().size(), 3u);
}

TEST_F(SetupStoreTest, markRunCountsEveryRunAndStampsOnlyTheRun) {
    auto store = open();
    const brisklet::Setup a = named("Alpha");
    store->upsert(a);
    const QDateTime updated = store->setups()[0].updatedAt;
    QSignalSpy counted(store.get(), &SetupStore::runCounted);
    clock.advance(30);
    ASSERT_TRUE(store->markRun(a.id));
    EXPECT_EQ(Prefs::intValue(Prefs::Key::setupsRun), 1);
    EXPECT_EQ(store->setups()[0].lastRunAt, QDateTime(QDate(2026, 12, 7), QTime(9, 0, 30), Qt::UTC));
    EXPECT_EQ(store->setups()[0].updatedAt, updated);

    QFile::remove(file());
    EXPECT_TRUE(store->markRun(QUuid::createUuid()));
    EXPECT_EQ(Prefs::intValue(Prefs::Key::setupsRun), 2);
    EXPECT_TRUE(QFile::exists(file()));
    EXPECT_EQ(counted.count(), 2);

    // The count stops at its largest value rather than wrapping to a negative one.
    Prefs::setValue(Prefs::Key::setupsRun, std::numeric_limits<int>::max());
    EXPECT_TRUE(store->markRun(a.id));
    EXPECT_EQ(Prefs::intValue(Prefs::Key::setupsRun), std::numeric_limits<int>::max());
}

TEST_F(SetupStoreTest, changesFromOtherThreadsArePublishedInOrder) {
    auto store = open();
    QSignalSpy published(store.get(), &SetupStore::setupsChanged);
    std::thread worker([&] {
        for (int i = 0; i < 20; ++i)
            store->upsert(named(QString("Worker %1").arg(i)));
        store->markRun(QUuid::createUuid());
    });
    worker.join();
    ASSERT_TRUE(store->upsert(named("Main")));
    EXPECT_EQ(store->setups().size(), 21u);
    // The late hops publish what the store holds by then, never an older list.
    QCoreApplication::processEvents();
    EXPECT_EQ(store->setups(), *store->snapshot());
    EXPECT_EQ(store->setups().size(), 21u);
    EXPECT_EQ(published.count(), 22);
    EXPECT_EQ(Prefs::intValue(Prefs::Key::setupsRun), 1);
}

namespace {

// Runs quit's hooks and ends the process, its code the number of lines logged that
// name `lost` as the changes to the setups that are lost. (On a full disk the log
// reaches no file, so it is counted here.)
void quitAndExit(LogCapture& log, const QString& lost) {
    log.clear();
    Termination::runHooks();
    std::_Exit(log.count(QStringLiteral("these changes to the setups are lost: ") + lost));
}

class SetupStoreWriteFaultTest : public ::testing::TestWithParam<FolderFault> {};

} // namespace

// On a full disk or in a folder that takes no writes, every change fails, says so,
// and leaves the list as the file has it; at quit the changes no later write made
// good are named again; once the folder takes writes, second tries land and a fresh
// start reads them.
TEST_P(SetupStoreWriteFaultTest, aChangeTheFileDoesNotTakeLeavesTheListAsTheFileHasItAndIsNamedAtQuit) {
    // Quit's hooks run once a process, so quit is checked in a child, which runs this
    // test again from its start: it first lifts the file size limit it inherits.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(liftInheritedFileSizeLimit());
    // The child leaves at once, its temporary folders behind: they go inside one of ours.
    QTemporaryDir scratch;
    ScopedEnv childTemp("TMPDIR", scratch.path().toUtf8());
    TempHome home;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    const QString folder = home.dataHome() + "/Brisklet";
    const QString file = folder + "/setups.json";
    ASSERT_TRUE(QDir().mkpath(folder));
    SetupStore store(file, scheduler);
    const brisklet::Setup keeper = named("Keeper", {"keeper"});
    ASSERT_TRUE(store.upsert(keeper));
    const SetupStore::List stored = store.setups();
    const QByteArray before = readBytes(file);

    brisklet::Setup edited = stored.front();
    edited.phrases << "back home";
    brisklet::Setup fulldisk = named("Fulldisk");
    {
        FolderWriteFault fault(folder, GetParam());
        ASSERT_TRUE(fault.holds()) << "the fault could not be set up, so the test cannot run";
        LogCapture log;
        QSignalSpy published(&store, &SetupStore::setupsChanged);
        EXPECT_FALSE(store.upsert(edited));
        EXPECT_FALSE(store.upsertUnderFreeName(fulldisk));
        EXPECT_FALSE(store.duplicate(keeper.id));
        EXPECT_FALSE(store.markRun(keeper.id));
        EXPECT_FALSE(store.remove(keeper.id));
        EXPECT_EQ(store.setups(), stored) << "the list as the file has it";
        EXPECT_EQ(*store.snapshot(), stored);
        EXPECT_EQ(published.count(), 0);
        EXPECT_EQ(readBytes(file), before);
        EXPECT_EQ(log.count("couldn't save " + file), 5) << log.messages().join('\n').toStdString();
        EXPECT_EXIT(quitAndExit(log,
                                "saving “Keeper”, saving “Fulldisk”, duplicating “Keeper”, the last run of "
                                "“Keeper”, deleting “Keeper”"),
                    ::testing::ExitedWithCode(1), "")
            << "named again at quit";
    }
    // Room is made: the second tries land, all but the delete.
    LogCapture log;
    EXPECT_TRUE(store.upsert(edited));
    brisklet::Setup again = named("Fulldisk"); // a second capture is a fresh setup
    EXPECT_TRUE(store.upsertUnderFreeName(again));
    EXPECT_TRUE(store.duplicate(keeper.id));
    EXPECT_TRUE(store.markRun(keeper.id));
    EXPECT_EXIT(quitAndExit(log, "deleting “Keeper”"), ::testing::ExitedWithCode(1), "")
        << "only what was never made good";
    const SetupStore next(file, scheduler);
    EXPECT_EQ(next.setups(), store.setups());
    EXPECT_EQ(namesIn(next.setups()), (QStringList{"Keeper", "Fulldisk", "Keeper copy"}));
    EXPECT_EQ(next.setups().front().phrases, (QStringList{"keeper", "back home"}));
}

INSTANTIATE_TEST_SUITE_P(Faults, SetupStoreWriteFaultTest,
                         ::testing::Values(FolderFault::fullDisk, FolderFault::readOnlyFolder),
                         [](const auto& info) { return faultName(info.param); });
