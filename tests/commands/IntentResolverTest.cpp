#include "commands/IntentResolver.h"
#include "commands/IntentMatcher.h"

#include <gtest/gtest.h>
#include <random>

using namespace brisklet;
using namespace brisklet::IntentResolver;

TEST(IntentResolver, PhoneticKeys) {
    EXPECT_EQ(phoneticKey("phone"), "fn");
    EXPECT_EQ(phoneticKey("knock"), "nk");
    EXPECT_EQ(phoneticKey("apple"), "apl");
    EXPECT_EQ(phoneticKey("lol"), "l");
    EXPECT_EQ(phoneticKey("spotify"), "sptf");
    EXPECT_EQ(phoneticKey("Deep  Work"), "dp wrk");
    EXPECT_EQ(phoneticKey(""), "");
}

TEST(IntentResolver, PhoneticScores) {
    EXPECT_DOUBLE_EQ(phoneticScore("phone book", "fone buk"), 0.9);
    EXPECT_DOUBLE_EQ(phoneticScore("phone", "fon"), 0.85); // short keys, equal
    EXPECT_DOUBLE_EQ(phoneticScore("slack", "slacks"), 0.78);
    EXPECT_DOUBLE_EQ(phoneticScore("sl", "slacks"), 0.0); // a short key must be equal
    EXPECT_DOUBLE_EQ(phoneticScore("", ""), 0.0);
    EXPECT_DOUBLE_EQ(phoneticScore("terminal", "terminus"), 0.8 * 0.85); // trmnl / trmns
    EXPECT_DOUBLE_EQ(phoneticScore("steam", "stream"), 0.75 * 0.85);     // stm / strm: 0.75 still counts
    EXPECT_DOUBLE_EQ(phoneticScore("steam", "streams"), 0.0);            // stm / strms: 0.6
}

TEST(IntentResolver, VerbFamilies) {
    auto verb = [](const char* t) { return matchVerb(t); };
    for (const char* w : {"and", "an", "ant"}) {
        ASSERT_TRUE(verb(w));
        EXPECT_EQ(verb(w)->first, Family::end);
        EXPECT_DOUBLE_EQ(verb(w)->second, 1.0);
    }
    EXPECT_FALSE(verb("ands")); // the end row is exact only
    ASSERT_TRUE(verb("opne"));
    EXPECT_EQ(verb("opne")->first, Family::run);
    EXPECT_DOUBLE_EQ(verb("opne")->second, 0.82);
    ASSERT_TRUE(verb("shut down"));
    EXPECT_EQ(verb("shut down")->first, Family::end);
    EXPECT_FALSE(verb("shut it"));
    ASSERT_TRUE(verb("switch to"));
    EXPECT_EQ(verb("switch to")->first, Family::focus);
    ASSERT_TRUE(verb("lunch")); // one edit from launch
    EXPECT_EQ(verb("lunch")->first, Family::run);
    EXPECT_DOUBLE_EQ(verb("lunch")->second, 0.82); // same key as launch: lnch
}

namespace {
Inventory world() {
    Inventory inv;
    inv.setups = {{"deep work", "Deep Work", {}}, {"work", "Work", {}}};
    inv.layouts = {"coding"};
    inv.apps = {"Slack", "Music", "Notes"};
    return inv;
}
} // namespace

