#pragma once

#include "platform/Notifications.h"

#include <QString>
#include <vector>

namespace brisklet::test {

// Records the alerts instead of showing them.
class FakeNotifications final : public platform::Notifications {
public:
    struct Alert {
        QString title;
        QString body;
        bool operator==(const Alert&) const = default;
    };
    void show(const QString& title, const QString& body) override { alerts.push_back({title, body}); }
    std::vector<Alert> alerts;
};

} // namespace brisklet::test
