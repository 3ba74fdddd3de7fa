#pragma once

#include "commands/AppIndex.h"
#include "setups/Setup.h"

#include <QString>
#include <vector>

namespace brisklet {

// What each control of the system-state section writes into a setup's system state.
// Every control has a position that leaves the computer as it is, stored as absent.
namespace SystemStateEdits {

struct Option {
    QString value;
    QString label;
    bool operator==(const Option&) const = default;
};

// The music players installed, in this order: the first installed local player as
// "Music", then Spotify.
std::vector<Option> players(const std::vector<IndexedApp>& apps);

const std::vector<Option>& appearanceOptions();
const std::vector<Option>& musicOptions();
// "Don't play", then the wake sounds other than none.
const std::vector<Option>& soundOptions();

void setVolumeOn(SetupSystemState& state, bool on);
// A slider position: the fraction dropped, kept within 0…100.
void setVolume(SetupSystemState& state, double position);
void setBrightnessOn(SetupSystemState& state, bool on);
// Kept within 5…100.
void setBrightness(SetupSystemState& state, double position);
// "light" or "dark"; anything else leaves the appearance alone.
void setAppearance(SetupSystemState& state, const QString& value);
// "play" or "pause"; anything else leaves the music alone. A player is stored with
// the choice when none is yet, so a run never drives a player that isn't there.
void setMusic(SetupSystemState& state, const QString& value, const std::vector<Option>& players);
void setPlayer(SetupSystemState& state, const QString& id);
// "none" stores nothing.
void setSoundCue(SetupSystemState& state, const QString& id);
// Stored as typed; empty stores nothing.
void setShortcut(SetupSystemState& state, const QString& text);

// What the controls show.
QString appearanceValue(const SetupSystemState& state);
QString musicValue(const SetupSystemState& state);
QString soundValue(const SetupSystemState& state);
QString playerValue(const SetupSystemState& state, const std::vector<Option>& players);

} // namespace SystemStateEdits
} // namespace brisklet
