#include "ui/setups/SystemStateEdits.h"

#include "actions/MediaActions.h"
#include "voice/Chime.h"

#include <algorithm>
#include <cmath>

namespace brisklet::SystemStateEdits {

namespace {

bool installed(const std::vector<IndexedApp>& apps, const QString& id) {
    return std::any_of(apps.begin(), apps.end(), [&](const IndexedApp& a) { return a.bundleID == id; });
}

int truncatedWithin(double position, int low, int high) {
    if (std::isnan(position))
        return low;
    return static_cast<int>(std::clamp(std::trunc(position), double(low), double(high)));
}

// Switched on, a level starts at `start`; switched off, the setup holds none.
void switchLevel(std::optional<int>& level, bool on, int start) {
    if (on)
        level = start;
    else
        level.reset();
}

} // namespace

std::vector<Option> players(const std::vector<IndexedApp>& apps) {
    std::vector<Option> out;
    for (const QString& id : MediaActions::localPlayerIDs()) {
        if (installed(apps, id)) {
            out.push_back({id, QStringLiteral("Music")});
            break;
        }
    }
    for (const QString& id : {QStringLiteral("spotify"), QStringLiteral("com.spotify.Client")}) {
        if (installed(apps, id)) {
            out.push_back({id, QStringLiteral("Spotify")});
            break;
        }
    }
    return out;
}

const std::vector<Option>& appearanceOptions() {
    static const std::vector<Option> options{
        {"leave", "Don't switch"}, {"light", "Light mode"}, {"dark", "Dark mode"}};
    return options;
}

const std::vector<Option>& musicOptions() {
    static const std::vector<Option> options{
        {"leave", "Don't change"}, {"play", "Start playing"}, {"pause", "Pause"}};
    return options;
}

const std::vector<Option>& soundOptions() {
    static const std::vector<Option> options = [] {
        std::vector<Option> out{{"none", "Don't play"}};
        for (const Chime::Option& option : Chime::options()) {
            if (option.id != QLatin1String("none"))
                out.push_back({option.id, option.label});
        }
        return out;
    }();
    return options;
}

void setVolumeOn(SetupSystemState& state, bool on) {
    switchLevel(state.volume, on, 35);
}

void setVolume(SetupSystemState& state, double position) {
    state.volume = truncatedWithin(position, 0, 100);
}

void setBrightnessOn(SetupSystemState& state, bool on) {
    switchLevel(state.brightness, on, 40);
}

void setBrightness(SetupSystemState& state, double position) {
    state.brightness = truncatedWithin(position, 5, 100);
}

void setAppearance(SetupSystemState& state, const QString& value) {
    if (value == QLatin1String("light"))
        state.appearance = SetupSystemState::Appearance::light;
    else if (value == QLatin1String("dark"))
        state.appearance = SetupSystemState::Appearance::dark;
    else
        state.appearance.reset();
}

void setMusic(SetupSystemState& state, const QString& value, const std::vector<Option>& players) {
    if (value == QLatin1String("play"))
        state.music = SetupSystemState::Music::play;
    else if (value == QLatin1String("pause"))
        state.music = SetupSystemState::Music::pause;
    else {
        state.music.reset();
        return;
    }
    if (!state.musicPlayer && !players.empty())
        state.musicPlayer = players.front().value;
}

void setPlayer(SetupSystemState& state, const QString& id) {
    state.musicPlayer = id;
}

void setSoundCue(SetupSystemState& state, const QString& id) {
    if (id.isEmpty() || id == QLatin1String("none"))
        state.soundCue.reset();
    else
        state.soundCue = id;
}

void setShortcut(SetupSystemState& state, const QString& text) {
    if (text.isEmpty())
        state.shortcut.reset();
    else
        state.shortcut = text;
}

QString appearanceValue(const SetupSystemState& state) {
    if (!state.appearance)
        return QStringLiteral("leave");
    return *state.appearance == SetupSystemState::Appearance::dark ? QStringLiteral("dark")
                                                                   : QStringLiteral("light");
}

QString musicValue(const SetupSystemState& state) {
    if (!state.music)
        return QStringLiteral("leave");
    return *state.music == SetupSystemState::Music::play ? QStringLiteral("play") : QStringLiteral("pause");
}

QString soundValue(const SetupSystemState& state) {
    return state.soundCue.value_or(QStringLiteral("none"));
}

QString playerValue(const SetupSystemState& state, const std::vector<Option>& players) {
    if (state.musicPlayer)
        return *state.musicPlayer;
    return players.empty() ? QString() : players.front().value;
}

} // namespace brisklet::SystemStateEdits
