// The names setups are said by, kept apart as the file loads and as setups are
// saved: a later name said like an earlier one, or like another setup's phrase,
// takes a free copy name, and so does a copy or a save.
#include "setups/SetupStore.h"

#include "setups/SetupStoreFixture.h"
#include "support/LogCapture.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

using SetupStoreTest = SetupStoreFixture;

} // namespace

TEST_F(SetupStoreTest, aLaterNameSaidLikeAnEarlierOneIsRenamedAtLoadAndWrittenBack) {
    const brisklet::Setup desk = named("Desk setup");
    const brisklet::Setup deskAlike = named("Desk set up", {"standing"});
    const brisklet::Setup studio = named("Studio 2");
    const brisklet::Setup studioAlike = named("Studio two");
    const brisklet::Setup taken = named("Studio two copy");
    writeBytes(file(), fileOf({desk, deskAlike, studio, studioAlike, taken}));

    test::LogCapture log;
    auto store = open();
    EXPECT_EQ(namesIn(store->setups()), (QStringList{"Desk setup", "Desk set up copy", "Studio 2",
                                                     "Studio two copy 2", "Studio two copy"}));
    EXPECT_EQ(store->setups()[1].id, deskAlike.id);
    EXPECT_EQ(store->setups()[1].phrases, QStringList{"standing"});
    EXPECT_EQ(log.count("“Desk set up” is said like “Desk setup” — renamed “Desk set up copy”"), 1);
    EXPECT_EQ(log.count("“Studio two” is said like “Studio 2” — renamed “Studio two copy 2”"), 1);
    EXPECT_EQ(store->lookup("desk set up copy")->id, deskAlike.id);
    EXPECT_EQ(store->lookup("desk setup")->id, desk.id);

    // Written back: a second store reads the new names and renames nothing.
    log.clear();
    auto again = open();
    EXPECT_EQ(again->setups(), store->setups());
    EXPECT_EQ(log.count("is said like"), 0);
}

TEST_F(SetupStoreTest, duplicateAppendsANamedCopyWithoutPhrases) {
    auto store = open();
    brisklet::Setup focus = named("Focus", {"heads down"});
    focus.lastRunAt = QDateTime(QDate(2026, 12, 1), QTime(8, 0), Qt::UTC);
    focus.system.volume = 20;
    store->upsert(focus);
    store->upsert(named("focus copy"));
    clock.advance(60);
    ASSERT_TRUE(store->duplicate(focus.id));
    ASSERT_EQ(store->setups().size(), 3u);
    const brisklet::Setup copy = store->setups().back();
    EXPECT_EQ(copy.name, "Focus copy 2");
    EXPECT_NE(copy.id, focus.id);
    EXPECT_TRUE(copy.phrases.isEmpty());
    EXPECT_FALSE(copy.lastRunAt);
    EXPECT_EQ(copy.system.volume, 20);
    EXPECT_EQ(copy.createdAt, QDateTime(QDate(2026, 12, 7), QTime(9, 1), Qt::UTC));
    EXPECT_EQ(copy.updatedAt, copy.createdAt);

    // An unknown id appends nothing but still saves and publishes.
    QSignalSpy published(store.get(), &SetupStore::setupsChanged);
    QFile::remove(file());
    EXPECT_TRUE(store->duplicate(QUuid::createUuid()));
    EXPECT_EQ(store->setups().size(), 3u);
    EXPECT_EQ(published.count(), 1);
    EXPECT_TRUE(QFile::exists(file()));

    EXPECT_EQ(SetupStore::copyName("Focus", {"Focus"}), "Focus copy");
    EXPECT_EQ(SetupStore::copyName("Focus", {"Focus", "focus copy"}), "Focus copy 2");
    EXPECT_EQ(SetupStore::copyName("Focus", {"FOCUS COPY", "Focus copy 2!", "x"}), "Focus copy 3");
}

// A copy name that is another setup's phrase would run that setup when said.
TEST_F(SetupStoreTest, aCopyNameIsNeverAnotherSetupsPhrase) {
    const brisklet::Setup reading = named("Reading");
    const brisklet::Setup novel = named("Novel", {"Reading copy"});
    const brisklet::Setup readingAgain = named("reading");
    writeBytes(file(), fileOf({reading, novel, readingAgain}));

    auto store = open();
    EXPECT_EQ(namesIn(store->setups()), (QStringList{"Reading", "Novel", "reading copy 2"}));
    ASSERT_TRUE(store->duplicate(reading.id));
    EXPECT_EQ(store->setups().back().name, "Reading copy 3");

    // The editor's and the capture review's save.
    const auto stored = store->setups();
    EXPECT_EQ(SetupStore::nameForSave(named("READING"), stored), "READING copy 4");
    EXPECT_EQ(SetupStore::nameForSave(named("reading copy!"), stored), "reading copy! copy")
        << "a name that is another setup's phrase";
    brisklet::Setup ownPhrase = novel;
    ownPhrase.name = "Reading copy";
    EXPECT_EQ(SetupStore::nameForSave(ownPhrase, stored), "Reading copy") << "its own phrase";
}

