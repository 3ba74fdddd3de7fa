// The ready-made proposals: which kinds of work are offered for a profile and app
// list, how they are filled, scored, ordered and cut, and the role table.
#include "magic/MagicRecommender.h"
#include "magic/MagicFixtures.h"
#include "magic/MagicRoles.h"
#include "magic/MagicScan.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

std::vector<IndexedApp> desk() {
    return {indexed("code", "Visual Studio Code"),
            indexed("org.gnome.TextEditor", "Text Editor"),
            indexed("kitty", "kitty"),
            indexed("org.gnome.Terminal", "Terminal"),
            indexed("firefox", "Firefox"),
            indexed("thunderbird", "Thunderbird"),
            indexed("slack", "Slack"),
            indexed("org.inkscape.Inkscape", "Inkscape")};
}

MagicRecommender::Desktop withBrowser() {
    return {QStringLiteral("firefox"), QStringLiteral("1:1920x1080")};
}

QStringList titles(const std::vector<MagicProposal>& list) {
    QStringList out;
    for (const MagicProposal& p : list)
        out << p.title;
    return out;
}

const MagicProposal* find(const std::vector<MagicProposal>& list, const QString& title) {
    for (const MagicProposal& p : list) {
        if (p.title == title)
            return &p;
    }
    return nullptr;
}

} // namespace

TEST(MagicRolesTest, roleWordsMatchWholeAfterLowerCasing) {
    EXPECT_EQ(MagicRoles::candidates("Editor")->value(0), "code");
    EXPECT_EQ(MagicRoles::candidates("Web"), QStringList{});
    EXPECT_FALSE(MagicRoles::candidates("webs"));
    EXPECT_FALSE(MagicRoles::candidates(" editor"));
    EXPECT_EQ(MagicRoles::candidates("meeting notes"), MagicRoles::candidates("granola"));
    EXPECT_TRUE(MagicRoles::candidates("terminal")->contains("org.gnome.Terminal"));
}

TEST(MagicRecommenderTest, anEmptyProfileFillsRolesWithInstalledAppsAtScoreZero) {
    const auto list = MagicRecommender::proposals({{}, kNow}, desk(), {}, withBrowser(), kNow);
    // Deep Work, Code, Catch-up, Design all score 0: by title, three kept.
    EXPECT_EQ(titles(list), (QStringList{"Catch-up", "Code", "Deep Work"}));
    for (const MagicProposal& p : list) {
        EXPECT_EQ(p.score, 0);
        for (const auto& [id, reason] : p.evidence)
            EXPECT_EQ(reason, "on this computer") << qPrintable(id);
    }
    const MagicProposal* code = find(list, "Code");
    ASSERT_TRUE(code);
    // Preference order wins when nothing is used: the first installed candidate.
    EXPECT_EQ(code->draft.items[0].bundleID, "code");
    EXPECT_EQ(code->draft.items[1].bundleID, "kitty");
    EXPECT_EQ(code->draft.items[0].frame, (SetupFrame{0, 0, 0.66, 1, 0}));
    EXPECT_EQ(code->blurb, "Visual Studio Code and kitty, side by side.");
    EXPECT_EQ(code->draft.name, "Code");
    EXPECT_EQ(code->draft.fingerprint, "1:1920x1080");
    EXPECT_TRUE(code->draft.endQuitsApps);
    EXPECT_FALSE(code->draft.closeOthers);
    EXPECT_TRUE(code->draft.phrases.isEmpty());
    EXPECT_FALSE(code->draft.lastRunAt);
}

TEST(MagicRecommenderTest, theMostUsedCandidateFillsARoleAndTheScoreIsTheMean) {
    const MagicProfile profile{MagicScan::rank({used("org.gnome.Terminal", "Terminal", 999, 0)}, kNow), kNow};
    const auto list = MagicRecommender::proposals(profile, desk(), {}, withBrowser(), kNow);
    const MagicProposal* code = find(list, "Code");
    ASSERT_TRUE(code);
    EXPECT_EQ(code->draft.items[1].bundleID, "org.gnome.Terminal");
    EXPECT_DOUBLE_EQ(code->score, (3.0 + 2.0) / 2);
    EXPECT_EQ(code->evidence.at("org.gnome.Terminal"), QString::fromUtf8("opened 999× on this computer"));
    EXPECT_EQ(list.front().title, "Code");
}

