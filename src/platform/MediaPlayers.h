#pragma once

#include "platform/ScriptOutcome.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace brisklet::platform {

// Music players that take remote control (MPRIS on the session bus). Players are
// addressed by their bus name. Every call blocks for at most `timeoutMs` (nothing is
// asked when it is 0 or less): off the main thread. A player that left a call
// unanswered is taken as silent and not asked again until the next command.
class MediaPlayers {
public:
    virtual ~MediaPlayers() = default;
    // A new command begins: players that were silent during the last one are asked
    // again.
    virtual void beginCommand() = 0;
    // The bus name of a running player that says it is one of `desktopIDs` (compared
    // without regard to case), else of one that owns one of `busNames` (or an
    // ".instance…" of it). Asking never starts a player, and the players are asked at
    // once. A silent player owning one of `busNames` is the answer only when no player
    // that answered is, so that what it is asked next says it didn't answer.
    virtual std::optional<QString> findRunning(const QStringList& desktopIDs, const QStringList& busNames,
                                               int timeoutMs) = 0;
    // "Playing", "Paused" or "Stopped"; nothing when the player doesn't answer.
    virtual std::optional<QString> playbackStatus(const QString& bus, int timeoutMs) = 0;
    // One of "Play", "Pause", "PlayPause", "Next", "Previous".
    virtual ScriptOutcome command(const QString& bus, const QString& method, int timeoutMs) = 0;
    virtual ScriptOutcome openUri(const QString& bus, const QString& uri, int timeoutMs) = 0;
    // Bring the player's window forward, when it says it can.
    virtual ScriptOutcome raise(const QString& bus, int timeoutMs) = 0;
};

} // namespace brisklet::platform
