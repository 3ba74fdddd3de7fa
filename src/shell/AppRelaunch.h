#pragma once

#include <QString>
#include <QStringList>

namespace brisklet::AppRelaunch {

// The delay that lets this instance go before the new one starts.
inline constexpr const char* delaySeconds = "0.4";
// The longest wait for the old instance to end, in tenths of a second.
inline constexpr int waitTenths = 50;

// The program and arguments that start `executable` again once the process
// `pidToAwait` has ended (or after at most five seconds). The path and the pid
// travel as arguments of their own, never inside the command text.
// `shell` runs the waiting script.
QStringList command(const QString& executable, qint64 pidToAwait,
                    const QString& shell = QStringLiteral("/bin/sh"));

// Start `executable` again that way, detached; false when it could not be started.
bool start(const QString& executable, qint64 pidToAwait, const QString& shell = QStringLiteral("/bin/sh"));

// Restart this program so that changed permissions take effect: start it again,
// then quit. When the new start fails this instance stays: returns whether it
// quits.
bool now(const QString& shell = QStringLiteral("/bin/sh"));

} // namespace brisklet::AppRelaunch
