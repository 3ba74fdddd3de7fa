// The Commands pane's rules: which setups a search shows and in what order, their
// captions, the families kept open across launches in the settings file, the map
// from help rows to editable commands, and edits reaching commands.json, or said
// not to when it can't be written.
#include "ui/home/CommandsPaneModel.h"

#include "base/Prefs.h"
#include "base/Termination.h"
#include "commands/CommandRegistry.h"
#include "support/FileFaults.h"
#include "support/LogCapture.h"
#include "support/ScopedEnv.h"
#include "support/SetupRecords.h"
#include "support/TempHome.h"
#include "ui/home/CommandEdits.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimeZone>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QDateTime day = QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC);

QSet<QString> set(QStringList list) {
    return QSet<QString>(list.begin(), list.end());
}

// What another process finds in the settings file.
QVariant storedInFile() {
    Prefs::sync();
    QSettings file(Prefs::settingsPath(), QSettings::IniFormat);
    return file.value(Prefs::Key::commandsExpanded);
}

QJsonArray commandsFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(file.readAll()).array();
}

class CommandsPaneModelTest : public ::testing::Test {
protected:
    test::TempHome home;
    QTemporaryDir dir;
    CommandRegistry registry{dir.filePath("commands.json")};
    void SetUp() override { registry.load(); }

    const CommandEntry* entry(const QString& id) const {
        for (const auto& e : registry.entries())
            if (e.id == id)
                return &e;
        return nullptr;
    }
};

} // namespace

TEST_F(CommandsPaneModelTest, SetupsAreNewestFirstAndASearchMatchesNamesAndPhrasesIgnoringCase) {
    const std::vector<brisklet::Setup> setups{
        setupNamed("Focus", day.addDays(-9), std::nullopt, {"get to work"}),
        setupNamed("Work mode", day.addDays(-30), day.addDays(-1)),
        setupNamed("Evening", day),
        setupNamed("Homework", day.addDays(-3)),
    };
    EXPECT_EQ(namesOf(CommandsPaneModel::setupsMatching("", setups)),
              QStringList({"Evening", "Work mode", "Homework", "Focus"}));
    EXPECT_EQ(namesOf(CommandsPaneModel::setupsMatching("WORK", setups)),
              QStringList({"Work mode", "Homework", "Focus"}));
    EXPECT_EQ(namesOf(CommandsPaneModel::setupsMatching(" \t work ", setups)),
              QStringList({"Work mode", "Homework", "Focus"}));
    EXPECT_EQ(CommandsPaneModel::setupsMatching("   ", setups).size(), 4u) << "spaces only: every setup";
    EXPECT_TRUE(CommandsPaneModel::setupsMatching("zzz", setups).empty());
}

TEST_F(CommandsPaneModelTest, ASpacesOnlySearchIsNotSearchingButStillFiltersTheFamiliesAsTyped) {
    CommandsPaneModel model;
    model.setRegistry(&registry);
    model.setQuery("   ");
    EXPECT_FALSE(model.searching());
    const auto all = CommandCatalog::grouped("   ");
    EXPECT_EQ(model.groups().size(), static_cast<qsizetype>(all.size()));
    model.setQuery("volume");
    EXPECT_TRUE(model.searching());
    const auto groups = model.groups();
    ASSERT_FALSE(groups.isEmpty());
    const auto first = groups[0].toMap();
    EXPECT_EQ(first["count"].toInt(), first["docs"].toList().size()) << "the count is of the rows shown";
}

TEST_F(CommandsPaneModelTest, CaptionsUseTheEffectsOrCountTheWindows) {
    brisklet::Setup setup = setupNamed("Plain", day);
    EXPECT_EQ(CommandsPaneModel::setupCaption(setup), "Opens 0 windows");
    setup.items.resize(1);
    EXPECT_EQ(CommandsPaneModel::setupCaption(setup), "Opens 1 window");
    setup.items.resize(3);
    EXPECT_EQ(CommandsPaneModel::setupCaption(setup), "Opens 3 windows");
    setup.closeOthers = true;
    EXPECT_EQ(CommandsPaneModel::setupCaption(setup), "closes everything else");

    CommandEntry noName{"custom-1", {"x"}, "openApp", {}, true};
    EXPECT_EQ(CommandsPaneModel::commandCaption(noName), "Opens ");
    noName.action = "runShortcut";
    EXPECT_EQ(CommandsPaneModel::commandCaption(noName), "Runs Shortcut “”");
    noName.params["name"] = "Backup";
    EXPECT_EQ(CommandsPaneModel::commandCaption(noName), "Runs Shortcut “Backup”");
}

