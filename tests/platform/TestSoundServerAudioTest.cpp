#include "support/TestSoundServer.h"

#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

using brisklet::test::SoundServerBack;
using brisklet::test::TestSoundServer;

namespace {

// What `pactl` answers, or empty when no server does.
QString pactl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("pactl"), arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

} // namespace

// The test desktop's server goes away as a crash or an update takes it, and comes back
// as it was: the same kind of server, the same sink and microphone as the defaults.
TEST(TestSoundServer, goesAwayAndComesBackWithTheSameSinkAndMicrophone) {
    SoundServerBack back;
    TestSoundServer server;
    ASSERT_FALSE(server.name().isEmpty()) << "run the test in scripts/test-desktop";
    const QList<qint64> before = server.pids();
    ASSERT_FALSE(before.isEmpty()) << server.error().toStdString();
    const bool pipewire = server.name() == QStringLiteral("pipewire");
    EXPECT_EQ(pactl({"info"}).contains(QStringLiteral("on PipeWire")), pipewire)
        << pactl({"info"}).toStdString();

    for (const bool crash : {true, false}) {
        ASSERT_TRUE(crash ? server.kill() : server.stop()) << server.error().toStdString();
        EXPECT_FALSE(server.running());
        EXPECT_TRUE(pactl({"info"}).isEmpty()) << "a server still answers";

        ASSERT_TRUE(server.start()) << server.error().toStdString();
        const QList<qint64> after = server.pids();
        EXPECT_EQ(after.size(), before.size());
        for (qint64 pid : after)
            EXPECT_FALSE(before.contains(pid));
        EXPECT_EQ(pactl({"get-default-sink"}), QStringLiteral("testsink"));
        EXPECT_EQ(pactl({"get-default-source"}), QStringLiteral("testmic"));
        EXPECT_EQ(pactl({"info"}).contains(QStringLiteral("on PipeWire")), pipewire);
    }

    ASSERT_TRUE(server.restart()) << server.error().toStdString();
    EXPECT_EQ(pactl({"get-default-source"}), QStringLiteral("testmic"));
}
