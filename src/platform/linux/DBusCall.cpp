#include "platform/linux/DBusCall.h"

#include <QDBusVariant>

namespace brisklet::platform::DBusCall {

ScriptOutcome outcomeOf(const QDBusMessage& reply) {
    if (reply.type() == QDBusMessage::ReplyMessage) {
        const auto args = reply.arguments();
        if (!args.isEmpty() && args.first().metaType() == QMetaType::fromType<QString>())
            return ScriptOutcome::ok(args.first().toString());
        return ScriptOutcome::ok();
    }
    const QString name = reply.errorName();
    if (name == QLatin1String("org.freedesktop.DBus.Error.AccessDenied") ||
        name == QLatin1String("org.freedesktop.DBus.Error.InteractiveAuthorizationRequired") ||
        name == QLatin1String("org.freedesktop.PolicyKit1.Error.NotAuthorized"))
        return ScriptOutcome::denied();
    QString message = reply.errorMessage();
    if (message.isEmpty())
        message = name.isEmpty() ? QStringLiteral("no answer") : name;
    return ScriptOutcome::failed(message);
}

QDBusMessage call(const QDBusConnection& bus, const QDBusMessage& message, int timeoutMs) {
    if (!bus.isConnected())
        return QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.Disconnected"),
                                         QStringLiteral("not connected to the bus"));
    return bus.call(message, QDBus::Block, timeoutMs);
}

std::optional<QVariant> property(const QDBusConnection& bus, const QString& service, const QString& path,
                                 const QString& interface, const QString& name, int timeoutMs) {
    return propertyValue(call(bus, propertyGet(service, path, interface, name), timeoutMs));
}

QDBusMessage propertyGet(const QString& service, const QString& path, const QString& interface,
                         const QString& name) {
    QDBusMessage get = QDBusMessage::createMethodCall(
        service, path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << interface << name;
    get.setAutoStartService(false);
    return get;
}

std::optional<QVariant> propertyValue(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return std::nullopt;
    QVariant value = reply.arguments().first();
    if (value.canConvert<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}

} // namespace brisklet::platform::DBusCall
