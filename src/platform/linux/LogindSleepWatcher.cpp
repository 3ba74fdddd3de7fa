#include "platform/linux/LogindSleepWatcher.h"

#include "base/Log.h"

#include <QDBusConnection>

namespace brisklet::platform {

LogindSleepWatcher::LogindSleepWatcher(QObject* parent) : QObject(parent) {
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        qCInfo(lcApp) << "no system bus; waking from sleep will go unnoticed";
        return;
    }
    listening_ =
        bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
                    SLOT(prepareForSleep(bool)));
    if (!listening_)
        qCInfo(lcApp) << "couldn't listen for sleep on the system bus; waking from sleep will go unnoticed";
}

SleepWatcher::Token LogindSleepWatcher::addWakeHandler(std::function<void()> handler) {
    const Token token = ++next_;
    handlers_.emplace(token, std::move(handler));
    return token;
}

void LogindSleepWatcher::removeWakeHandler(Token token) {
    handlers_.erase(token);
}

void LogindSleepWatcher::prepareForSleep(bool sleeping) {
    if (sleeping)
        return;
    // A handler may remove itself (or others) while we go through them.
    const auto handlers = handlers_;
    for (const auto& [token, handler] : handlers) {
        if (handlers_.count(token))
            handler();
    }
}

} // namespace brisklet::platform