TEST_F(CommandsPaneModelTest, OpenFamiliesRoundTripThroughTheSettingsFile) {
    EXPECT_EQ(CommandsPaneModel::loadExpanded(), set({"Setups", "Windows"})) << "nothing stored";

    CommandsPaneModel::storeExpanded({});
    Prefs::reset();
    EXPECT_TRUE(CommandsPaneModel::loadExpanded().isEmpty()) << "an empty list stays empty";

    CommandsPaneModel::storeExpanded({"Music"});
    Prefs::reset();
    EXPECT_EQ(CommandsPaneModel::loadExpanded(), set({"Music"})) << "one family stays one family";

    Prefs::remove(Prefs::Key::commandsExpanded);
    CommandsPaneModel model;
    model.setExpanded("Apps", true);
    model.setExpanded("Setups", false);
    EXPECT_EQ(storedInFile().toStringList(), QStringList({"Apps", "Windows"}));
    Prefs::reset();
    EXPECT_EQ(CommandsPaneModel::loadExpanded(), set({"Apps", "Windows"}));

    Prefs::setValue(Prefs::Key::commandsExpanded, QStringList{"Ask", "Nonsense"});
    EXPECT_EQ(CommandsPaneModel::loadExpanded(), set({"Ask", "Nonsense"}))
        << "unknown names are carried along";
    Prefs::setValue(Prefs::Key::commandsExpanded, 7);
    EXPECT_EQ(CommandsPaneModel::loadExpanded(), set({"Setups", "Windows"})) << "not a list: the default";
}

TEST_F(CommandsPaneModelTest, PreviewsTakeTheFirstExampleOfTheFirstTwoRows) {
    const CommandDoc none{CommandGroup::apps, "A", "", {}};
    const CommandDoc one{CommandGroup::apps, "B", "", {"open mail", "open chat"}};
    const CommandDoc third{CommandGroup::apps, "C", "", {"never"}};
    EXPECT_EQ(CommandsPaneModel::previewPhrases({none, one, third}), QStringList({"open mail"}));
    EXPECT_EQ(CommandsPaneModel::previewPhrases({one}), QStringList({"open mail"}));
    EXPECT_TRUE(CommandsPaneModel::previewPhrases({}).isEmpty());
}

TEST_F(CommandsPaneModelTest, EveryMappedTitleIsAHelpRowAndEveryIdABuiltIn) {
    QStringList titles;
    for (const auto& doc : CommandCatalog::all())
        titles << doc.title;
    EXPECT_EQ(CommandsPaneModel::registryMap().size(), 16u);
    for (const auto& [title, ids] : CommandsPaneModel::registryMap()) {
        EXPECT_TRUE(titles.contains(title)) << title.toStdString();
        EXPECT_EQ(CommandsPaneModel::docEntries(title, CommandRegistry::defaults()).size(),
                  static_cast<std::size_t>(ids.size()))
            << title.toStdString();
    }
}

TEST_F(CommandsPaneModelTest, FieldsAreLabelledFromTheIdsOnlyWhenThereAreSeveral) {
    CommandsPaneModel model;
    model.setRegistry(&registry);
    const auto volume = model.fieldsFor("Volume");
    ASSERT_EQ(volume.size(), 2);
    EXPECT_EQ(volume[0].toMap()["label"], "volume up");
    EXPECT_EQ(volume[1].toMap()["label"], "volume down");
    const auto center = model.fieldsFor("Center");
    ASSERT_EQ(center.size(), 1);
    EXPECT_EQ(center[0].toMap()["label"], "");
    EXPECT_TRUE(model.fieldsFor("Open an app").isEmpty());

    auto entries = registry.entries();
    std::erase_if(entries, [](const auto& e) { return e.id == "volume-up" || e.id == "volume-down"; });
    registry.setEntries(entries);
    EXPECT_TRUE(model.fieldsFor("Volume").isEmpty()) << "no commands left: no editors";
}

