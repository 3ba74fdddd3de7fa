#include "commands/PlayerNames.h"

#include "CommandFakes.h"
#include "commands/CommandRegistry.h"
#include "commands/IntentMatcher.h"

#include <gtest/gtest.h>

using namespace brisklet;

namespace {

// A machine whose player answers to one more word.
class RadioPlayers final : public PlayerNames {
public:
    bool knowsPlayer(const QString& hint) const override {
        return hint == QLatin1String("the radio") || playerNamed(hint).has_value();
    }
};

QString describe(const Plan& plan) {
    QStringList actions;
    for (const Action& a : plan)
        actions << debugDescription(a);
    return actions.join(" + ");
}

} // namespace

TEST(PlayerNames, hintsNameAPlayer) {
    using W = PlayerNames::Which;
    const std::pair<const char*, std::optional<W>> rows[] = {
        {"spotify please", W::spotify}, {"SPOTIFY", W::spotify}, {"Apple Music", W::music},
        {"itunes", W::music},           {"music", W::music},     {"spotify music", W::spotify},
        {"radio", std::nullopt},        {"", std::nullopt},      {"the tunes", std::nullopt},
    };
    for (const auto& [hint, which] : rows)
        EXPECT_EQ(PlayerNames::playerNamed(hint), which) << hint;
}

TEST(PlayerNames, theMatcherAsksItsPlayersElseTheSameRule) {
    CommandRegistry registry{"/nonexistent/commands.json"};
    test::FakeSetups setups;
    RadioPlayers radio;
    IntentMatcher withPlayers{registry, setups, nullptr, nullptr, &radio};
    IntentMatcher withoutPlayers{registry, setups, nullptr, nullptr};
    EXPECT_EQ(describe(withPlayers.match("play jazz on the radio")), "playMusic(jazz, the radio)");
    EXPECT_EQ(describe(withoutPlayers.match("play jazz on the radio")), "playMusic(jazz on the radio, nil)");
    for (const IntentMatcher* matcher : {&withPlayers, &withoutPlayers}) {
        EXPECT_EQ(describe(matcher->match("play jazz on spotify")), "playMusic(jazz, spotify)");
        EXPECT_EQ(describe(matcher->match("play lo fi in apple music")), "playMusic(lo fi, apple music)");
    }
}
