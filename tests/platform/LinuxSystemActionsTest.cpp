#include "platform/linux/LinuxSystemActions.h"
#include "platform/linux/PosixProcessRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet::platform;

namespace {
void writeScript(const QString& path, const QByteArray& body) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\n" + body);
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Puts a folder of stand-in programs first on PATH for one test.
class FakePath {
public:
    FakePath() : old_(qgetenv("PATH")) { qputenv("PATH", dir_.path().toUtf8() + ":" + old_); }
    ~FakePath() { qputenv("PATH", old_); }
    QString path() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QByteArray old_;
};
} // namespace

TEST(LinuxSystemActions, volumeReadingsAreTheLoudestChannelClampedTo100) {
    struct Row {
        const char* output;
        std::optional<int> volume;
    } rows[] = {
        {"Volume: front-left: 42598 /  65% / -11.23 dB,   front-right: 42598 /  65% / -11.23 dB\n"
         "        balance 0.00\n",
         65},
        {"Volume: front-left: 85197 / 130% / 6.84 dB,   front-right: 85197 / 130% / 6.84 dB", 100},
        {"Volume: front-left: 0 /   0% / -inf dB,   front-right: 19661 /  30% / -31.37 dB", 30},
        {"Volume: mono: 65536 / 100% / 0.00 dB", 100},
        {"Failure: No such entity", std::nullopt},
        {"", std::nullopt},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LinuxSystemActions::parseVolume(row.output), row.volume) << row.output;
}

TEST(LinuxSystemActions, volumeGoesThroughPactlInTheCLocale) {
    FakePath fake;
    const QString log = fake.path() + "/calls";
    writeScript(fake.path() + "/pactl", "echo \"$LC_ALL $*\" >> " + log.toUtf8() +
                                            "\n"
                                            "case \"$1\" in get-sink-volume) echo \"$FAKE_VOLUME\";; esac\n");
    PosixProcessRunner runner;
    LinuxSystemActions actions(runner);
    qputenv("FAKE_VOLUME", "Volume: front-left: 85197 / 130% / 6.84 dB");
    EXPECT_EQ(actions.currentVolume(), 100);
    qputenv("FAKE_VOLUME", "Volume: n/a");
    EXPECT_EQ(actions.currentVolume(), std::nullopt);
    qunsetenv("FAKE_VOLUME");
    EXPECT_TRUE(actions.setVolume(150));
    EXPECT_TRUE(actions.setVolume(-5));
    EXPECT_TRUE(actions.setMuted(true));
    EXPECT_TRUE(actions.setMuted(false));
    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(f.readAll()), "C get-sink-volume @DEFAULT_SINK@\n"
                                              "C get-sink-volume @DEFAULT_SINK@\n"
                                              "C set-sink-volume @DEFAULT_SINK@ 100%\n"
                                              "C set-sink-volume @DEFAULT_SINK@ 0%\n"
                                              "C set-sink-mute @DEFAULT_SINK@ 1\n"
                                              "C set-sink-mute @DEFAULT_SINK@ 0\n");
}

TEST(LinuxSystemActions, aFailingSoundServerIsAFailure) {
    FakePath fake;
    writeScript(fake.path() + "/pactl", "echo 'Connection failure' >&2; exit 1\n");
    PosixProcessRunner runner;
    LinuxSystemActions actions(runner);
    EXPECT_EQ(actions.currentVolume(), std::nullopt);
    EXPECT_FALSE(actions.setVolume(50));
    EXPECT_FALSE(actions.setMuted(true));
}

TEST(LinuxSystemActions, shortcutsAreTheFolderExecutables) {
    QTemporaryDir dir;
    writeScript(dir.path() + "/Brisklet DND", "echo toggled\n");
    writeScript(dir.path() + "/Fail", "exit 2\n");
    writeScript(dir.path() + "/.hidden", "exit 0\n");
    QFile plain(dir.path() + "/notes.txt");
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    plain.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
    QDir(dir.path()).mkdir("folder");

    PosixProcessRunner runner;
    LinuxSystemActions actions(runner, {{}, dir.path()});
    EXPECT_EQ(actions.shortcuts(), (QStringList{"Brisklet DND", "Fail"}));
    EXPECT_TRUE(actions.shortcutExists("Brisklet DND"));
    EXPECT_FALSE(actions.shortcutExists("brisklet dnd")) << "names are compared exactly";
    EXPECT_FALSE(actions.shortcutExists("notes.txt")) << "not executable";
    EXPECT_FALSE(actions.shortcutExists("folder"));
    auto ran = actions.runShortcut("Brisklet DND", 5.0);
    EXPECT_EQ(ran.status, 0);
    EXPECT_EQ(ran.out, "toggled\n");
    EXPECT_EQ(actions.runShortcut("Fail", 5.0).status, 2);
    EXPECT_NE(actions.runShortcut("Missing", 5.0).status, 0);
}

TEST(LinuxSystemActions, namesThatCouldLeaveTheFolderAreRefused) {
    QTemporaryDir outer;
    QDir(outer.path()).mkdir("Shortcuts");
    writeScript(outer.path() + "/escape", "touch " + outer.path().toUtf8() + "/escaped\n");
    writeScript(outer.path() + "/Shortcuts/.secret", "exit 0\n");
    PosixProcessRunner runner;
    LinuxSystemActions actions(runner, {{}, outer.path() + "/Shortcuts"});
    for (const QString name : {"../escape", "a/b", ".secret", "", "  ", "/bin/true"}) {
        EXPECT_FALSE(SystemActions::isAcceptableShortcutName(name)) << name.toStdString();
        EXPECT_FALSE(actions.shortcutExists(name)) << name.toStdString();
        EXPECT_NE(actions.runShortcut(name, 5.0).status, 0) << name.toStdString();
    }
    EXPECT_FALSE(QFile::exists(outer.path() + "/escaped"));
}

TEST(LinuxSystemActions, screenshotNamesNeverRepeat) {
    EXPECT_EQ(LinuxSystemActions::screenshotName("20261207-091500", 1), "Brisklet-20261207-091500.png");
    EXPECT_EQ(LinuxSystemActions::screenshotName("20261207-091500", 2), "Brisklet-20261207-091500-2.png");
    EXPECT_EQ(LinuxSystemActions::screenshotName("20261207-091500", 3), "Brisklet-20261207-091500-3.png");
}