TEST(MagicRecommenderTest, savedNamesMissingRolesAndNoBrowserDropKinds) {
    const auto list = MagicRecommender::proposals({{}, kNow}, desk(), {"  DEEP work!", "catch up"},
                                                  MagicRecommender::Desktop{}, kNow);
    EXPECT_FALSE(find(list, "Deep Work")) << "already saved, and no browser";
    EXPECT_FALSE(find(list, "Design")) << "no browser";
    EXPECT_FALSE(find(list, "Catch-up")) << "\"catchup\" said in its two words";
    EXPECT_TRUE(
        find(MagicRecommender::proposals({{}, kNow}, desk(), {"catch"}, MagicRecommender::Desktop{}, kNow),
             "Catch-up"))
        << "\"catch\" is another name";

    std::vector<IndexedApp> noTerminal = desk();
    std::erase_if(noTerminal, [](const IndexedApp& a) {
        return a.bundleID == "kitty" || a.bundleID == "org.gnome.Terminal";
    });
    const auto without =
        MagicRecommender::build(MagicRecommender::inventory({{}, kNow}, noTerminal, {}, withBrowser()), kNow);
    EXPECT_FALSE(find(without, "Code"));
    EXPECT_FALSE(find(without, "Meeting")) << "no call app";
}

TEST(MagicRecommenderTest, theDefaultBrowserIsPlaceableEvenWhenTheIndexMissedIt) {
    const auto inv =
        MagicRecommender::inventory({{}, kNow}, desk(), {}, {QStringLiteral("brave-browser"), {}});
    ASSERT_TRUE(MagicRecommender::resolvedApp("brave-browser", inv));
    const auto list = MagicRecommender::build(inv, kNow);
    const MagicProposal* deep = find(list, "Deep Work");
    ASSERT_TRUE(deep);
    EXPECT_EQ(deep->draft.items[1].bundleID, "brave-browser");
    EXPECT_EQ(inv.installed.at("brave-browser").name, "brave-browser") << "no entry name known";

    // Named as its desktop entry names it, wherever its Name is known.
    const auto named =
        MagicRecommender::inventory({{}, kNow}, desk(), {}, {"brave-browser", {}, "Brave Web Browser"});
    EXPECT_EQ(named.installed.at("brave-browser").name, "Brave Web Browser");
    EXPECT_EQ(named.installed.at("firefox").name, "Firefox");
}

TEST(MagicRecommenderTest, everydayTakesHalvesOrQuadrantsAndSkipsUninstalledApps) {
    const std::vector<IndexedApp> apps{indexed("a", "A"), indexed("c", "C"), indexed("d", "D")};
    const MagicProfile two{{used("a", "A", 50), used("c", "C", 40)}, kNow};
    auto list = MagicRecommender::proposals(two, apps, {}, {}, kNow);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].title, "Everyday");
    EXPECT_EQ(list[0].draft.items[0].frame, (SetupFrame{0, 0, 0.5, 1, 0}));
    EXPECT_EQ(list[0].draft.items[1].frame, (SetupFrame{0.5, 0, 0.5, 1, 0}));
    EXPECT_EQ(list[0].blurb, QString::fromUtf8("A, C — one phrase brings all two back."));

    // "b" ranks second but isn't installed: its quadrant stays empty.
    const MagicProfile three{{used("a", "A", 50), used("b", "B", 45), used("c", "C", 40)}, kNow};
    list = MagicRecommender::proposals(three, apps, {}, {}, kNow);
    ASSERT_EQ(list.size(), 1u);
    ASSERT_EQ(list[0].draft.items.size(), 2u);
    EXPECT_EQ(list[0].draft.items[0].frame, (SetupFrame{0, 0.5, 0.5, 0.5, 0}));
    EXPECT_EQ(list[0].draft.items[1].bundleID, "c");
    EXPECT_EQ(list[0].draft.items[1].frame, (SetupFrame{0, 0, 0.5, 0.5, 0}));
    const double mean = (MagicScan::score(three.apps[0], kNow) + MagicScan::score(three.apps[1], kNow) +
                         MagicScan::score(three.apps[2], kNow)) /
                        3;
    EXPECT_DOUBLE_EQ(list[0].score, 0.8 * mean) << "the skipped app still counts";

    EXPECT_TRUE(MagicRecommender::proposals({{used("a", "A", 50)}, kNow}, apps, {}, {}, kNow).empty());
    EXPECT_TRUE(MagicRecommender::proposals(two, apps, {"everyday"}, {}, kNow).empty());
}

TEST(MagicRecommenderTest, everydayReplacesTheThirdWhenItRanksFourth) {
    // Four kinds at 0 and an Everyday scoring below them is impossible with real
    // scores, so rank the kinds up with use instead.
    const MagicProfile profile{
        MagicScan::rank({used("code", "Visual Studio Code", 5000, 0, true, true),
                         used("kitty", "kitty", 5000, 0, true, true),
                         used("firefox", "Firefox", 5000, 0, true, true),
                         used("thunderbird", "Thunderbird", 5000, 0, true, true),
                         used("slack", "Slack", 5000, 0, true, true),
                         used("org.inkscape.Inkscape", "Inkscape", 5000, 0, true, true)},
                        kNow),
        kNow};
    const auto list = MagicRecommender::proposals(profile, desk(), {}, withBrowser(), kNow);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[2].title, "Everyday");
    EXPECT_EQ(titles(list).mid(0, 2), (QStringList{"Catch-up", "Code"})) << "equal scores by title";
}
