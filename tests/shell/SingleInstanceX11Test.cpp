#include "support/ChildProcess.h"
#include "support/X11Session.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet::test;

namespace {

// Two launches in one session: the second defers to the first, asks it to show
// itself and quits.
void secondLaunchDefers(const QString& firstProgram, const QString& secondProgram) {
    X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    QTemporaryDir runtime; // a socket of this test's own
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());

    QProcess first;
    startMerged(first, env, firstProgram, {"--autostart"});
    QByteArray firstOut;
    ASSERT_TRUE(X11Session::waitUntil([&] { return collect(first, firstOut).contains("launched"); }, 15))
        << firstOut.toStdString();

    QProcess second;
    startMerged(second, env, secondProgram, {});
    ASSERT_TRUE(second.waitForFinished(15000));
    const QByteArray secondOut = second.readAll();
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(secondOut.contains("is already running — deferring to it")) << secondOut.toStdString();
    EXPECT_FALSE(secondOut.contains("launched"));

    EXPECT_TRUE(X11Session::waitUntil([&] { return collect(first, firstOut).contains("asked to show"); }, 5))
        << firstOut.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running);
    first.terminate();
    first.waitForFinished(5000);
}

} // namespace

TEST(SingleInstance, aSecondLaunchDefersAndTheFirstIsAskedToShow) {
    secondLaunchDefers(BRISKLET_EXECUTABLE, BRISKLET_EXECUTABLE);
}

// A development build and an installed copy are one program to the user.
TEST(SingleInstance, aSecondLaunchFromAnotherPathDefersToo) {
    QTemporaryDir installed;
    const QString copy = installed.filePath("brisklet");
    ASSERT_TRUE(QFile::copy(BRISKLET_EXECUTABLE, copy));
    ASSERT_TRUE(QFile::setPermissions(copy, QFile::permissions(BRISKLET_EXECUTABLE)));
    secondLaunchDefers(BRISKLET_EXECUTABLE, copy);
}