TEST(IntentResolver, Readings) {
    const Inventory inv = world();
    auto r = [&](const char* phrase) { return resolve(phrase, inv); };

    auto quit = r("and slack");
    ASSERT_TRUE(quit);
    EXPECT_EQ(quit->actions, Plan{Action::quitApp("Slack")});
    EXPECT_EQ(quit->reason, "end:Slack");
    EXPECT_DOUBLE_EQ(quit->score, 1.0);

    EXPECT_FALSE(r("and music")); // a protected media app is never quit
    EXPECT_FALSE(r("open slack and notes"));
    EXPECT_FALSE(r("slack"));    // an app needs a verb
    EXPECT_FALSE(r("open the")); // nothing left after filler

    auto bare = r("deep work");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->actions, Plan{Action::runSetup("Deep Work")});
    EXPECT_EQ(bare->reason, "bare:Deep Work");
    // A name said alone runs a setup by whole words: "he" (heard for "skip") only
    // begins a word of "heads down", so it runs nothing.
    Inventory phrased = inv;
    phrased.setups.push_back({"heads down", "Deep Work", {}});
    EXPECT_FALSE(resolve("he", phrased));
    EXPECT_FALSE(resolve("dee", phrased));
    for (const char* said : {"deep", "heads", "heads down"}) {
        auto whole = resolve(said, phrased);
        ASSERT_TRUE(whole) << said;
        EXPECT_EQ(whole->actions, Plan{Action::runSetup("Deep Work")}) << said;
    }

    // The hint keeps apps and layouts out: "work" would otherwise tie nothing else.
    auto hinted = r("open the deep work setup");
    ASSERT_TRUE(hinted);
    EXPECT_EQ(hinted->actions, Plan{Action::runSetup("Deep Work")});
    auto layout = r("open coding layout");
    ASSERT_TRUE(layout);
    EXPECT_EQ(layout->actions, Plan{Action::applyLayout("coding")});
    EXPECT_FALSE(r("end coding layout")); // a layout has no end

    // A verb matched by sound caps the score.
    auto capped = r("opne slack");
    ASSERT_TRUE(capped);
    EXPECT_DOUBLE_EQ(capped->score, 0.82);
    EXPECT_EQ(capped->actions, Plan{Action::openApp("Slack")});
}

TEST(IntentResolver, EndNeedsAClearWinner) {
    Inventory inv;
    inv.setups = {{"work", "Work", {}}};
    inv.apps = {"Wok"}; // "work" against "wok": 0.9 × (1 − 1/4) = 0.675, sound: wrk/wk…
    auto ended = resolve("end work", inv);
    ASSERT_TRUE(ended);
    EXPECT_EQ(ended->actions, Plan{Action::endSetup("Work")});

    inv.apps = {"My Workspace"}; // a word begins with "work": 0.82
    ASSERT_TRUE(resolve("end work", inv));
    inv.apps = {"My Work"}; // a word equals "work": 0.88, still 0.1 behind
    ASSERT_TRUE(resolve("end work", inv));
    inv.apps = {"Workflow"}; // begins with "work": 0.9, and 1.0 − 0.9 is just under 0.1
    EXPECT_FALSE(resolve("end work", inv));
    // Runner-ups without an end action never block.
    inv.apps = {"Music"};
    inv.layouts = {"work"};
    ASSERT_TRUE(resolve("end work", inv));
    // The same name twice is no rival.
    inv.layouts.clear();
    inv.setups = {{"work", "Work", {}}, {"wrk", "Work", {}}};
    ASSERT_TRUE(resolve("end work", inv));
}

// A setup's own words are never dropped as fillers, nor the parts of its compound said
// apart; to every other name a filler is still a filler.
TEST(IntentResolver, ASetupsOwnWordsAreNeverFillers) {
    Inventory inv = world();
    inv.setups.push_back({"standup", "Daily", {}});
    inv.setups.push_back({"ship it", "Release", {}});
    inv.setups.push_back({"the office", "Office", {}});
    const std::pair<const char*, Plan> said[] = {
        {"stand up please", {Action::runSetup("Daily")}},
        {"please stand up", {Action::runSetup("Daily")}},
        {"stand up setup please", {Action::runSetup("Daily")}},
        {"ship it please", {Action::runSetup("Release")}},
        {"the office please", {Action::runSetup("Office")}},
        {"end the office please", {Action::endSetup("Office")}},
    };
    for (const auto& [phrase, plan] : said) {
        const auto found = resolve(phrase, inv);
        ASSERT_TRUE(found) << phrase;
        EXPECT_EQ(found->actions, plan) << phrase;
    }

    const Inventory before = world();
    for (const char* phrase : {"close it", "open the slack", "shut it", "kill them", "open it up",
                               "up please", "please", "the work please", "focus on it", "switch to the notes",
                               "stand", "end the deep work setup", "open up slack", "run it"}) {
        const auto now = resolve(phrase, inv), then = resolve(phrase, before);
        EXPECT_EQ(now.has_value(), then.has_value()) << phrase;
        if (now && then) {
            EXPECT_EQ(now->actions, then->actions) << phrase;
        }
    }
}

