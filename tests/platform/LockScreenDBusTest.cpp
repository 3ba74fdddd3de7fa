#include "actions/ActionExecutor.h"
#include "platform/linux/LinuxSystemActions.h"
#include "platform/linux/PosixProcessRunner.h"
#include "support/FakeDBusService.h"

#include <gtest/gtest.h>
#include <memory>

using namespace brisklet::platform;
using brisklet::test::FakeDBusService;

namespace {
std::unique_ptr<FakeDBusService> screenSaver() {
    return std::make_unique<FakeDBusService>(FakeDBusService::Bus::session, "org.freedesktop.ScreenSaver",
                                             "/org/freedesktop/ScreenSaver");
}
std::unique_ptr<FakeDBusService> login1() {
    return std::make_unique<FakeDBusService>(FakeDBusService::Bus::system, "org.freedesktop.login1",
                                             "/org/freedesktop/login1/session/auto");
}
} // namespace

TEST(LockScreen, theScreenSaverLocksFirst) {
    auto saver = screenSaver();
    auto logind = login1();
    ASSERT_TRUE(saver->problem().isEmpty()) << saver->problem().toStdString();
    ASSERT_TRUE(logind->problem().isEmpty()) << logind->problem().toStdString();
    PosixProcessRunner runner;
    LinuxSystemActions actions(runner);
    EXPECT_TRUE(actions.lockScreen().isOk());
    EXPECT_EQ(saver->methodCalls(), QStringList{"Lock"});
    EXPECT_TRUE(logind->methodCalls().isEmpty());
}

TEST(LockScreen, logindLocksWhenThereIsNoScreenSaver) {
    auto logind = login1();
    ASSERT_TRUE(logind->problem().isEmpty()) << logind->problem().toStdString();
    PosixProcessRunner runner;
    LinuxSystemActions actions(runner);
    EXPECT_TRUE(actions.lockScreen().isOk());
    ASSERT_EQ(logind->calls().size(), 1u);
    EXPECT_EQ(logind->calls()[0].interface, "org.freedesktop.login1.Session");
    EXPECT_EQ(logind->calls()[0].member, "Lock");
}

TEST(LockScreen, aRefusingScreenSaverFallsBackAndNobodyMeansFailure) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        << "the test desktop is not running";
    auto saver = screenSaver();
    ASSERT_TRUE(saver->problem().isEmpty());
    saver->on("org.freedesktop.ScreenSaver", "Lock", [](const QDBusMessage& m) {
        return m.createErrorReply("org.freedesktop.DBus.Error.NotSupported", "no locker");
    });
    PosixProcessRunner runner;
    LinuxSystemActions actions(runner);
    EXPECT_FALSE(actions.lockScreen().isOk());
    EXPECT_EQ(saver->methodCalls(), QStringList{"Lock"});
}

TEST(LockScreen, theExecutorNeverCallsAFailedLockLocking) {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        << "the test desktop is not running";
    PosixProcessRunner runner;
    LinuxSystemActions actions(runner);
    brisklet::ActionExecutor::Collaborators c;
    c.system = &actions;
    brisklet::ActionExecutor executor(c);
    using Outcome = brisklet::ActionExecutor::Outcome;
    EXPECT_EQ(executor.execute(brisklet::Action::lockScreen()), (Outcome{false, "Couldn't lock the screen"}));
    auto saver = screenSaver();
    ASSERT_TRUE(saver->problem().isEmpty());
    EXPECT_EQ(executor.execute(brisklet::Action::lockScreen()), (Outcome{true, "Locking…"}));
    EXPECT_EQ(saver->methodCalls(), QStringList{"Lock"});
}
