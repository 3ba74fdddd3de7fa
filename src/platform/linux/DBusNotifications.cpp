#include "platform/linux/DBusNotifications.h"

#include "base/Log.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace brisklet::platform {

DBusNotifications::DBusNotifications(QObject* parent) : QObject(parent) {}

void DBusNotifications::show(const QString& title, const QString& body) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        qCCritical(lcApp) << "no session bus; alert not shown:" << title;
        return;
    }
    QDBusMessage notify = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    const QVariantMap hints{{QStringLiteral("desktop-entry"), QStringLiteral("brisklet")}};
    notify << QStringLiteral("Brisklet") << QVariant::fromValue(lastId_) << QString() << title << body
           << QStringList() << hints << qint32(-1);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* call) {
        QDBusPendingReply<uint> reply = *call;
        if (reply.isError())
            qCCritical(lcApp).noquote() << "alert not shown:" << reply.error().message();
        else
            lastId_ = reply.value();
        call->deleteLater();
        emit answered();
    });
}

} // namespace brisklet::platform
