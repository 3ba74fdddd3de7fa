#include "commands/PlayerNames.h"

#include <utility>
#include <vector>

namespace brisklet {

namespace {

const std::vector<std::pair<QString, PlayerNames::Which>>& players() {
    static const std::vector<std::pair<QString, PlayerNames::Which>> table = {
        {QStringLiteral("spotify"), PlayerNames::Which::spotify},
        {QStringLiteral("music"), PlayerNames::Which::music},
        {QStringLiteral("itunes"), PlayerNames::Which::music},
    };
    return table;
}

} // namespace

std::optional<PlayerNames::Which> PlayerNames::playerNamed(const QString& hint) {
    const QString lower = hint.toLower();
    for (const auto& [word, which] : players())
        if (lower.contains(word))
            return which;
    return std::nullopt;
}

QStringList PlayerNames::spokenNames() {
    QStringList out;
    for (const auto& [word, which] : players())
        out << word;
    return out;
}

} // namespace brisklet
