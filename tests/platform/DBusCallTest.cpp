#include "platform/linux/DBusCall.h"

#include <gtest/gtest.h>

using brisklet::platform::ScriptOutcome;
namespace DBusCall = brisklet::platform::DBusCall;

TEST(DBusCall, repliesAndErrorsBecomeOutcomes) {
    const QDBusMessage call = QDBusMessage::createMethodCall("org.example", "/", "org.example.I", "M");
    EXPECT_EQ(DBusCall::outcomeOf(call.createReply(QString("answer"))), ScriptOutcome::ok("answer"));
    EXPECT_EQ(DBusCall::outcomeOf(call.createReply()), ScriptOutcome::ok());
    EXPECT_EQ(DBusCall::outcomeOf(call.createReply(42)), ScriptOutcome::ok());
    for (const char* refusal : {"org.freedesktop.DBus.Error.AccessDenied",
                                "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired",
                                "org.freedesktop.PolicyKit1.Error.NotAuthorized"})
        EXPECT_EQ(DBusCall::outcomeOf(QDBusMessage::createError(refusal, "no")), ScriptOutcome::denied())
            << refusal;
    EXPECT_EQ(
        DBusCall::outcomeOf(QDBusMessage::createError("org.freedesktop.DBus.Error.NoReply", "timed out")),
        ScriptOutcome::failed("timed out"));
    EXPECT_EQ(DBusCall::outcomeOf(QDBusMessage::createError("org.freedesktop.DBus.Error.ServiceUnknown", "")),
              ScriptOutcome::failed("org.freedesktop.DBus.Error.ServiceUnknown"));
}
