#include "commands/CommandCatalog.h"

#include <gtest/gtest.h>

using namespace brisklet;

namespace {
std::vector<size_t> sizes(const std::vector<std::pair<CommandGroup, std::vector<CommandDoc>>>& groups) {
    std::vector<size_t> out;
    for (const auto& [g, rows] : groups)
        out.push_back(rows.size());
    return out;
}
} // namespace

TEST(CommandCatalog, EmptyQueryListsAllGroups) {
    const auto groups = CommandCatalog::grouped("");
    EXPECT_EQ(sizes(groups), (std::vector<size_t>{4, 7, 3, 3, 6, 2, 1}));
    EXPECT_EQ(CommandCatalog::all().size(), 26u);
    EXPECT_EQ(CommandCatalog::all()[8].id(), "Windows/Center");
}

TEST(CommandCatalog, FilterIgnoresCaseAndKeepsGroupOrder) {
    const auto groups = CommandCatalog::grouped("SPOTIFY");
    std::vector<QString> titles;
    std::vector<CommandGroup> order;
    for (const auto& [g, rows] : groups) {
        order.push_back(g);
        for (const auto& r : rows)
            titles.push_back(r.title);
    }
    EXPECT_EQ(order, (std::vector<CommandGroup>{CommandGroup::windows, CommandGroup::apps,
                                                CommandGroup::music, CommandGroup::ask}));
    EXPECT_EQ(titles, (std::vector<QString>{"Maximize / fullscreen", "Open an app", "Play something",
                                            "Pause / resume", "Anything else (Ask)"}));
    EXPECT_TRUE(CommandCatalog::grouped("xyzzy").empty());
    EXPECT_EQ(sizes(CommandCatalog::grouped(" ")), sizes(CommandCatalog::grouped("")));
    // Non-ASCII text lower-cases too.
    EXPECT_EQ(CommandCatalog::grouped("“BRISKLET DND”").size(), 1u);
}

TEST(CommandCatalog, GroupRawValuesAreExact) {
    EXPECT_EQ(commandGroupFromRaw("Windows"), CommandGroup::windows);
    EXPECT_FALSE(commandGroupFromRaw("windows"));
    EXPECT_EQ(rawValue(CommandGroup::ask), "Ask");
    // No help text names another desktop's things.
    for (const CommandDoc& doc : CommandCatalog::all()) {
        const QString text = doc.detail + " " + doc.examples.join(" ");
        for (const char* word : {"Mac", "Safari", "Finder", "Apple"})
            EXPECT_FALSE(text.contains(QString(word))) << doc.id().toStdString() << " " << word;
    }
}
