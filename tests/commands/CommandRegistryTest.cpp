#include "commands/CommandRegistry.h"

#include "base/JsonFile.h"
#include "base/Paths.h"
#include "support/TempHome.h"

#include "support/FileBytes.h"
#include "support/FileFaults.h"
#include "support/LogCapture.h"
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace brisklet;

namespace {

const auto& writeText = test::writeBytes;
const auto& readText = test::readBytes;

std::vector<QString> ids(const CommandRegistry& r) {
    std::vector<QString> out;
    for (const auto& e : r.entries())
        out.push_back(e.id);
    return out;
}

std::vector<QString> builtInIds() {
    std::vector<QString> out;
    for (const auto& e : CommandRegistry::defaults())
        out.push_back(e.id);
    return out;
}

class CommandsFile : public ::testing::Test {
protected:
    test::TempHome home;
    void SetUp() override { ASSERT_TRUE(Paths::ensure()); }
    QString file() const { return Paths::commandsJSON(); }
    QString backup() const { return Paths::dataFolder() + "/commands-corrupt-backup.json"; }
};

} // namespace

TEST(CommandRegistry, BuiltInsAreTheTwentyOneCommands) {
    const auto& d = CommandRegistry::defaults();
    ASSERT_EQ(d.size(), 21u);
    EXPECT_EQ(d.front().id, "sort");
    EXPECT_EQ(d[13].phrases, QStringList({"lock screen", "lock my computer"}));
    EXPECT_EQ(d.back().id, "previous-song");
    for (const auto& e : d) {
        EXPECT_TRUE(e.enabled);
        EXPECT_TRUE(e.params.isEmpty());
        EXPECT_TRUE(CommandRegistry::action(e)) << e.id.toStdString();
    }
}

TEST(CommandRegistry, ActionStrings) {
    auto of = [](const char* action, QMap<QString, QString> params = {}) {
        return CommandRegistry::action(CommandEntry{"x", {"x"}, action, params, true});
    };
    EXPECT_EQ(of("sort"), Action::sortAll());
    EXPECT_EQ(of("sortAll"), Action::sortAll());
    EXPECT_EQ(of("leftHalf"), Action::moveWindow(WindowPosition::left));
    EXPECT_EQ(of("unmute"), Action::mute(false));
    EXPECT_EQ(of("mediaPrevious"), Action::mediaControl(MediaOp::previous));
    EXPECT_EQ(of("openApp", {{"name", "Firefox"}}), Action::openApp("Firefox"));
    EXPECT_EQ(of("openApp", {{"name", ""}}), Action::openApp(""));
    EXPECT_EQ(of("openApp"), std::nullopt);
    EXPECT_EQ(of("runShortcut", {{"name", "Backup"}}), Action::runShortcut("Backup"));
    EXPECT_EQ(of("runShortcut", {{"title", "Backup"}}), std::nullopt);
    EXPECT_EQ(of("Mute"), std::nullopt);
    EXPECT_EQ(of("mediaPlayPause"), std::nullopt);
}

TEST_F(CommandsFile, MissingFileGivesTheBuiltInsAndCreatesIt) {
    CommandRegistry r;
    QSignalSpy spy(&r, &CommandRegistry::entriesChanged);
    r.load();
    EXPECT_EQ(ids(r), builtInIds());
    EXPECT_GE(spy.count(), 1);
    ASSERT_TRUE(QFile::exists(file()));
    // Keys sorted in every object.
    const QByteArray text = readText(file());
    const qsizetype a = text.indexOf("\"action\""), e = text.indexOf("\"enabled\""),
                    i = text.indexOf("\"id\""), p = text.indexOf("\"params\""),
                    ph = text.indexOf("\"phrases\"");
    EXPECT_TRUE(a < e && e < i && i < p && p < ph);
    EXPECT_FALSE(QFile::exists(backup()));
}

TEST_F(CommandsFile, EmptyArrayIsReplacedByTheBuiltIns) {
    writeText(file(), "[]");
    CommandRegistry r;
    r.load();
    EXPECT_EQ(ids(r), builtInIds());
    EXPECT_EQ(JsonFile::read(file()).document.array().size(), 21);
}

TEST_F(CommandsFile, UndecodableOrPartlyValidFilesAreBackedUpBeforeTheBuiltInsReplaceThem) {
    struct Case {
        const char* name;
        QByteArray text;
    };
    const Case cases[] = {
        {"malformed", "[{\"id\": "},
        {"not an array", "{\"id\": \"x\"}"},
        {"missing enabled", R"([{"id":"mute","phrases":["shh"],"action":"mute","params":{}}])"},
        {"one bad entry of two",
         R"([{"id":"a","phrases":["a"],"action":"mute","params":{},"enabled":true},
             {"id":"b","phrases":["b", 3],"action":"mute","params":{},"enabled":true}])"},
        {"number param",
         R"([{"id":"a","phrases":["a"],"action":"openApp","params":{"name":1},"enabled":true}])"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(backup());
        writeText(file(), c.text);
        test::LogCapture log;
        CommandRegistry r;
        r.load();
        EXPECT_EQ(ids(r), builtInIds());
        EXPECT_EQ(readText(backup()), c.text);
        EXPECT_EQ(log.count("kept the undecodable commands.json as " + backup()), 1);
        EXPECT_EQ(JsonFile::read(file()).document.array().size(), 21);
    }
}

