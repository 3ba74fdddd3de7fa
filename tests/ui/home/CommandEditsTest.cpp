// Retyping a command's phrases and making a command of one's own: what is stored,
// and what is refused without a trace.
#include "ui/home/CommandEdits.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::CommandEdits;

namespace {

CommandEntry entryWith(QStringList phrases) {
    return CommandEntry{"center", std::move(phrases), "center", {}, true};
}

} // namespace

TEST(CommandEditsTest, CommitKeepsTheTrimmedLowerCasedPiecesInOrder) {
    const auto entry = entryWith({"center"});
    const QString typed = "  Middle ,, Centre\tWindow ,\tPUT IT IN THE MIDDLE,";
    const auto result = commit(typed, entry);
    ASSERT_TRUE(result.updated);
    EXPECT_EQ(result.updated->phrases, QStringList({"middle", "centre\twindow", "put it in the middle"}));
    EXPECT_EQ(result.updated->id, "center");
    EXPECT_EQ(result.updated->action, "center");
    EXPECT_EQ(result.text, typed) << "the field keeps what was typed";
}

TEST(CommandEditsTest, AnEmptyOrUnchangedFieldGetsTheStoredPhrasesBack) {
    const auto entry = entryWith({"center", "middle"});
    EXPECT_EQ(commit("", entry), (PhraseCommit{std::nullopt, "center, middle"}));
    EXPECT_EQ(commit(" , ,\t", entry), (PhraseCommit{std::nullopt, "center, middle"}));
    EXPECT_EQ(commit("CENTER,middle  ", entry), (PhraseCommit{std::nullopt, "center, middle"}))
        << "only spacing and case differ: normalised, not stored";
    const auto single = entryWith({"center"});
    EXPECT_EQ(commit("center", single), (PhraseCommit{std::nullopt, "center"}));
}

TEST(CommandEditsTest, DuplicatePhrasesAreKeptAsTyped) {
    const auto result = commit("go, go", entryWith({"center"}));
    ASSERT_TRUE(result.updated);
    EXPECT_EQ(result.updated->phrases, QStringList({"go", "go"}));
}

TEST(CommandEditsTest, ANewAppCommandStoresOneTrimmedLowerCasedPhrase) {
    const auto entry =
        newCommand("  Work Mode ", openApp, "Firefox", "ignored", "1a2b3c4d-0000-4000-8000-000000000000");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->id, "custom-1a2b3c4d");
    EXPECT_EQ(entry->phrases, QStringList({"work mode"}));
    EXPECT_EQ(entry->action, "openApp");
    EXPECT_EQ(entry->params, (QMap<QString, QString>{{"name", "Firefox"}}));
    EXPECT_TRUE(entry->enabled);
}

TEST(CommandEditsTest, IncompleteFormsMakeNoCommand) {
    EXPECT_FALSE(newCommand("", openApp, "Firefox", "", "X"));
    EXPECT_FALSE(newCommand(" \t ", openApp, "Firefox", "", "X")) << "a blank phrase";
    EXPECT_FALSE(newCommand("work", openApp, "", "Backup", "X"))
        << "no app chosen; the Shortcut name is not used";
    EXPECT_FALSE(newCommand("work", runShortcut, "Firefox", "", "X"));
    const auto spaces = newCommand("work", runShortcut, "", "  ", "X");
    ASSERT_TRUE(spaces) << "a name is taken as entered";
    EXPECT_EQ(spaces->params["name"], "  ");
}

TEST(CommandEditsTest, CommasStayInsideTheOnePhraseAndIdsAreEightUpperHexDigits) {
    const auto entry = newCommand("Mail, Then Chat", runShortcut, "", "Morning");
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->phrases, QStringList({"mail, then chat"}));
    EXPECT_TRUE(QRegularExpression("^custom-[0-9A-F]{8}$").match(entry->id).hasMatch())
        << entry->id.toStdString();
    EXPECT_NE(newCommand("x", runShortcut, "", "y")->id, newCommand("x", runShortcut, "", "y")->id);
}
