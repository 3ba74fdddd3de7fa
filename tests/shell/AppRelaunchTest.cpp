// Relaunching starts the program at its path whatever the path holds, no part of
// the path is ever run as a command, the new start waits for the old instance to
// end, and an instance whose new start failed stays.
#include "shell/AppRelaunch.h"

#include "support/WaitFor.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;

namespace {

// A program under an awkward path that records its arguments in `marker`.
QString writeProgram(const QString& folder, const QString& marker) {
    const QString program = folder + "/brisklet";
    QFile script(program);
    if (!script.open(QIODevice::WriteOnly))
        return {};
    script.write(QStringLiteral("#!/bin/sh\necho \"$0\" > '%1'\n").arg(marker).toUtf8());
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return program;
}

// The pid of a child that has already ended and been reaped.
qint64 endedPid() {
    QProcess child;
    child.start("/bin/true", {});
    child.waitForFinished(5000);
    return child.processId() ? child.processId() : 999999;
}

} // namespace

TEST(AppRelaunch, thePathAndThePidAreArgumentsNeverPartOfTheCommand) {
    const QString path = "/opt/a \"b\"/$(touch x)/brisklet";
    const QStringList command = AppRelaunch::command(path, 4242);
    ASSERT_EQ(command.size(), 5);
    EXPECT_EQ(command[0], "/bin/sh");
    EXPECT_EQ(command[1], "-c");
    EXPECT_FALSE(command[2].contains("opt"));
    EXPECT_FALSE(command[2].contains("4242"));
    EXPECT_EQ(command[3], path);
    EXPECT_EQ(command[4], "4242");
}

TEST(AppRelaunch, aProgramUnderAnAwkwardPathStartsUnchangedAndNothingElseRuns) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + "/My Apps/$(touch pwned); touch pwned2 `touch pwned3` \"q\"";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString marker = dir.path() + "/started";
    const QString program = writeProgram(folder, marker);
    ASSERT_FALSE(program.isEmpty());

    // Run from the temporary folder, where a stray "touch" would land.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const bool started = AppRelaunch::start(program, endedPid());
    QDir::setCurrent(before);
    ASSERT_TRUE(started);
    ASSERT_TRUE(test::waitFor([&] { return QFileInfo(marker).size() > 0; }, 10000));
    QFile recorded(marker);
    ASSERT_TRUE(recorded.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(recorded.readAll()).trimmed(), program) << "the path arrives as it was";
    for (const char* stray : {"pwned", "pwned2", "pwned3"})
        EXPECT_FALSE(QFileInfo::exists(dir.path() + "/" + stray)) << stray;
    EXPECT_FALSE(QFileInfo::exists(folder + "/pwned"));
}

TEST(AppRelaunch, theNewStartWaitsUntilTheOldInstanceHasEnded) {
    QTemporaryDir dir;
    const QString marker = dir.path() + "/started";
    const QString program = writeProgram(dir.path(), marker);
    QProcess old;
    old.start("/bin/sleep", {"1.5"});
    ASSERT_TRUE(old.waitForStarted(5000));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(AppRelaunch::start(program, old.processId()));
    old.waitForFinished(5000);
    ASSERT_TRUE(test::waitFor([&] { return QFileInfo::exists(marker); }, 10000));
    EXPECT_GE(clock.elapsed(), 1400) << "not before the old one was gone";
}

TEST(AppRelaunch, anInstanceWhoseNewStartFailsStays) {
    EXPECT_FALSE(AppRelaunch::start("/bin/true", endedPid(), "/nonexistent/sh"));
    EXPECT_FALSE(AppRelaunch::now("/nonexistent/sh"));
}
