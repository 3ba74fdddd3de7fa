// The one-time import of the predecessor's data folder and settings.
#include "shell/LegacyMigration.h"

#include "base/Paths.h"
#include "base/Prefs.h"
#include "support/FileBytes.h"
#include "support/FileFaults.h"
#include "support/LogCapture.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

void writeLegacySettings(const QVariantMap& values) {
    QDir().mkpath(QFileInfo(LegacyMigration::legacySettingsPath()).path());
    QSettings legacy(LegacyMigration::legacySettingsPath(), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        legacy.setValue(it.key(), it.value());
    legacy.sync();
}

} // namespace

TEST(LegacyMigration, copiesTheWholeFolderAndLeavesTheOldOneInPlace) {
    TempHome home;
    const QString old = LegacyMigration::legacyDataFolder();
    writeBytes(old + "/setups.json", "[1]");
    writeBytes(old + "/Shortcuts/Brisklet DND", "#!/bin/sh\n");
    writeBytes(old + "/.hidden", "h");
    LegacyMigration::runIfNeeded();
    EXPECT_EQ(readBytes(Paths::setupsJSON()), "[1]");
    EXPECT_EQ(readBytes(Paths::shortcutsFolder() + "/Brisklet DND"), "#!/bin/sh\n");
    EXPECT_EQ(readBytes(Paths::dataFolder() + "/.hidden"), "h");
    EXPECT_EQ(readBytes(old + "/setups.json"), "[1]");
    EXPECT_FALSE(QFileInfo::exists(Paths::dataFolder() + ".migrating"));
}

TEST(LegacyMigration, aRelativeLinkStillPointsInsideTheFolderItWasCopiedTo) {
    TempHome home;
    const QString old = LegacyMigration::legacyDataFolder();
    writeBytes(old + "/layouts-2.json", "{}");
    ASSERT_TRUE(QFile::link("layouts-2.json", old + "/layouts.json"));
    LegacyMigration::runIfNeeded();
    EXPECT_EQ(QFileInfo(Paths::layoutsJSON()).symLinkTarget().toStdString(),
              (Paths::dataFolder() + "/layouts-2.json").toStdString());
}

TEST(LegacyMigration, bothFoldersPresentCopiesNothingButSettingsStillImportOnce) {
    TempHome home;
    writeBytes(LegacyMigration::legacyDataFolder() + "/setups.json", "old");
    writeBytes(Paths::setupsJSON(), "mine");
    writeLegacySettings({{"tapsly.commandsRun", 12}});
    LegacyMigration::runIfNeeded();
    EXPECT_EQ(readBytes(Paths::setupsJSON()), "mine");
    EXPECT_EQ(Prefs::intValue(Prefs::Key::commandsRun), 12);
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::migratedFromLegacy));
}

TEST(LegacyMigration, aLeftoverStagingFolderIsReplacedByAFreshCopy) {
    TempHome home;
    writeBytes(LegacyMigration::legacyDataFolder() + "/layouts.json", "{}");
    writeBytes(Paths::dataFolder() + ".migrating/stale.json", "stale");
    LegacyMigration::runIfNeeded();
    EXPECT_EQ(readBytes(Paths::layoutsJSON()), "{}");
    EXPECT_FALSE(QFileInfo::exists(Paths::dataFolder() + "/stale.json"));
    EXPECT_FALSE(QFileInfo::exists(Paths::dataFolder() + ".migrating"));
}

TEST(LegacyMigration, aLeftoverStagingFileIsRemovedToo) {
    TempHome home;
    writeBytes(LegacyMigration::legacyDataFolder() + "/layouts.json", "{}");
    writeBytes(Paths::dataFolder() + ".migrating", "half");
    LegacyMigration::runIfNeeded();
    EXPECT_EQ(readBytes(Paths::layoutsJSON()), "{}");
}

TEST(LegacyMigration, aFailedCopyLeavesNoFolderAndIsTriedAgain) {
    TempHome home;
    LogCapture log;
    const QString old = LegacyMigration::legacyDataFolder();
    writeBytes(old + "/setups.json", QByteArray(200 * 1024, ' ') + "[]");
    {
        FileSizeLimit fullDisk(64 * 1024);
        LegacyMigration::runIfNeeded();
    }
    EXPECT_FALSE(QFileInfo::exists(Paths::dataFolder()));
    EXPECT_FALSE(QFileInfo::exists(Paths::dataFolder() + ".migrating"));
    EXPECT_EQ(log.count("legacy data migration failed: couldn't copy"), 1);
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::migratedFromLegacy)) << "settings are imported at most once";
    // The launch goes on and makes its data folder, empty.
    ASSERT_TRUE(Paths::ensure());

    LegacyMigration::runIfNeeded();
    EXPECT_EQ(readBytes(Paths::setupsJSON()), readBytes(old + "/setups.json"));
}

