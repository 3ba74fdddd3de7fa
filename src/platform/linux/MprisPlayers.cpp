#include "platform/linux/MprisPlayers.h"

#include "base/Log.h"
#include "platform/linux/DBusCall.h"

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <utility>
#include <vector>

namespace brisklet::platform {

namespace {
const QString prefix = QStringLiteral("org.mpris.MediaPlayer2.");
const QString objectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString rootInterface = QStringLiteral("org.mpris.MediaPlayer2");
const QString playerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");

ScriptOutcome noTime() {
    return ScriptOutcome::failed(QStringLiteral("no time left to ask"));
}
ScriptOutcome silent() {
    return ScriptOutcome::failed(QStringLiteral("the player didn't answer lately"));
}

QStringList playerNames(int timeoutMs) {
    QDBusMessage list = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ListNames"));
    const QDBusMessage reply = DBusCall::call(QDBusConnection::sessionBus(), list, timeoutMs);
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

QDBusMessage propertyGet(const QString& bus, const QString& interface, const QString& name) {
    return DBusCall::propertyGet(bus, objectPath, interface, name);
}

bool timedOut(const QDBusMessage& reply) {
    const QString name = reply.errorName();
    return reply.type() == QDBusMessage::ErrorMessage &&
           (name == QLatin1String("org.freedesktop.DBus.Error.NoReply") ||
            name == QLatin1String("org.freedesktop.DBus.Error.Timeout") ||
            name == QLatin1String("org.freedesktop.DBus.Error.TimedOut"));
}
} // namespace

bool MprisPlayers::isSilent(const QString& bus) {
    std::lock_guard lock(mutex_);
    return silent_.contains(bus);
}

void MprisPlayers::note(const QString& bus, const QDBusMessage& reply) {
    if (!timedOut(reply))
        return;
    qCInfo(lcApp).noquote() << bus << "didn't answer; not asking it again during this command";
    std::lock_guard lock(mutex_);
    silent_.insert(bus);
}

void MprisPlayers::beginCommand() {
    // A player that was slow once may answer now: each command asks afresh.
    std::lock_guard lock(mutex_);
    silent_.clear();
}

std::optional<QVariant> MprisPlayers::property(const QString& bus, const QString& interface,
                                               const QString& name, int timeoutMs) {
    if (timeoutMs <= 0 || isSilent(bus))
        return std::nullopt;
    const QDBusMessage reply =
        DBusCall::call(QDBusConnection::sessionBus(), propertyGet(bus, interface, name), timeoutMs);
    note(bus, reply);
    return DBusCall::propertyValue(reply);
}

ScriptOutcome MprisPlayers::call(const QString& bus, const QString& interface, const QString& method,
                                 const QVariantList& args, int timeoutMs) {
    if (timeoutMs <= 0)
        return noTime();
    if (isSilent(bus))
        return silent();
    QDBusMessage m = QDBusMessage::createMethodCall(bus, objectPath, interface, method);
    m.setArguments(args);
    m.setAutoStartService(false);
    const QDBusMessage reply = DBusCall::call(QDBusConnection::sessionBus(), m, timeoutMs);
    note(bus, reply);
    return DBusCall::outcomeOf(reply);
}

std::optional<QString> MprisPlayers::findRunning(const QStringList& desktopIDs, const QStringList& busNames,
                                                 int timeoutMs) {
    if (timeoutMs <= 0)
        return std::nullopt;
    const QDeadlineTimer deadline(timeoutMs);
    const QStringList names = playerNames(timeoutMs);
    // Every player is asked at once, so one that never answers costs one time-out, not one each.
    QDBusConnection bus = QDBusConnection::sessionBus();
    std::vector<std::pair<QString, QDBusPendingCall>> asked;
    const int left = static_cast<int>(deadline.remainingTime());
    for (const QString& name : names) {
        if (left > 0 && !isSilent(name))
            asked.emplace_back(
                name, bus.asyncCall(propertyGet(name, rootInterface, QStringLiteral("DesktopEntry")), left));
    }
    std::optional<QString> found;
    for (auto& [name, pending] : asked) {
        pending.waitForFinished();
        const QDBusMessage reply = pending.reply();
        note(name, reply);
        const auto entry = DBusCall::propertyValue(reply);
        if (!found && entry && desktopIDs.contains(entry->toString(), Qt::CaseInsensitive))
            found = name;
    }
    if (found)
        return found;
    // By bus name, a player that answered first; a silent one still counts as
    // running, so the command says it didn't answer rather than that none plays.
    std::optional<QString> silentOne;
    for (const QString& name : names) {
        for (const QString& known : busNames) {
            if (name != known && !name.startsWith(known + QStringLiteral(".instance")))
                continue;
            if (!isSilent(name))
                return name;
            if (!silentOne)
                silentOne = name;
        }
    }
    return silentOne;
}

std::optional<QString> MprisPlayers::playbackStatus(const QString& bus, int timeoutMs) {
    const auto status = property(bus, playerInterface, QStringLiteral("PlaybackStatus"), timeoutMs);
    if (!status)
        return std::nullopt;
    return status->toString();
}

ScriptOutcome MprisPlayers::command(const QString& bus, const QString& method, int timeoutMs) {
    const ScriptOutcome outcome = call(bus, playerInterface, method, {}, timeoutMs);
    if (!outcome.isOk())
        qCInfo(lcApp).noquote() << method << "on" << bus
                                << "failed:" << (outcome.isDenied() ? "denied" : outcome.text);
    return outcome;
}

ScriptOutcome MprisPlayers::openUri(const QString& bus, const QString& uri, int timeoutMs) {
    return call(bus, playerInterface, QStringLiteral("OpenUri"), {uri}, timeoutMs);
}

ScriptOutcome MprisPlayers::raise(const QString& bus, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    const auto canRaise = property(bus, rootInterface, QStringLiteral("CanRaise"), timeoutMs);
    if (!canRaise || !canRaise->toBool())
        return ScriptOutcome::failed(QStringLiteral("the player can't raise its window"));
    return call(bus, rootInterface, QStringLiteral("Raise"), {}, static_cast<int>(deadline.remainingTime()));
}

} // namespace brisklet::platform
