// A run's system state: volume, brightness, arrival sound, appearance, music and a
// Shortcut, in that order; each failure is one note and the next step still runs.
#include "setups/SetupEngine.h"

#include "actions/BrightnessControl.h"
#include "actions/MediaActions.h"
#include "base/Log.h"
#include "base/MainThread.h"
#include "platform/AppLauncher.h"
#include "platform/AppearanceSwitch.h"
#include "platform/MediaPlayers.h"
#include "platform/SystemActions.h"

#include <QPointer>
#include <algorithm>
#include <cmath>

namespace brisklet {

const QStringList& SetupEngine::arrivalSounds() {
    static const QStringList names{QStringLiteral("droplet"), QStringLiteral("whisper"),
                                   QStringLiteral("tick")};
    return names;
}

void SetupEngine::applySystemState(const SetupSystemState& state, QStringList& notes, int& appliedSteps) {
    if (state.volume) {
        if (c_.system && c_.system->setVolume(std::clamp(*state.volume, 0, 100)))
            appliedSteps += 1;
        else
            notes << QStringLiteral("Couldn't set the volume.");
    }
    if (state.brightness) {
        if (c_.brightness && c_.brightness->apply(*state.brightness))
            appliedSteps += 1;
        else
            notes << QStringLiteral("Couldn't set the screen brightness on this display.");
    }
    if (state.soundCue && arrivalSounds().contains(*state.soundCue)) {
        QPointer<SetupEngine> self(this);
        const QString cue = *state.soundCue;
        MainThread::post(this, [self, cue] {
            if (self)
                emit self->soundCueRequested(cue);
        });
    }
    if (state.appearance)
        applyAppearance(*state.appearance, notes, appliedSteps);
    if (state.music)
        applyMusic(state, notes, appliedSteps);
    if (state.shortcut && !state.shortcut->isEmpty())
        applyShortcut(*state.shortcut, notes, appliedSteps);
}

void SetupEngine::applyAppearance(SetupSystemState::Appearance appearance, QStringList& notes,
                                  int& appliedSteps) {
    using Scheme = platform::AppearanceSwitch::Scheme;
    const auto outcome =
        c_.appearance ? c_.appearance->set(appearance == SetupSystemState::Appearance::dark ? Scheme::dark
                                                                                            : Scheme::light)
                      : platform::ScriptOutcome::failed(QStringLiteral("no appearance setting"));
    if (outcome.isOk())
        appliedSteps += 1;
    else if (outcome.isDenied())
        notes << QStringLiteral("Appearance unchanged — the desktop refused access.");
    else
        notes << QStringLiteral("Couldn't switch the appearance.");
}

void SetupEngine::applyMusic(const SetupSystemState& state, QStringList& notes, int& appliedSteps) {
    const auto installed = installedApps();
    QString id;
    if (state.musicPlayer && !state.musicPlayer->isEmpty()) {
        id = *state.musicPlayer;
    } else {
        // The desktop's own music player stands in when none is named.
        const auto local = MediaActions::localPlayerIDs();
        const auto found =
            std::find_if(local.begin(), local.end(), [&](const QString& p) { return installed.contains(p); });
        if (found != local.end())
            id = *found;
    }
    const auto entry = installed.find(id);
    if (id.isEmpty() || entry == installed.end()) {
        notes << QStringLiteral("Music player isn't installed — skipped.");
        return;
    }
    const QString player = entry->second.name.isEmpty() ? id : entry->second.name;
    const bool play = *state.music == SetupSystemState::Music::play;
    if (c_.players)
        c_.players->beginCommand();
    const double deadline = clock_.now() + stepLimit;
    platform::ScriptOutcome outcome = platform::ScriptOutcome::failed(QStringLiteral("no player on the bus"));
    if (const auto bus = findPlayer(id, deadline)) {
        const int budget = std::max(1, static_cast<int>(std::lround((deadline - clock_.now()) * 1000)));
        outcome = c_.players->command(*bus, play ? QStringLiteral("Play") : QStringLiteral("Pause"), budget);
    }
    if (outcome.isOk())
        appliedSteps += 1;
    else if (outcome.isDenied())
        notes << player + QStringLiteral(" unchanged — the desktop refused access.");
    else
        notes << (play ? QStringLiteral("Couldn't start ") : QStringLiteral("Couldn't pause ")) + player +
                     QLatin1Char('.');
}

// The player's bus name, starting the player when it isn't running.
std::optional<QString> SetupEngine::findPlayer(const QString& id, double deadline) {
    if (!c_.players)
        return std::nullopt;
    const QString suffix = id.section(QLatin1Char('.'), -1);
    const QStringList busNames{QStringLiteral("org.mpris.MediaPlayer2.") + suffix,
                               QStringLiteral("org.mpris.MediaPlayer2.") + suffix.toLower()};
    auto find = [&] { return c_.players->findRunning({id}, busNames, 1000); };
    if (auto bus = find())
        return bus;
    if (!c_.launcher || !c_.launcher->launch(id).ok)
        return std::nullopt;
    while (clock_.now() < deadline) {
        clock_.sleep(0.25);
        if (auto bus = find())
            return bus;
    }
    return std::nullopt;
}

void SetupEngine::applyShortcut(const QString& name, QStringList& notes, int& appliedSteps) {
    // Names that could reach outside the Shortcuts folder never run.
    if (!platform::SystemActions::isAcceptableShortcutName(name) || !c_.system ||
        !c_.system->shortcutExists(name)) {
        notes << QStringLiteral("Shortcut “") + name +
                     QStringLiteral("” doesn't exist — create it in the Brisklet Shortcuts folder.");
        return;
    }
    if (c_.system->runShortcut(name, shortcutLimit).status == 0)
        appliedSteps += 1;
    else
        notes << QStringLiteral("Shortcut “") + name + QStringLiteral("” failed.");
}

} // namespace brisklet
