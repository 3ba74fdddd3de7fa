#include "platform/linux/LogindSleepWatcher.h"

#include "support/WaitFor.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QThread>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {
bool sendPrepareForSleep(QDBusConnection& bus, bool sleeping) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/login1",
                                                     "org.freedesktop.login1.Manager", "PrepareForSleep");
    signal << sleeping;
    return bus.send(signal);
}
} // namespace

TEST(LogindSleepWatcher, reportsTheWakeButNotTheSleep) {
    // The test desktop's second bus plays the system bus; a connection of our own
    // plays logind on it.
    QDBusConnection logind = QDBusConnection::connectToBus(QDBusConnection::SystemBus, "fake-logind");
    ASSERT_TRUE(logind.isConnected()) << "no system bus: run inside scripts/test-desktop";
    ASSERT_TRUE(logind.registerService("org.freedesktop.login1"));

    platform::LogindSleepWatcher watcher;
    ASSERT_TRUE(watcher.isListening());
    int wakes = 0, others = 0;
    watcher.addWakeHandler([&] { ++wakes; });
    const auto removed = watcher.addWakeHandler([&] { ++others; });
    watcher.removeWakeHandler(removed);

    ASSERT_TRUE(sendPrepareForSleep(logind, true));
    ASSERT_TRUE(sendPrepareForSleep(logind, false));
    EXPECT_TRUE(waitFor([&] { return wakes == 1; }, 5000));
    QCoreApplication::processEvents();
    EXPECT_EQ(wakes, 1);
    EXPECT_EQ(others, 0);
    QDBusConnection::disconnectFromBus("fake-logind");
}
