// Relaunching starts the program at its path whatever the path holds, and no
// part of the path is ever run as a command.
#include "shell/AppRelaunch.h"

#include "support/WaitFor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;

TEST(AppRelaunch, thePathIsAnArgumentNeverPartOfTheCommand) {
    const QString path = "/opt/a \"b\"/$(touch x)/brisklet";
    const QStringList command = AppRelaunch::command(path);
    ASSERT_EQ(command.size(), 4);
    EXPECT_EQ(command[0], "/bin/sh");
    EXPECT_EQ(command[1], "-c");
    EXPECT_FALSE(command[2].contains("opt"));
    EXPECT_EQ(command[3], path);
}

TEST(AppRelaunch, aProgramUnderAnAwkwardPathStartsAndNothingElseRuns) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString folder = dir.path() + "/My Apps/$(touch pwned); touch pwned2 `touch pwned3`";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString marker = dir.path() + "/started";
    const QString program = folder + "/brisklet";
    QFile script(program);
    ASSERT_TRUE(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(marker).toUtf8());
    script.close();
    script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    // Run from the temporary folder, where a stray "touch" would land.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    const bool started = AppRelaunch::start(program);
    QDir::setCurrent(before);
    ASSERT_TRUE(started);
    ASSERT_TRUE(test::waitFor([&] { return QFileInfo::exists(marker); }, 10000));
    for (const char* stray : {"pwned", "pwned2", "pwned3"})
        EXPECT_FALSE(QFileInfo::exists(dir.path() + "/" + stray)) << stray;
    EXPECT_FALSE(QFileInfo::exists(folder + "/pwned"));
}
