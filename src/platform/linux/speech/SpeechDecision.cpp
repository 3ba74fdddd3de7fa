#include "platform/linux/speech/PocketSphinxRecognizer.h"

namespace brisklet::platform {

QString PocketSphinxRecognizer::Decision::Reading::rivalText() const {
    if (!rival)
        return QStringLiteral("none");
    if (!rivalHeard.isEmpty())
        return rivalHeard.join(QLatin1Char(' '));
    return rivalPlace > 0 ? QStringLiteral("(no word)") : QStringLiteral("(before the window)");
}

QString PocketSphinxRecognizer::Decision::placesText() const {
    return (chime ? QString::asprintf("our chime at %.3f–%.3f s", chime->first, chime->second)
                  : QStringLiteral("no chime heard")) +
           QString::asprintf(", matched %.2f; the general model's last word ends by ", chimeMatch) +
           (lastWordEnd ? QString::asprintf("%.3f s", *lastWordEnd) : QStringLiteral("none"));
}

} // namespace brisklet::platform
