#pragma once

#include "platform/MediaPlayers.h"

#include <QDBusMessage>
#include <QSet>
#include <mutex>

namespace brisklet::platform {

// MPRIS players on the session bus. Any thread.
class MprisPlayers final : public MediaPlayers {
public:
    MprisPlayers() = default;

    std::optional<QString> findRunning(const QStringList& desktopIDs, const QStringList& busNames,
                                       int timeoutMs) override;
    std::optional<QString> playbackStatus(const QString& bus, int timeoutMs) override;
    ScriptOutcome command(const QString& bus, const QString& method, int timeoutMs) override;
    ScriptOutcome openUri(const QString& bus, const QString& uri, int timeoutMs) override;
    ScriptOutcome raise(const QString& bus, int timeoutMs) override;
    void beginCommand() override;

private:
    bool isSilent(const QString& bus);
    // Remembers the player as silent, for this command, when the reply is a time-out.
    void note(const QString& bus, const QDBusMessage& reply);
    std::optional<QVariant> property(const QString& bus, const QString& interface, const QString& name,
                                     int timeoutMs);
    ScriptOutcome call(const QString& bus, const QString& interface, const QString& method,
                       const QVariantList& args, int timeoutMs);

    std::mutex mutex_;
    QSet<QString> silent_;
};

} // namespace brisklet::platform
