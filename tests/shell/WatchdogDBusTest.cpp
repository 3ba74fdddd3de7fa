// Alerts reach a notification server on the private session bus: one when the
// pipeline turns degraded, and the next one replaces it by the id the server gave.
#include "shell/Watchdog.h"

#include "platform/linux/DBusNotifications.h"
#include "support/FakeDBusService.h"
#include "support/FakeScheduler.h"
#include "support/LogCapture.h"
#include "support/WaitFor.h"

#include <gtest/gtest.h>
#include <memory>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QString notificationsInterface = QStringLiteral("org.freedesktop.Notifications");

std::unique_ptr<FakeDBusService> notificationServer() {
    auto server = std::make_unique<FakeDBusService>(FakeDBusService::Bus::session, notificationsInterface,
                                                    "/org/freedesktop/Notifications");
    // As a real server: a replaced alert keeps its id, a new one gets the next.
    server->on(notificationsInterface, "Notify", [](const QDBusMessage& m) {
        const uint replaces = m.arguments().value(1).toUInt();
        return m.createReply(QVariant::fromValue(replaces ? replaces : uint(41)));
    });
    return server;
}

std::vector<FakeDBusService::Call> notifyCalls(const FakeDBusService& server) {
    std::vector<FakeDBusService::Call> out;
    for (const auto& call : server.calls())
        if (call.member == "Notify")
            out.push_back(call);
    return out;
}

} // namespace

TEST(WatchdogAlerts, theServerSeesOneAlertAndThenItsReplacement) {
    auto server = notificationServer();
    ASSERT_TRUE(server->problem().isEmpty()) << server->problem().toStdString();
    platform::DBusNotifications notifications;
    FakeClock clock;
    FakeScheduler scheduler(clock);
    bool micAllowed = false;
    Watchdog::Checks checks;
    checks.microphoneAuthorized = [&] { return micAllowed; };
    Watchdog watchdog(checks, scheduler, &notifications);

    watchdog.check();
    watchdog.check(); // still degraded: no second alert
    ASSERT_TRUE(waitFor([&] { return notifications.lastId() == 41; }));
    ASSERT_EQ(notifyCalls(*server).size(), 1u);
    const QVariantList first = notifyCalls(*server)[0].arguments;
    ASSERT_EQ(first.size(), 8);
    EXPECT_EQ(first[0].toString(), "Brisklet");
    EXPECT_EQ(first[1].toUInt(), 0u);
    EXPECT_EQ(first[3].toString(), "Brisklet needs attention");
    EXPECT_EQ(first[4].toString(), QString::fromUtf8("Microphone access is off — Brisklet can't hear you"));
    EXPECT_TRUE(first[5].toStringList().isEmpty());
    EXPECT_EQ(first[7].toInt(), -1);

    micAllowed = true;
    watchdog.check(); // recovered
    micAllowed = false;
    watchdog.check(); // degraded again: the alert on screen is replaced
    ASSERT_TRUE(waitFor([&] { return notifyCalls(*server).size() == 2; }));
    EXPECT_EQ(notifyCalls(*server)[1].arguments[1].toUInt(), 41u);
}

TEST(WatchdogAlerts, noServerIsLoggedAndNothingBreaks) {
    LogCapture log;
    platform::DBusNotifications notifications;
    bool answered = false;
    QObject::connect(&notifications, &platform::DBusNotifications::answered, [&] { answered = true; });
    notifications.show("Brisklet needs attention", "x");
    ASSERT_TRUE(waitFor([&] { return answered; }, 30000));
    EXPECT_EQ(notifications.lastId(), 0u);
    EXPECT_EQ(log.count("alert not shown"), 1);
}
