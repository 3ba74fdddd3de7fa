#include "platform/linux/PosixProcessRunner.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

using brisklet::platform::PosixProcessRunner;
using brisklet::platform::ProcessResult;

namespace {
ProcessResult sh(const QString& script, double limit = 5.0, PosixProcessRunner::Limits limits = {}) {
    PosixProcessRunner runner(limits);
    return runner.run(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script}, limit);
}
} // namespace

TEST(PosixProcessRunner, exitStatusAndBothStreams) {
    auto r = sh("echo out; echo err >&2; exit 3");
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "out\n");
    EXPECT_EQ(r.err, "err\n");
    EXPECT_EQ(sh("true").status, 0);
}

TEST(PosixProcessRunner, aMissingProgramNeverStarts) {
    PosixProcessRunner runner;
    EXPECT_EQ(runner.run("/nonexistent/program", {}, 1.0), (ProcessResult{-1, {}, {}}));
    EXPECT_EQ(runner.run("no-such-program-anywhere", {}, 1.0).status, -1);
}

TEST(PosixProcessRunner, aChildEndedBySignalIsNeverSuccess) {
    EXPECT_EQ(sh("kill -KILL $$").status, 128 + 9);
    EXPECT_EQ(sh("kill -TERM $$").status, 128 + 15);
}

TEST(PosixProcessRunner, aChildIgnoringTerminateIsKilledAfterTheGrace) {
    QElapsedTimer timer;
    timer.start();
    // Ignored signals stay ignored in `sleep` too, so the whole group needs the kill.
    auto r = sh("trap '' TERM; echo started; sleep 30", 0.2);
    const double elapsed = timer.elapsed() / 1000.0;
    EXPECT_NE(r.status, 0);
    EXPECT_EQ(r.out, "started\n");
    EXPECT_GE(elapsed, 1.1);
    EXPECT_LT(elapsed, 5.0);
}

TEST(PosixProcessRunner, aTimeLimitOfZeroStopsTheChildAtOnce) {
    QElapsedTimer timer;
    timer.start();
    auto r = sh("sleep 20", 0);
    EXPECT_NE(r.status, 0);
    EXPECT_LT(timer.elapsed(), 3000);
}

TEST(PosixProcessRunner, floodedStreamsAreReadWhileTheChildRuns) {
    // Far more than a pipe holds on both streams: a runner that reads only at the
    // end would wait for ever.
    auto r = sh("head -c 300000 /dev/zero | tr '\\0' a; head -c 300000 /dev/zero | tr '\\0' b >&2");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.size(), 300000);
    EXPECT_EQ(r.err.size(), 300000);
    PosixProcessRunner::Limits small;
    small.maxOutput = 1000;
    auto capped = sh("head -c 300000 /dev/zero | tr '\\0' a", 5.0, small);
    EXPECT_EQ(capped.status, 0);
    EXPECT_EQ(capped.out, QString(1000, 'a'));
}

TEST(PosixProcessRunner, aGrandchildHoldingThePipesDoesNotHoldTheCaller) {
    QElapsedTimer timer;
    timer.start();
    auto r = sh("sleep 4 & echo done");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "done\n");
    EXPECT_LT(timer.elapsed(), 2000);
}

TEST(PosixProcessRunner, outputThatIsNotUtf8ReadsAsEmpty) {
    auto r = sh("printf '\\377\\376ok'");
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.isEmpty());
}

TEST(PosixProcessRunner, environmentEntriesAreAdded) {
    PosixProcessRunner runner;
    auto r = runner.run("/bin/sh", {"-c", "echo \"$LC_ALL-$HOME\""}, 5.0, {{"LC_ALL", "C"}});
    EXPECT_EQ(r.out, "C-" + qEnvironmentVariable("HOME") + "\n");
}
