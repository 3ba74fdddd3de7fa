#include "commands/PlayerNames.h"

namespace brisklet {

std::optional<PlayerNames::Which> PlayerNames::playerNamed(const QString& hint) {
    const QString lower = hint.toLower();
    if (lower.contains(QLatin1String("spotify")))
        return Which::spotify;
    if (lower.contains(QLatin1String("music")) || lower.contains(QLatin1String("itunes")))
        return Which::music;
    return std::nullopt;
}

} // namespace brisklet
