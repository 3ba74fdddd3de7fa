#pragma once

#include "platform/MediaPlayers.h"

namespace brisklet::platform {

// MPRIS players on the session bus.
class MprisPlayers final : public MediaPlayers {
public:
    std::optional<QString> findRunning(const QStringList& desktopIDs, const QStringList& busNames) override;
    std::optional<QString> playbackStatus(const QString& bus) override;
    ScriptOutcome command(const QString& bus, const QString& method) override;
    ScriptOutcome openUri(const QString& bus, const QString& uri) override;
    ScriptOutcome raise(const QString& bus) override;
};

} // namespace brisklet::platform
