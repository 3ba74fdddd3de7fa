// One table of phrases and the plans they must give, read from fixtures/phrases.txt.
#include "CommandFakes.h"

#include "base/Text.h"
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/IntentMatcher.h"
#include "platform/linux/XdgInstalledApps.h"
#include "setups/SetupStore.h"
#include "support/FakeClock.h"
#include "support/FakeScheduler.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;

namespace {

const QString kFixtures = QStringLiteral(BRISKLET_TEST_SOURCE_DIR "/commands/fixtures");

struct Row {
    int line;
    QString phrase;
    QString expected;
};

std::vector<Row> readTable() {
    std::vector<Row> rows;
    QFile file(kFixtures + "/phrases.txt");
    if (!file.open(QIODevice::ReadOnly))
        return rows;
    int line = 0;
    while (!file.atEnd()) {
        ++line;
        const QString text = QString::fromUtf8(file.readLine()).chopped(1);
        if (text.trimmed().isEmpty() || text.startsWith('#'))
            continue;
        const qsizetype bar = text.lastIndexOf(" | ") >= 0 ? text.lastIndexOf(" | ") : text.indexOf("| ");
        const QString phrase = bar == 0 ? QString() : text.left(bar);
        const QString expected = text.mid(text.indexOf("| ", bar) + 2).trimmed();
        rows.push_back({line, phrase, expected});
    }
    return rows;
}

QString describe(const Plan& plan) {
    if (plan.empty())
        return "-";
    QStringList parts;
    for (const Action& a : plan)
        parts << debugDescription(a);
    return parts.join(" + ");
}

// The installed apps of the fixture tree, read through the real desktop-entry layer.
std::vector<platform::AppEntry> fixtureApps() {
    const QByteArray home = qgetenv("XDG_DATA_HOME"), dirs = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_HOME", (kFixtures + "/home").toUtf8());
    qputenv("XDG_DATA_DIRS", (kFixtures + "/system").toUtf8());
    platform::XdgInstalledApps installed;
    std::vector<platform::AppEntry> apps = installed.installedApps();
    qputenv("XDG_DATA_HOME", home);
    if (dirs.isEmpty())
        qunsetenv("XDG_DATA_DIRS");
    else
        qputenv("XDG_DATA_DIRS", dirs);
    return apps;
}

// The setups come from a copy of fixtures/setups.json, read by the real store.
QString copiedSetups(const QTemporaryDir& folder) {
    const QString path = folder.filePath("setups.json");
    QFile::copy(kFixtures + "/setups.json", path);
    return path;
}

class PhraseTable : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<CommandEntry> commands = {
            {"teleport", {"Next Display"}, "teleport", {}, true},
            {"wake", {"morning"}, "wakeUp", {}, true},
        };
        for (const CommandEntry& e : CommandRegistry::defaults())
            commands.push_back(e);
        commands.push_back({"notes", {"Notes, please!"}, "openApp", {{"name", "Notes"}}, true});
        commands.push_back({"backup", {"run backup"}, "runShortcut", {{"name", "Backup"}}, true});
        commands.push_back({"disco", {"disco time"}, "mute", {}, false});
        registry.setEntries(commands);

        installed.apps = fixtureApps();
        index.refresh();
        index.waitForScans();
    }

    CommandRegistry registry{"/nonexistent/commands.json"};
    test::FakeClock clock;
    test::FakeScheduler scheduler{clock};
    QTemporaryDir folder;
    SetupStore setups{copiedSetups(folder), scheduler};
    test::FakeLayouts layouts{{"coding", "Meeting Room"}};
    test::FakeInstalledApps installed;
    AppIndex index{&installed, nullptr, scheduler};
    IntentMatcher matcher{registry, setups, &layouts, &index};
};

} // namespace

TEST_F(PhraseTable, EveryPhraseGivesItsPlan) {
    // The fixture tree reads as the installed apps (NoDisplay left out, the home copy
    // of slack wins, a sub-folder entry gets a dashed ID).
    ASSERT_EQ(index.apps().size(), 10u);
    ASSERT_EQ(setups.setups().size(), 11u);
    QStringList names;
    for (const IndexedApp& app : index.apps())
        names << app.bundleID.value_or("?") + "=" + app.name;
    EXPECT_TRUE(names.contains("slack=Slack")) << names.join(", ").toStdString();
    EXPECT_TRUE(names.contains("kde4-konsole=Konsole"));
    EXPECT_FALSE(names.join(",").contains("Hidden Tool"));

    const std::vector<Row> rows = readTable();
    ASSERT_GT(rows.size(), 100u);
    for (const Row& row : rows) {
        EXPECT_EQ(describe(matcher.match(row.phrase)).toStdString(), row.expected.toStdString())
            << "phrases.txt:" << row.line << " \"" << row.phrase.toStdString() << "\"";
    }
}

