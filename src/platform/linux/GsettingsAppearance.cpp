#include "platform/linux/GsettingsAppearance.h"

#include "platform/linux/DBusCall.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

namespace brisklet::platform {

namespace {
const QString schema = QStringLiteral("org.gnome.desktop.interface");
const QString key = QStringLiteral("color-scheme");
constexpr int portalTimeoutMs = 1000;

// Unwraps the variants the portal nests its answer in.
QVariant unwrapped(QVariant value) {
    while (value.canConvert<QDBusVariant>() && value.userType() == qMetaTypeId<QDBusVariant>())
        value = value.value<QDBusVariant>().variant();
    return value;
}
} // namespace

std::optional<AppearanceSwitch::Scheme> GsettingsAppearance::fromSetting(const QString& text) {
    QString value = text.trimmed();
    if (value.size() >= 2 && value.startsWith(QLatin1Char('\'')) && value.endsWith(QLatin1Char('\'')))
        value = value.mid(1, value.size() - 2);
    if (value == QLatin1String("prefer-dark"))
        return Scheme::dark;
    if (value == QLatin1String("default") || value == QLatin1String("prefer-light"))
        return Scheme::light;
    return std::nullopt;
}

std::optional<AppearanceSwitch::Scheme> GsettingsAppearance::fromPortal(uint value) {
    switch (value) {
    case 0:
    case 2:
        return Scheme::light;
    case 1:
        return Scheme::dark;
    default:
        return std::nullopt;
    }
}

std::optional<AppearanceSwitch::Scheme> GsettingsAppearance::fromGsettings() {
    const auto result = runner_.run(QStringLiteral("gsettings"), {QStringLiteral("get"), schema, key}, limit);
    if (result.status != 0)
        return std::nullopt;
    return fromSetting(result.out);
}

std::optional<AppearanceSwitch::Scheme> GsettingsAppearance::fromPortal() {
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return std::nullopt;
    // ReadOne answers plainly; portals older than it only know Read.
    for (const char* method : {"ReadOne", "Read"}) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.portal.Desktop"),
            QStringLiteral("/org/freedesktop/portal/desktop"),
            QStringLiteral("org.freedesktop.portal.Settings"), QString::fromLatin1(method));
        message << QStringLiteral("org.freedesktop.appearance") << key;
        message.setAutoStartService(false);
        const QDBusMessage reply = DBusCall::call(bus, message, portalTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            continue;
        const QVariant value = unwrapped(reply.arguments().constFirst());
        bool ok = false;
        const uint number = value.toUInt(&ok);
        if (ok)
            return fromPortal(number);
    }
    return std::nullopt;
}

std::optional<AppearanceSwitch::Scheme> GsettingsAppearance::current() {
    if (auto portal = fromPortal())
        return portal;
    return fromGsettings();
}

ScriptOutcome GsettingsAppearance::set(Scheme scheme) {
    const QString value = scheme == Scheme::dark ? QStringLiteral("prefer-dark") : QStringLiteral("default");
    const auto result =
        runner_.run(QStringLiteral("gsettings"), {QStringLiteral("set"), schema, key, value}, limit);
    if (result.status != 0)
        return ScriptOutcome::failed(result.err.trimmed().isEmpty() ? QStringLiteral("gsettings failed")
                                                                    : result.err.trimmed());
    // What we wrote, read where it was written: the portal may pass it on late.
    const auto now = fromGsettings();
    if (now != scheme)
        return ScriptOutcome::failed(QStringLiteral("the setting didn't change"));
    return ScriptOutcome::ok();
}

} // namespace brisklet::platform
