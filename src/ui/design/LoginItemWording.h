#pragma once

#include <QString>

namespace brisklet::LoginItemWording {

// What a view says when switching the start at login on (or off) didn't take.
inline QString failure(bool switchingOn) {
    return switchingOn
               ? QStringLiteral("Couldn't start Brisklet at login — the autostart folder can't be written")
               : QStringLiteral(
                     "Couldn't stop Brisklet starting at login — its autostart entry can't be removed");
}

} // namespace brisklet::LoginItemWording