// The executor looks a plan's setup up by the plan's name, in the same store: the
// words said where they are the setup's name, the stored name where they are a
// trigger phrase or say its number the other way.
TEST_F(PhraseTable, ASetupPlanFindsTheSetupThatWasSaid) {
    const std::pair<const char*, const char*> rows[] = {
        {"open deep work", "Deep Work"},
        {"close deep work", "Deep Work"},
        {"set up morning", "Morning"},
        {"stop morning setup", "Morning"},
        {"quit reading two", "Reading Two"},
        // The words said would find nothing, or another setup.
        {"open quiet time", "Reading"},
        {"close workout", "Gym"},
        {"kill focus time setup", "Deep Work"},
        {"run reading 2", "Reading Two"},
        {"open studio two", "Studio 2"},
        // "desk" alone names no setup: "setup" is part of this one's name.
        {"run desk setup", "Desk setup"},
        {"end desk setup", "Desk setup"},
        {"close desk setup", "Desk setup"},
    };
    for (const auto& [phrase, setup] : rows) {
        const Plan plan = matcher.match(phrase);
        ASSERT_EQ(plan.size(), 1u) << phrase;
        const auto found = setups.lookup(plan.front().name);
        EXPECT_EQ(found ? found->name.toStdString() : "nothing", setup)
            << phrase << " gives " << describe(plan).toStdString();
    }
}

TEST_F(PhraseTable, AnEmptyTranscriptTouchesNoStore) {
    test::FakeSetups setups{{{"Gym", {}}}};
    IntentMatcher matcher{registry, setups, &layouts, &index};
    layouts.reads = 0;
    EXPECT_TRUE(matcher.match(" ?! ").empty());
    EXPECT_EQ(setups.reads, 0);
    EXPECT_EQ(layouts.reads, 0);
}

TEST(IsExactCommand, EndsListeningOnlyOnCompleteCommands) {
    CommandRegistry registry{"/nonexistent/commands.json"};
    registry.setEntries({{"next", {"Next Display"}, "nextDisplay", {}, true},
                         {"odd", {"teleport me"}, "teleport", {}, true},
                         {"blank", {"!!!"}, "mute", {}, true}});
    test::FakeSetups setups{{{"Focus", {}},
                             {"Focus Mode", {}},
                             {"Pause", {}},
                             {"Morning", {"", "rise and shine"}},
                             {"Sort", {}}}};
    IntentMatcher matcher{registry, setups, nullptr, nullptr};
    const std::pair<const char*, bool> rows[] = {
        {"next display", true},   {"teleport me", true}, // the action is not looked at here
        {"focus", false},         {"focus mode", true},    {"pause", false},
        {"morning", true},        {"morning setup", true}, {"end morning", true},
        {"rise and shine", true}, {"sort", false},         {"", false},
        {"deep work", false},     {"next", false},
    };
    for (const auto& [phrase, expected] : rows)
        EXPECT_EQ(matcher.isExactCommand(phrase), expected) << phrase;
}

TEST(Inventory, HoldsSetupNamesAndNonEmptyPhrasesLayoutsAndApps) {
    CommandRegistry registry{"/nonexistent/commands.json"};
    test::FakeSetups setups{{{"Deep Work", {"", "Focus Time"}}, {"???", {"only phrase"}}}};
    test::FakeLayouts layouts{{"coding"}};
    test::FakeInstalledApps installed;
    installed.apps = {{"slack", "Slack", "/a/slack.desktop"}};
    test::FakeClock clock;
    test::FakeScheduler scheduler{clock};
    AppIndex index{&installed, nullptr, scheduler};
    index.refresh();
    index.waitForScans();
    IntentMatcher matcher{registry, setups, &layouts, &index};
    const IntentResolver::Inventory inv = matcher.inventory();
    const std::vector<IntentResolver::SetupKey> expected = {
        {"deep work", "Deep Work", {}}, {"focus time", "Deep Work", {}}, {"only phrase", "???", {}}};
    EXPECT_EQ(inv.setups, expected);
    EXPECT_EQ(inv.layouts, std::vector<QString>{"coding"});
    ASSERT_TRUE(inv.indexedApps);
    ASSERT_EQ(inv.indexedApps->size(), 1u);
    EXPECT_EQ(inv.indexedApps->front().name, "Slack");

    // Without a layout store or an app index they contribute nothing.
    IntentMatcher bare{registry, setups, nullptr, nullptr};
    EXPECT_TRUE(bare.inventory().layouts.empty());
    EXPECT_FALSE(bare.inventory().indexedApps);
}

TEST(IntentMatcher, SeesChangedSetupsOnTheNextCall) {
    CommandRegistry registry{"/nonexistent/commands.json"};
    test::FakeSetups setups{{{"Gym", {}}}};
    IntentMatcher matcher{registry, setups, nullptr, nullptr};
    EXPECT_EQ(matcher.match("gym"), Plan{Action::runSetup("Gym")});
    setups.set({{"Yoga", {"gym"}}});
    EXPECT_EQ(matcher.match("gym"), Plan{Action::runSetup("Yoga")});
}

// A question before "setup", fillers or not, names no setup, but a setup named so is
// still that setup.
TEST(IntentMatcher, AQuestionRunsOnlyASetupOfThatName) {
    CommandRegistry registry{"/nonexistent/commands.json"};
    test::FakeSetups setups{
        {{"How To", {}}, {"What Now", {}}, {"Deep Work", {}}, {"Attic", {"so is there"}}}};
    IntentMatcher matcher{registry, setups, nullptr, nullptr};
    const std::pair<const char*, const char*> rows[] = {
        {"how to set up", "runSetup(How To)"},
        {"what now setup", "runSetup(What Now)"},
        {"so is there setup", "runSetup(Attic)"},
        {"uh so is there a setup", "-"},
        {"what is a setup", "-"},
        {"can you run deep work setup", "-"},
    };
    for (const auto& [phrase, plan] : rows)
        EXPECT_EQ(describe(matcher.match(phrase)).toStdString(), plan) << phrase;
}
