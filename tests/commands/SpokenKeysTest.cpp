#include "CommandFakes.h"

#include "commands/CommandRegistry.h"
#include "commands/IntentMatcher.h"
#include "commands/SpokenKeys.h"

#include <gtest/gtest.h>

using namespace brisklet;

namespace {

std::string planOf(const IntentMatcher& matcher, const QString& heard) {
    QStringList parts;
    for (const Action& action : matcher.match(heard))
        parts << debugDescription(action);
    return parts.join(" + ").toStdString();
}

} // namespace

// A recogniser writes a compound as one word or in its parts, whichever way the
// setup's name or phrase was written.
TEST(SpokenKeysTest, theMatcherFindsASetupByACompoundHeardEitherWay) {
    CommandRegistry registry{"/nonexistent/commands.json"};
    registry.setEntries(CommandRegistry::defaults());
    test::FakeSetups setups({{"Studio", {"everyday"}}, {"Gym", {"work out"}}, {"Work", {}}});
    const IntentMatcher matcher(registry, setups, nullptr, nullptr);

    EXPECT_EQ(planOf(matcher, "every day"), "runSetup(Studio)");
    EXPECT_EQ(planOf(matcher, "every day setup"), "runSetup(Studio)");
    EXPECT_EQ(planOf(matcher, "end every day"), "endSetup(Studio)");
    EXPECT_EQ(planOf(matcher, "workout"), "runSetup(Gym)");
    EXPECT_EQ(planOf(matcher, "workout setup"), "runSetup(Gym)");
    // A pronoun heard before the words is no part of them.
    EXPECT_EQ(planOf(matcher, "it every day"), "runSetup(Studio)");
    EXPECT_EQ(planOf(matcher, "it workout"), "runSetup(Gym)");
    EXPECT_EQ(planOf(matcher, "work"), "runSetup(Work)") << "a part alone is not the compound";
}

// Ending a setup is never taken for running another whose name joins the verb to it.
TEST(SpokenKeysTest, aVerbBeforeASetupsNameIsNoCompound) {
    CommandRegistry registry{"/nonexistent/commands.json"};
    registry.setEntries(CommandRegistry::defaults());
    test::FakeSetups setups({{"Endgame", {}}, {"Game", {}}});
    const IntentMatcher matcher(registry, setups, nullptr, nullptr);

    EXPECT_EQ(planOf(matcher, "end game"), "endSetup(Game)");
    EXPECT_EQ(planOf(matcher, "end game setup"), "endSetup(Game)");
    EXPECT_EQ(planOf(matcher, "endgame"), "runSetup(Endgame)");
}

// Only words written together make one key of two: a space moved, or a number
// joined, is another name.
TEST(SpokenKeysTest, aCompoundIsItsWordsWrittenApartAndNothingElse) {
    EXPECT_TRUE(SpokenKeys::saidAlike("everyday", "every day"));
    EXPECT_TRUE(SpokenKeys::saidAlike("deep work time", "deepwork time"));
    EXPECT_TRUE(SpokenKeys::saidAlike("a b c", "abc"));
    EXPECT_FALSE(SpokenKeys::saidAlike("now here", "no where"));
    EXPECT_FALSE(SpokenKeys::saidAlike("studio 2", "studio2"));
    EXPECT_FALSE(SpokenKeys::saidAlike("every day", "every days"));
    EXPECT_FALSE(SpokenKeys::saidAlike("", ""));

    SpokenKeys keys;
    keys.insert("now here", "first");
    keys.insert("nowhere", "second");
    keys.insert("now here", "again");
    EXPECT_EQ(keys.value("now here"), "first");
    EXPECT_EQ(keys.value("nowhere"), "second") << "its own key before a compound's";
    EXPECT_EQ(keys.value("no where"), "second");
    EXPECT_FALSE(keys.contains(""));
    // Every key said alike, not only the first: own first, then in the order added.
    keys.insert("no where");
    EXPECT_EQ(keys.keysAlike("nowhere"), (std::vector<QString>{"nowhere", "now here", "no where"}));
    EXPECT_EQ(keys.keysAlike("now here"), (std::vector<QString>{"now here", "nowhere"}));
    EXPECT_TRUE(keys.keysAlike("now").empty());
    EXPECT_TRUE(keys.keysAlike("").empty());
}
