#pragma once

#include "platform/Notifications.h"

#include <QObject>
#include <cstdint>

namespace brisklet::platform {

// Alerts through org.freedesktop.Notifications on the session bus. The id the
// server gave the last alert goes with the next one, which then replaces it.
class DBusNotifications final : public QObject, public Notifications {
    Q_OBJECT
public:
    explicit DBusNotifications(QObject* parent = nullptr);
    void show(const QString& title, const QString& body) override;
    // The id of the alert on screen; 0 before the server answered once.
    std::uint32_t lastId() const { return lastId_; }

signals:
    // The server answered (or failed to); for tests.
    void answered();

private:
    std::uint32_t lastId_ = 0;
};

} // namespace brisklet::platform
