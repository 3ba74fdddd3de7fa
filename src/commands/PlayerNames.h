#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace brisklet {

// Which spoken words name a media player ("spotify", "music"). The media actions
// implement it; where there are none, the matcher asks playerNamed() itself.
class PlayerNames {
public:
    enum class Which { spotify, music };

    virtual ~PlayerNames() = default;
    virtual bool knowsPlayer(const QString& hint) const = 0;

    // Which player a hint names: "spotify please" → Spotify; "music", "apple music",
    // "itunes" → the music player; nothing for other words. The one rule, so that
    // what the matcher reads as a player is what the media actions play on.
    static std::optional<Which> playerNamed(const QString& hint);
    // The words playerNamed() knows a player by.
    static QStringList spokenNames();
};

} // namespace brisklet
