#include "commands/SetupDirectory.h"

namespace brisklet {

bool HintPlayerNames::knowsPlayer(const QString& hint) const {
    const QString lower = hint.toLower();
    if (lower.isEmpty())
        return false;
    return lower.contains(QLatin1String("spotify")) || lower.contains(QLatin1String("music")) ||
           lower.contains(QLatin1String("itunes"));
}

} // namespace brisklet