TEST(IntentResolver, ThresholdsOfRunAndFocus) {
    Inventory inv;
    inv.apps = {"Calculator"};
    // "calculate" begins no candidate word fully; 0.9 × (1 − 2/10) = 0.72 ≥ 0.66.
    auto open = resolve("open calculate", inv);
    ASSERT_TRUE(open);
    EXPECT_EQ(open->actions, Plan{Action::openApp("Calculator")});
    EXPECT_FALSE(resolve("open calamari", inv));
    auto focus = resolve("go to calculator", inv);
    ASSERT_TRUE(focus);
    EXPECT_EQ(focus->actions, Plan{Action::focusApp("Calculator")});
}

TEST(IntentMatcher, CountWords) {
    EXPECT_EQ(IntentMatcher::count("3"), 3);
    EXPECT_EQ(IntentMatcher::count("+12"), 12);
    EXPECT_EQ(IntentMatcher::count("to"), 2);
    EXPECT_EQ(IntentMatcher::count("too"), 2);
    EXPECT_EQ(IntentMatcher::count("for"), 4);
    EXPECT_EQ(IntentMatcher::count("twelve"), 12);
    EXPECT_FALSE(IntentMatcher::count("13"));
    EXPECT_FALSE(IntentMatcher::count("0"));
    EXPECT_FALSE(IntentMatcher::count("-3"));
    EXPECT_FALSE(IntentMatcher::count("99999999999999999999999"));
    EXPECT_FALSE(IntentMatcher::count("３")); // digits are ASCII here
    EXPECT_FALSE(IntentMatcher::count(""));
}

// The index's records let the resolver rule names out by their letters before scoring
// them; the plain name list is scored in full. Both must always agree.
TEST(IntentResolver, RulingNamesOutNeverChangesTheResult) {
    std::mt19937 rng(5);
    const QStringList words = {"photo", "studio",   "code", "notes",     "slack", "fire",
                               "fox",   "terminal", "mail", "caf\u00E9", "x",     "zoom",
                               "vim",   "term",     "note", "studios",   "fone",  "photos"};
    auto pick = [&] { return words[int(rng() % words.size())]; };
    auto indexed = std::make_shared<std::vector<IndexedApp>>();
    Inventory plain;
    for (int i = 0; i < 400; ++i) {
        QStringList parts;
        for (unsigned k = 0, n = 1 + rng() % 3; k < n; ++k)
            parts << pick();
        const QString name = parts.join(' ');
        indexed->push_back(
            IndexedApp::make(name, QStringLiteral("/apps/%1.desktop").arg(i), QString::number(i)));
        plain.apps.push_back(name);
    }
    Inventory fast;
    fast.indexedApps = indexed;
    const QStringList verbs = {"", "open ", "quit ", "switch to ", "close the "};
    for (int round = 0; round < 1500; ++round) {
        QStringList parts;
        for (unsigned k = 0, n = 1 + rng() % 4; k < n; ++k) {
            QString w = pick();
            if (rng() % 3 == 0)
                w.remove(int(rng() % w.size()), 1); // misheard
            parts << w;
        }
        const QString phrase = verbs[int(rng() % verbs.size())] + parts.join(' ');
        const auto a = resolve(phrase, plain);
        const auto b = resolve(phrase, fast);
        ASSERT_EQ(a.has_value(), b.has_value()) << phrase.toStdString();
        if (a) {
            EXPECT_EQ(a->reason, b->reason) << phrase.toStdString();
            EXPECT_DOUBLE_EQ(a->score, b->score) << phrase.toStdString();
        }
    }
}