TEST_F(CommandsPaneModelTest, ACommittedFieldRewritesCommandsJsonAndAnUnchangedOneLeavesItAlone) {
    CommandsPaneModel model;
    model.setRegistry(&registry);
    const QString path = dir.filePath("commands.json");
    ASSERT_TRUE(entry("center"));
    const QString stored = entry("center")->phrases.join(", ");
    const auto before = commandsFile(path);
    int published = 0;
    QObject::connect(&registry, &CommandRegistry::entriesChanged, [&] { ++published; });
    EXPECT_EQ(model.commitPhrases("center", " " + stored.toUpper() + " ,"), stored);
    EXPECT_EQ(published, 0) << "an unchanged list is not stored";
    EXPECT_EQ(commandsFile(path), before);

    EXPECT_EQ(model.commitPhrases("center", "Middle, centre it"), "Middle, centre it");
    ASSERT_TRUE(entry("center"));
    EXPECT_EQ(entry("center")->phrases, QStringList({"middle", "centre it"}));
    bool found = false;
    for (const auto& value : commandsFile(path)) {
        if (value.toObject()["id"] == "center") {
            found = true;
            EXPECT_EQ(value.toObject()["phrases"].toArray(), QJsonArray({"middle", "centre it"}));
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(CommandsPaneModelTest, AddedCommandsAreListedInRegistryOrderAndDeletedFromTheFile) {
    CommandsPaneModel model;
    model.setRegistry(&registry);
    EXPECT_TRUE(model.customRows().isEmpty());
    EXPECT_FALSE(model.addCommand("  ", "openApp", "Firefox", ""));
    EXPECT_TRUE(model.addCommand("Work Mode", "openApp", "Firefox", ""));
    EXPECT_TRUE(model.addCommand("Backup", "runShortcut", "", "Nightly"));
    const auto rows = model.customRows();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].toMap()["caption"], "Opens Firefox");
    EXPECT_EQ(rows[1].toMap()["caption"], "Runs Shortcut “Nightly”");
    EXPECT_EQ(commandsFile(dir.filePath("commands.json")).size(),
              static_cast<qsizetype>(CommandRegistry::defaults().size() + 2));

    model.setQuery("zzz");
    EXPECT_EQ(model.customRows().size(), 2) << "the search never hides added commands";

    model.deleteCommand(rows[0].toMap()["id"].toString());
    model.deleteCommand(rows[1].toMap()["id"].toString());
    EXPECT_TRUE(model.customRows().isEmpty());
    for (const auto& value : commandsFile(dir.filePath("commands.json")))
        EXPECT_FALSE(value.toObject()["id"].toString().startsWith("custom-"));
}

// A full disk: the sheet's Add stores nothing and says why, for the sheet to stay
// open as typed; no row shows and no phrase acts that the next start would lack.
TEST_F(CommandsPaneModelTest, ACommandThatCannotBeSavedIsNotAddedAndTheSheetIsToldWhy) {
    CommandsPaneModel model;
    model.setRegistry(&registry);
    const QString path = dir.filePath("commands.json");
    const auto before = commandsFile(path);
    bool added = true;
    {
        FileSizeLimit full(16);
        added = model.addCommand("Launch my calc", "openApp", "Galculator", "");
    }
    EXPECT_FALSE(added);
    EXPECT_EQ(model.addFailure(), "Couldn't save “launch my calc” — the commands file can't be written");
    EXPECT_TRUE(model.customRows().isEmpty());
    EXPECT_FALSE(registry.hasPhrase("launch my calc"));
    EXPECT_EQ(commandsFile(path), before);

    // Once the disk takes it again, the same press adds it and the line goes.
    EXPECT_TRUE(model.addCommand("Launch my calc", "openApp", "Galculator", ""));
    EXPECT_EQ(model.addFailure(), "");
    EXPECT_EQ(model.customRows().size(), 1);
    EXPECT_EQ(commandsFile(path).size(), before.size() + 1);
}

// A full disk: the field keeps what was typed and is marked, the command keeps the
// phrases that were saved; the next commit that is saved clears the mark.
TEST_F(CommandsPaneModelTest, PhrasesThatCannotBeSavedStayInTheFieldAndTheStoredOnesStillAct) {
    CommandsPaneModel model;
    model.setRegistry(&registry);
    const QString path = dir.filePath("commands.json");
    ASSERT_TRUE(entry("center"));
    const QStringList stored = entry("center")->phrases;
    const auto before = commandsFile(path);
    QString shown;
    {
        FileSizeLimit full(16);
        shown = model.commitPhrases("center", "Middle, centre it");
    }
    EXPECT_EQ(shown, "Middle, centre it");
    EXPECT_EQ(model.unsavedPhrases(), QVariantMap({{"center", "Middle, centre it"}}));
    ASSERT_TRUE(entry("center"));
    EXPECT_EQ(entry("center")->phrases, stored);
    EXPECT_FALSE(registry.hasPhrase("middle"));
    EXPECT_EQ(commandsFile(path), before);

    EXPECT_EQ(model.commitPhrases("center", "Middle, centre it"), "Middle, centre it");
    EXPECT_TRUE(model.unsavedPhrases().isEmpty());
    EXPECT_EQ(entry("center")->phrases, QStringList({"middle", "centre it"}));
}

// The failure line goes with the text that failed: a field made afresh (Done, then
// Edit phrases) gets that text back with its line, never the stored phrases with it.
TEST_F(CommandsPaneModelTest, AFieldMadeAfreshAfterAFailedSaveHoldsTheTextThatFailed) {
    CommandsPaneModel model;
    model.setRegistry(&registry);
    ASSERT_TRUE(entry("center"));
    const QString stored = CommandEdits::joined(entry("center")->phrases);
    {
        FileSizeLimit full(16);
        model.commitPhrases("center", "Middle, centre it");
    }
    const auto field = model.fieldsFor("Center").value(0).toMap();
    EXPECT_EQ(field["text"], "Middle, centre it");
    EXPECT_EQ(model.unsavedPhrases().value("center"), field["text"]) << "its line shows under it";

    // Typed back to what is stored: nothing to save, nothing unsaved.
    EXPECT_EQ(model.commitPhrases("center", stored), stored);
    EXPECT_TRUE(model.unsavedPhrases().isEmpty());
    EXPECT_EQ(model.fieldsFor("Center").value(0).toMap()["text"], stored);
}

// A full disk: a deleted command keeps its row, which says it was not deleted, and
// its phrase still acts, as it will at the next start; once the disk takes it, the
// same press deletes it.
TEST_F(CommandsPaneModelTest, ACommandWhoseDeleteCannotBeSavedKeepsItsRowWhichSaysWhy) {
    CommandsPaneModel model;
    model.setRegistry(&registry);
    ASSERT_TRUE(model.addCommand("Launch my calc", "openApp", "Galculator", ""));
    const QString path = dir.filePath("commands.json");
    const auto before = commandsFile(path);
    const QString id = model.customRows().value(0).toMap()["id"].toString();
    bool deleted = true;
    {
        FileSizeLimit full(16);
        deleted = model.deleteCommand(id);
    }
    EXPECT_FALSE(deleted);
    ASSERT_EQ(model.customRows().size(), 1);
    EXPECT_EQ(model.customRows()[0].toMap()["failure"],
              "Couldn't delete “launch my calc” — the commands file can't be written");
    EXPECT_TRUE(registry.hasPhrase("launch my calc"));
    EXPECT_EQ(commandsFile(path), before);

    EXPECT_TRUE(model.deleteCommand(id));
    EXPECT_TRUE(model.customRows().isEmpty());
    EXPECT_EQ(commandsFile(path).size(), before.size() - 1);
}

namespace {

// Runs quit's hooks and ends the process, its code the number of lines they logged
// about commands.json. (On a full disk the log reaches no file, so it is counted here.)
void quitAndExit(LogCapture& log) {
    log.clear();
    Termination::runHooks();
    std::_Exit(log.count("commands.json"));
}

} // namespace

// What could not be saved is logged as it fails and again at quit, when it is lost;
// once a later save takes, nothing is lost at quit. A failed add, taken back at once,
// loses nothing at quit either.
TEST(CommandsPaneModelQuit, ACommandThatCouldNotBeSavedIsLoggedAgainAtQuit) {
    // Quit's hooks run once a process, so quit is checked in a child, which runs this
    // test again from its start: it first lifts the file size limit it inherits.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(liftInheritedFileSizeLimit());
    ChildTempFolder childTemp;
    TempHome home;
    QTemporaryDir dir;
    CommandRegistry registry(dir.filePath("commands.json"));
    registry.load();
    CommandsPaneModel model;
    model.setRegistry(&registry);
    LogCapture log;
    {
        FileSizeLimit full(16);
        EXPECT_FALSE(model.addCommand("launch my calc", "openApp", "Galculator", ""));
        EXPECT_EQ(log.count("commands.json"), 1) << log.messages().join('\n').toStdString();
        EXPECT_EXIT(quitAndExit(log), ::testing::ExitedWithCode(0), "")
            << "the add was taken back: nothing of it is lost at quit";
        auto changed = registry.entries();
        changed.front().phrases = QStringList{"tidy up"};
        registry.setEntries(std::move(changed));
        EXPECT_FALSE(registry.save());
        EXPECT_EXIT(quitAndExit(log), ::testing::ExitedWithCode(1), "") << "logged again at quit";
    }
    EXPECT_TRUE(model.addCommand("launch my calc", "openApp", "Galculator", ""));
    EXPECT_EXIT(quitAndExit(log), ::testing::ExitedWithCode(0), "") << "nothing is lost at quit";
}
