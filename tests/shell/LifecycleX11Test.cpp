#include "support/ChildProcess.h"
#include "support/X11Session.h"

#include <QProcess>
#include <csignal>
#include <gtest/gtest.h>

using brisklet::test::collect;
using brisklet::test::X11Session;

// The app keeps running without windows and leaves cleanly on each stop signal.
class Lifecycle : public ::testing::TestWithParam<int> {};

TEST_P(Lifecycle, startsLogsOneLaunchLineAndExitsCleanlyOnSignal) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    QProcess app;
    app.setProcessChannelMode(QProcess::MergedChannels);
    app.start(QStringLiteral(BRISKLET_EXECUTABLE), {"--autostart"});
    ASSERT_TRUE(app.waitForStarted(5000));
    QByteArray output;
    const bool launched = X11Session::waitUntil(
        [&] { return collect(app, output).contains("launched") || app.state() == QProcess::NotRunning; }, 15);
    ASSERT_TRUE(launched && app.state() == QProcess::Running) << output.toStdString();
    EXPECT_EQ(output.count("launched"), 1);

    ::kill(static_cast<pid_t>(app.processId()), GetParam());
    ASSERT_TRUE(app.waitForFinished(10000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(app.exitCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(Signals, Lifecycle, ::testing::Values(SIGTERM, SIGINT, SIGHUP));