// A file written before copy names kept clear of phrases: a name said like another
// setup's phrase would be heard as that phrase, so the name gives way.
TEST_F(SetupStoreTest, aNameSaidLikeAnotherSetupsPhraseIsRenamedAtLoadAndWrittenBack) {
    const brisklet::Setup reading = named("Reading");
    const brisklet::Setup library = named("Library", {"reading copy", "library"});
    const brisklet::Setup readingCopy = named("Reading copy");
    const brisklet::Setup everyDay = named("Every day", {"daily"});
    const brisklet::Setup morning = named("Morning", {"everyday"});
    // Before the phrase's owner in the file, and beside a name said the same.
    const brisklet::Setup focus = named("Focus");
    const brisklet::Setup deep = named("Deep", {"focus"});
    const brisklet::Setup focusAgain = named("focus");
    writeBytes(file(), fileOf({reading, library, readingCopy, everyDay, morning, focus, deep, focusAgain}));

    test::LogCapture log;
    auto store = open();
    EXPECT_EQ(namesIn(store->setups()),
              (QStringList{"Reading", "Library", "Reading copy copy", "Every day copy", "Morning",
                           "Focus copy", "Deep", "focus copy 2"}));
    EXPECT_EQ(log.count("“Reading copy” is said like “reading copy”, a phrase of “Library” — renamed "
                        "“Reading copy copy”"),
              1);
    EXPECT_EQ(
        log.count("“Every day” is said like “everyday”, a phrase of “Morning” — renamed “Every day copy”"),
        1);
    EXPECT_EQ(store->setups()[3].phrases, QStringList{"daily"}) << "only the name gives way";
    EXPECT_EQ(store->setups()[1].phrases, library.phrases) << "the phrase's owner keeps it, and its own name";
    EXPECT_EQ(store->lookup("reading copy copy")->id, readingCopy.id);
    EXPECT_EQ(store->lookup("every day copy")->id, everyDay.id);
    for (const brisklet::Setup& s : store->setups())
        for (const brisklet::Setup& other : store->setups())
            for (const QString& phrase : other.phrases)
                EXPECT_TRUE(s.id == other.id || !SetupStore::saidAlike(s.name, phrase))
                    << s.name.toStdString() << " / " << phrase.toStdString();

    // Written back: a second store reads the new names and renames nothing.
    log.clear();
    auto again = open();
    EXPECT_EQ(again->setups(), store->setups());
    EXPECT_EQ(log.count("is said like"), 0);
}

// A recogniser writes "everyday" as "every day" as often as not.
TEST_F(SetupStoreTest, aCompoundAndItsPartsWrittenApartAreOneSpokenName) {
    writeBytes(file(), fileOf({named("Everyday"), named("Night", {"bed time"}), named("Every day"),
                               named("Now here"), named("No where"), named("Studio2"), named("Studio 2")}));
    auto store = open();
    EXPECT_EQ(namesIn(store->setups()), (QStringList{"Everyday", "Night", "Every day copy", "Now here",
                                                     "No where", "Studio2", "Studio 2"}))
        << "a space moved, or a number, makes another name";
    EXPECT_EQ(store->lookup("every day")->name, "Everyday");

    const auto stored = store->setups();
    EXPECT_EQ(SetupStore::nameForSave(named("Bedtime"), stored), "Bedtime copy");
    EXPECT_EQ(SetupStore::nameForSave(named("Every Day"), stored), "Every Day copy 2");
    EXPECT_EQ(SetupStore::nameForSave(named("Nowhere"), stored), "Nowhere copy");
    EXPECT_EQ(SetupStore::nameForSave(named("Studio 2 copy"), stored), "Studio 2 copy");
}

// A name another program took a moment ago, before the store read the file, is not
// stored twice: the file would give the later one a copy name at its next load,
// behind the back of whoever said "Saved".
TEST_F(SetupStoreTest, aSaveUnderAFreeNameIsNamedBesideWhatTheFileHoldsAsItIsWritten) {
    auto store = open();
    replaceFromOutside(fileOf({named("Dusk", {"sundown"})}));
    brisklet::Setup mine = named("dusk");
    ASSERT_TRUE(store->upsertUnderFreeName(mine));
    EXPECT_EQ(mine.name, "dusk copy");
    EXPECT_EQ(mine.updatedAt, QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC));
    EXPECT_EQ(namesIn(store->setups()), (QStringList{"Dusk", "dusk copy"}));
    EXPECT_EQ(store->setups().back(), mine) << "handed back as stored";

    // Its own name again, on an update.
    mine.name = "Dusk copy";
    ASSERT_TRUE(store->upsertUnderFreeName(mine));
    EXPECT_EQ(mine.name, "Dusk copy");
    test::LogCapture log;
    auto again = open();
    EXPECT_EQ(again->setups(), store->setups());
    EXPECT_EQ(log.count("is said like"), 0);
}
