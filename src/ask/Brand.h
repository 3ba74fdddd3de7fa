#pragma once

#include <QString>

// Where the hosted service is and whether this build can reach it. Every value is
// read from the environment at each use.
namespace brisklet::Brand {

// "BRISKLET_SERVICE_URL" verbatim when set, else the built-in base.
QString serviceBaseAddress();
// The base followed by "/functions/v1".
QString apiBase();
// The publishable key: "BRISKLET_SERVICE_ANON_KEY" when set (even empty), else the
// built-in one.
QString publishableKey();
// False for a base that still holds the "YOUR-PROJECT" placeholder, does not form a
// valid http(s) address, or a publishable key that cannot travel in a header.
bool serviceConfigured();
// "BRISKLET_SNAPSHOT_DIR" is set: the keyring is never touched.
bool snapshotMode();
// Whether `value` may go into an HTTP header: no control character (CR and LF would
// start a header line of their own).
bool headerSafe(const QString& value);

} // namespace brisklet::Brand
