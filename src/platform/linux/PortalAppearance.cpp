#include "platform/linux/PortalAppearance.h"

#include "base/Log.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace brisklet::platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kColorScheme = QStringLiteral("color-scheme");
const QString kGnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString kAnimations = QStringLiteral("enable-animations");

} // namespace

PortalAppearance::PortalAppearance(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    if (!bus_.isConnected()) {
        qCInfo(lcApp) << "no session bus; the desktop's dark mode and reduced motion go unnoticed";
        return;
    }
    if (!bus_.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                      SLOT(settingChanged(QDBusMessage))))
        qCInfo(lcApp) << "couldn't follow the desktop's settings; changes go unnoticed until the next start";
    read(kAppearance, kColorScheme);
    read(kGnomeInterface, kAnimations);
}

PortalAppearance::Token PortalAppearance::addChangeHandler(std::function<void()> handler) {
    const Token token = ++next_;
    handlers_.emplace(token, std::move(handler));
    return token;
}

void PortalAppearance::removeChangeHandler(Token token) {
    handlers_.erase(token);
}

QVariant PortalAppearance::unwrap(const QVariant& value) {
    QVariant v = value;
    // Read() answers a variant inside a variant; a reply may also carry it marshalled.
    for (int depth = 0; depth < 4; ++depth) {
        if (v.canConvert<QDBusVariant>() && v.userType() == qMetaTypeId<QDBusVariant>())
            v = v.value<QDBusVariant>().variant();
        else if (v.userType() == qMetaTypeId<QDBusArgument>()) {
            const auto arg = v.value<QDBusArgument>();
            if (arg.currentType() != QDBusArgument::VariantType)
                break;
            v = qdbus_cast<QDBusVariant>(arg).variant();
        } else
            break;
    }
    return v;
}

void PortalAppearance::read(const QString& nameSpace, const QString& key) {
    // Asynchronous: the portal may be slow to start, and the main thread never waits for it.
    QDBusMessage message =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("Read"));
    message << nameSpace << key;
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message, 3000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, watcher, nameSpace, key] {
                watcher->deleteLater();
                const QDBusMessage reply = watcher->reply();
                if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
                    qCInfo(lcApp).noquote()
                        << QStringLiteral("desktop setting %1 %2 unavailable").arg(nameSpace, key);
                    return;
                }
                apply(nameSpace, key, unwrap(reply.arguments().first()));
            });
}

void PortalAppearance::settingChanged(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    if (args.size() < 3)
        return;
    apply(args.at(0).toString(), args.at(1).toString(), unwrap(args.at(2)));
}

void PortalAppearance::apply(const QString& nameSpace, const QString& key, const QVariant& value) {
    bool changed = false;
    if (nameSpace == kAppearance && key == kColorScheme) {
        // 0 no preference, 1 dark, 2 light.
        const bool dark = value.toUInt() == 1;
        changed = dark != dark_;
        dark_ = dark;
    } else if (nameSpace == kGnomeInterface && key == kAnimations && value.canConvert<bool>()) {
        const bool reduce = !value.toBool();
        changed = reduce != reduceMotion_;
        reduceMotion_ = reduce;
    }
    if (changed) {
        qCInfo(lcApp).noquote() << QStringLiteral("desktop appearance: %1, %2")
                                       .arg(dark_ ? QStringLiteral("dark") : QStringLiteral("light"),
                                            reduceMotion_ ? QStringLiteral("reduced motion")
                                                          : QStringLiteral("full motion"));
        notify();
    }
}

void PortalAppearance::notify() {
    const auto handlers = handlers_;
    for (const auto& [token, handler] : handlers) {
        if (handlers_.count(token))
            handler();
    }
}

} // namespace brisklet::platform
