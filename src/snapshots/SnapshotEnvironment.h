#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace brisklet::SnapshotEnvironment {

// The snapshot folder: "BRISKLET_SNAPSHOT_DIR" when it is set and not empty.
std::optional<QString> folder();
// "BRISKLET_SNAPSHOT_LIVE" is exactly "1" ("true", "yes" or "01" are not). Read
// afresh each time.
bool liveMode();

// The platform the pictures are drawn on: the caller's offscreen choice with its
// options (a screen layout), else plain offscreen whatever the session uses.
QByteArray offscreenPlatform(const QByteArray& callerChoice);

// Before the application object exists: pick the offscreen platform with the
// software renderer (live mode keeps the display), forget the user's session bus,
// and give the process a fresh home of its own, so no setting, cache or data file
// of the user is read or written. The home lasts as long as the returned folder.
std::unique_ptr<QTemporaryDir> prepareProcess();

} // namespace brisklet::SnapshotEnvironment
