#include "base/Notifications.h"

#include "base/MainThread.h"

#include <QCoreApplication>

namespace brisklet {

NotificationBus& NotificationBus::instance() {
    static NotificationBus* bus = [] {
        auto* b = new NotificationBus;
        // Emissions must happen on the main thread, whoever made the bus first.
        if (auto* app = QCoreApplication::instance())
            b->moveToThread(app->thread());
        return b;
    }();
    return *bus;
}

void NotificationBus::post(const QString& name, const QVariantMap& userInfo) {
    if (MainThread::isCurrent()) {
        emit posted(name, userInfo);
        return;
    }
    MainThread::post(this, [this, name, userInfo] { emit posted(name, userInfo); });
}

} // namespace brisklet
