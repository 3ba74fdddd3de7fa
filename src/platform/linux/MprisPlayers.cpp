#include "platform/linux/MprisPlayers.h"

#include "base/Log.h"
#include "platform/linux/DBusCall.h"

#include <QDBusConnection>
#include <QDBusMessage>

namespace brisklet::platform {

namespace {
const QString prefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString rootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
constexpr int stateTimeoutMs = 3000;
constexpr int commandTimeoutMs = 5000;

QStringList playerNames() {
    QDBusMessage list = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    const QDBusMessage reply = DBusCall::call(QDBusConnection::sessionBus(), list, stateTimeoutMs);
    QStringList names;
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return names;
    for (const QString& name : reply.arguments().first().toStringList()) {
        if (name.startsWith(prefix))
            names << name;
    }
    names.sort(); // the same answer on every run
    return names;
}

ScriptOutcome callPlayer(const QString& bus, const QString& interface, const QString& method,
                         const QVariantList& args = {}) {
    QDBusMessage m = QDBusMessage::createMethodCall(bus, objectPath, interface, method);
    m.setArguments(args);
    m.setAutoStartService(false);
    return DBusCall::outcomeOf(DBusCall::call(QDBusConnection::sessionBus(), m, commandTimeoutMs));
}
} // namespace

std::optional<QString> MprisPlayers::findRunning(const QStringList& desktopIDs, const QStringList& busNames) {
    const QStringList names = playerNames();
    for (const QString& name : names) {
        const auto entry = DBusCall::property(QDBusConnection::sessionBus(), name, objectPath, rootInterface,
                                              QStringLiteral("DesktopEntry"), stateTimeoutMs);
        if (entry && desktopIDs.contains(entry->toString(), Qt::CaseInsensitive))
            return name;
    }
    for (const QString& name : names) {
        for (const QString& known : busNames) {
            if (name == known || name.startsWith(known + QStringLiteral(".instance")))
                return name;
        }
    }
    return std::nullopt;
}

std::optional<QString> MprisPlayers::playbackStatus(const QString& bus) {
    const auto status = DBusCall::property(QDBusConnection::sessionBus(), bus, objectPath, playerInterface,
                                           QStringLiteral("PlaybackStatus"), stateTimeoutMs);
    if (!status)
        return std::nullopt;
    return status->toString();
}

ScriptOutcome MprisPlayers::command(const QString& bus, const QString& method) {
    const ScriptOutcome outcome = callPlayer(bus, playerInterface, method);
    if (!outcome.isOk())
        qCInfo(lcApp).noquote() << method << "on" << bus
                                << "failed:" << (outcome.isDenied() ? "denied" : outcome.text);
    return outcome;
}

ScriptOutcome MprisPlayers::openUri(const QString& bus, const QString& uri) {
    return callPlayer(bus, playerInterface, QStringLiteral("OpenUri"), {uri});
}

ScriptOutcome MprisPlayers::raise(const QString& bus) {
    const auto canRaise = DBusCall::property(QDBusConnection::sessionBus(), bus, objectPath, rootInterface,
                                             QStringLiteral("CanRaise"), stateTimeoutMs);
    if (!canRaise || !canRaise->toBool())
        return ScriptOutcome::failed(QStringLiteral("the player can't raise its window"));
    return callPlayer(bus, rootInterface, QStringLiteral("Raise"));
}

} // namespace brisklet::platform
