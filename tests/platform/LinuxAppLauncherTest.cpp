// Desktop entries started as real processes: what the program is given, and which
// processes count as the launch's.
#include "platform/linux/LinuxAppLauncher.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace brisklet::platform;

namespace {
QByteArray procFile(qint64 pid, const char* name) {
    QFile file(QStringLiteral("/proc/%1/%2").arg(pid).arg(QLatin1String(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

TEST(LinuxAppLauncher, aWrappersProgramIsTheLaunchsAndCarriesItsStartupId) {
    QTemporaryDir dir;
    QDir().mkpath(dir.path() + "/applications");
    QFile entry(dir.path() + "/applications/wrapped.desktop");
    ASSERT_TRUE(entry.open(QIODevice::WriteOnly));
    entry.write("[Desktop Entry]\nType=Application\nName=Wrapped\nExec=sh -c \"sleep 60; true\"\n");
    entry.close();
    const auto entries = DesktopEntries::scan({dir.path() + "/applications"}, DesktopLocale::parse("C"));
    brisklet::test::FakeClock clock;
    brisklet::test::FakeDesktop desktop(clock);
    LinuxAppLauncher launcher(desktop, [&] { return entries; });

    const auto launch = launcher.launch("wrapped");
    ASSERT_TRUE(launch.ok) << launch.error.toStdString();
    qint64 program = 0; // the shell's own child, once it has become sleep: read in the middle of its
                        // exec, a process's environment comes back empty
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            program = procFile(launch.pid, QByteArray("task/" + QByteArray::number(launch.pid) + "/children"))
                          .trimmed()
                          .toLongLong();
            return program > 0 && procFile(program, "cmdline").startsWith("sleep");
        },
        10000));

    EXPECT_FALSE(launch.startupId.isEmpty());
    EXPECT_TRUE(
        procFile(program, "environ").split('\0').contains("DESKTOP_STARTUP_ID=" + launch.startupId.toUtf8()))
        << "the program inherits the launch's startup id";
    EXPECT_NE(LinuxAppLauncher::freshStartupId(), LinuxAppLauncher::freshStartupId()) << "one per launch";

    EXPECT_TRUE(launcher.startedBy(launch.pid, launch.pid));
    EXPECT_TRUE(launcher.startedBy(program, launch.pid));
    EXPECT_FALSE(launcher.startedBy(launch.pid, program));
    EXPECT_FALSE(launcher.startedBy(getpid(), launch.pid));
    EXPECT_FALSE(launcher.startedBy(program, 1)) << "every process descends from the first";
    EXPECT_FALSE(launcher.startedBy(0, launch.pid));

    ::kill(program, SIGKILL);
    ::kill(launch.pid, SIGKILL);
}
