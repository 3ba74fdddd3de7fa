#pragma once

#include <QString>
#include <QStringList>

namespace brisklet::AppRelaunch {

// The delay that lets this instance go before the new one starts.
inline constexpr const char* delaySeconds = "0.4";

// The program and arguments that start `executable` again after the delay. The
// path travels as an argument of its own, never inside the command text.
QStringList command(const QString& executable);

// Start `executable` again after the delay, detached; false when it could not be
// started.
bool start(const QString& executable);

// Restart this program so that changed permissions take effect: start it again,
// then quit.
void now();

} // namespace brisklet::AppRelaunch