TEST(LegacyMigration, aRetryReplacesWhatTheFailedLaunchWroteButKeepsWhatTheUserChangedSince) {
    TempHome home;
    const QString old = LegacyMigration::legacyDataFolder();
    writeBytes(old + "/commands.json", "old commands");
    writeBytes(old + "/layouts.json", "old layouts");
    writeBytes(old + "/Shortcuts/big", QByteArray(200 * 1024, 'x'));
    {
        FileSizeLimit fullDisk(64 * 1024);
        LegacyMigration::runIfNeeded();
    }
    // What that launch then wrote of its own, before anyone could change anything.
    writeBytes(Paths::commandsJSON(), "built-in commands");
    writeBytes(Paths::layoutsJSON(), "launch layouts");
    LegacyMigration::noteLaunchFiles();
    writeBytes(Paths::layoutsJSON(), "my layouts");
    writeBytes(Paths::setupsJSON(), "my setups");

    ASSERT_TRUE(LegacyMigration::importDataFolder(old, Paths::dataFolder()));
    EXPECT_EQ(readBytes(Paths::commandsJSON()), "old commands");
    EXPECT_EQ(readBytes(Paths::layoutsJSON()), "my layouts");
    EXPECT_EQ(readBytes(Paths::setupsJSON()), "my setups");
    EXPECT_EQ(readBytes(Paths::shortcutsFolder() + "/big").size(), 200 * 1024);

    writeBytes(Paths::commandsJSON(), "my commands");
    EXPECT_FALSE(LegacyMigration::importDataFolder(old, Paths::dataFolder())) << "done once it has succeeded";
    EXPECT_EQ(readBytes(Paths::commandsJSON()), "my commands");
}

TEST(LegacyMigration, twoProcessesImportingAtOnceBringEveryFileOver) {
    TempHome home;
    const QString old = LegacyMigration::legacyDataFolder();
    QStringList files;
    for (int i = 0; i < 150; ++i)
        files << QStringLiteral("%1/file%2.json").arg(i % 5 ? "Shortcuts" : "layouts").arg(i);
    for (const QString& file : files)
        writeBytes(old + "/" + file, file.toUtf8());
    for (int round = 0; round < 10; ++round) {
        SCOPED_TRACE(round);
        QDir(Paths::dataFolder()).removeRecursively();
        // Both wait on one pipe, so that they start copying together.
        int gate[2];
        ASSERT_EQ(::pipe(gate), 0);
        pid_t children[2];
        for (pid_t& child : children) {
            child = ::fork();
            ASSERT_GE(child, 0);
            if (child == 0) {
                ::close(gate[1]);
                char byte;
                [[maybe_unused]] auto n = ::read(gate[0], &byte, 1);
                LegacyMigration::importDataFolder(old, Paths::dataFolder());
                ::_exit(0);
            }
        }
        ::close(gate[0]);
        ::close(gate[1]);
        for (pid_t child : children) {
            int status = 0;
            ASSERT_EQ(::waitpid(child, &status, 0), child);
            EXPECT_TRUE(WIFEXITED(status));
        }
        int missing = 0;
        for (const QString& file : files)
            missing += readBytes(Paths::dataFolder() + "/" + file) != file.toUtf8();
        EXPECT_EQ(missing, 0);
        EXPECT_FALSE(QFileInfo::exists(Paths::dataFolder() + ".migrating"));
    }
}

TEST(LegacyMigration, storedValuesWinOverImportedOnesAndDefaultsDoNot) {
    TempHome home;
    Prefs::setValue(Prefs::Key::sensitivity, 0.9);
    writeLegacySettings({{"tapsly.sensitivity", 0.2},
                         {"tapsly.soundsEnabled", false},
                         {"tapsly.wakeKeyCode", 61},
                         {"tapsly.appearance", "dark"},
                         {"tapsly.unrelated", "no"}});
    LegacyMigration::runIfNeeded();
    Prefs::registerDefaults(); // as the launch does next
    EXPECT_DOUBLE_EQ(Prefs::doubleValue(Prefs::Key::sensitivity), 0.9);
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::soundsEnabled)) << "imported over the registered default";
    EXPECT_EQ(Prefs::intValue(Prefs::Key::wakeKeyCode), 61);
    EXPECT_EQ(Prefs::stringValue(Prefs::Key::appearance), "dark");
    EXPECT_FALSE(Prefs::contains("brisklet.unrelated"));
    EXPECT_FALSE(Prefs::contains(Prefs::Key::askEnabled)) << "nothing to import, nothing stored";
}

TEST(LegacyMigration, aSecondLaunchImportsNoSettings) {
    TempHome home;
    writeLegacySettings({{"tapsly.setupsRun", 3}});
    LegacyMigration::runIfNeeded();
    Prefs::remove(Prefs::Key::setupsRun);
    writeLegacySettings({{"tapsly.setupsRun", 7}});
    LegacyMigration::runIfNeeded();
    EXPECT_FALSE(Prefs::contains(Prefs::Key::setupsRun));
}

TEST(LegacyMigration, noPredecessorStillSetsTheMarkerAndMakesNoFolder) {
    TempHome home;
    LegacyMigration::runIfNeeded();
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::migratedFromLegacy));
    EXPECT_FALSE(QFileInfo::exists(Paths::dataFolder()));
}