TEST_F(CommandsFile, ASecondCorruptFileKeepsTheFirstBackup) {
    writeText(file(), "first {");
    CommandRegistry r;
    r.load();
    writeText(file(), "second {");
    r.load();
    EXPECT_EQ(readText(backup()), "second {");
    const QStringList kept = QDir(Paths::dataFolder()).entryList({"commands-corrupt-backup-*.json"});
    ASSERT_EQ(kept.size(), 1);
    EXPECT_EQ(readText(Paths::dataFolder() + "/" + kept.first()), "first {");
}

TEST_F(CommandsFile, UnreadableFileIsNeverOverwritten) {
    // A folder in the file's place cannot be read (and the tests may run as root).
    QDir().mkpath(file());
    CommandRegistry r;
    r.load();
    EXPECT_EQ(ids(r), builtInIds());
    EXPECT_TRUE(QFileInfo(file()).isDir());
    EXPECT_FALSE(r.save());
    EXPECT_FALSE(r.update(CommandEntry{"x", {"x"}, "mute", {}, true}));
    EXPECT_EQ(r.entries().back().id, "x"); // the change still holds in memory
}

TEST_F(CommandsFile, AnUndecodableFileThatCouldNotBeBackedUpIsNeverReplaced) {
    // Bigger than the files may grow below, so only its copy fails.
    const QByteArray broken = "[{\"id\": " + QByteArray(256 * 1024, ' ');
    writeText(file(), broken);
    {
        test::FileSizeLimit limit(64 * 1024);
        test::LogCapture log;
        CommandRegistry r;
        r.load();
        EXPECT_EQ(log.count("commands-corrupt-backup"), 0)
            << "no backup was kept: " << log.messages().join(" | ").toStdString();
        EXPECT_EQ(ids(r), builtInIds());
        EXPECT_FALSE(r.save());
        EXPECT_FALSE(r.update(CommandEntry{"x", {"x"}, "mute", {}, true}));
        EXPECT_EQ(r.entries().back().id, "x"); // the change still holds in memory
    }
    EXPECT_EQ(readText(file()), broken);
}

TEST_F(CommandsFile, APipeInPlaceOfTheFileIsNeitherOpenedNorReplaced) {
    ASSERT_TRUE(test::makePipe(file()));
    CommandRegistry r;
    r.load(); // must not wait for a writer
    EXPECT_EQ(ids(r), builtInIds());
    EXPECT_FALSE(r.update(CommandEntry{"x", {"x"}, "mute", {}, true}));
    EXPECT_FALSE(QFileInfo(file()).isFile());
    EXPECT_FALSE(QFile::exists(backup()));
}

TEST_F(CommandsFile, StoredEntriesWinAndMissingBuiltInsAreAppended) {
    writeText(file(),
              R"([{"id":"mute","phrases":["shush"],"action":"mute","params":{},"enabled":false,"extra":1}])");
    CommandRegistry r;
    r.load();
    ASSERT_EQ(r.entries().size(), 21u);
    EXPECT_EQ(r.entries().front(), (CommandEntry{"mute", {"shush"}, "mute", {}, false}));
    EXPECT_EQ(r.entries()[1].id, "sort");
    EXPECT_EQ(JsonFile::read(file()).document.array().size(), 21); // saved
    EXPECT_FALSE(r.hasPhrase("shush"));                            // disabled
    EXPECT_EQ(r.enabledEntries().size(), 20u);
}

TEST_F(CommandsFile, ACompleteFileIsLoadedUnchangedAndNotRewritten) {
    CommandRegistry first;
    first.load();
    ASSERT_TRUE(first.update(CommandEntry{"mine", {"Open Notes"}, "openApp", {{"name", "Notes"}}, true}));
    const QByteArray before = readText(file());
    writeText(file(), before + "\n"); // a byte that a rewrite would remove
    CommandRegistry second;
    second.load();
    EXPECT_EQ(second.entries(), first.entries());
    EXPECT_EQ(readText(file()), before + "\n");
}

TEST_F(CommandsFile, UpdateReplacesInPlaceOrAppends) {
    CommandRegistry r;
    r.load();
    CommandEntry changed = r.entries()[2];
    changed.phrases = {"snap west"};
    ASSERT_TRUE(r.update(changed));
    EXPECT_EQ(r.entries()[2].phrases, QStringList({"snap west"}));
    EXPECT_EQ(r.entries().size(), 21u);
    ASSERT_TRUE(r.update(CommandEntry{"new", {"hello"}, "mute", {}, true}));
    EXPECT_EQ(r.entries().back().id, "new");
    CommandRegistry reread;
    reread.load();
    EXPECT_EQ(reread.entries(), r.entries());
    // Phrases are compared normalised, and the cache follows edits.
    EXPECT_TRUE(r.hasPhrase("snap west"));
    EXPECT_FALSE(r.hasPhrase("snap left"));
}
