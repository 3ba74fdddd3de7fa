#include "base/Prefs.h"
#include "base/Termination.h"
#include "support/FileFaults.h"
#include "support/FolderWriteFault.h"
#include "support/LogCapture.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>

using namespace brisklet;

namespace {
// Write settings the way an earlier run (or another process) would have.
void storeRaw(const QString& key, const QVariant& value) {
    QSettings settings(Prefs::settingsPath(), QSettings::IniFormat);
    settings.setValue(key, value);
}

// The value as the file on disk holds it: a QSettings of this process would show the
// changes it has not written yet.
QString storedOnDisk(const QString& key) {
    QFile file(Prefs::settingsPath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray prefix = key.toUtf8() + '=';
    for (const QByteArray& line : file.readAll().split('\n'))
        if (line.startsWith(prefix))
            return QString::fromUtf8(line.mid(prefix.size()));
    return {};
}
} // namespace

TEST(Prefs, freshInstallReadsTheRegisteredTable) {
    test::TempHome home;
    Prefs::registerDefaults();
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::clapWake));
    EXPECT_EQ(Prefs::stringValue(Prefs::Key::activationStyle), "hold");
    EXPECT_DOUBLE_EQ(Prefs::doubleValue(Prefs::Key::sensitivity), 6.0);
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::soundsEnabled));
    EXPECT_EQ(Prefs::stringValue(Prefs::Key::wakeSound), "droplet");
    EXPECT_DOUBLE_EQ(Prefs::doubleValue(Prefs::Key::soundVolume), 0.35);
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::fusionDisabled));
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::askEnabled));
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::debugAudio));
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::onboarded));
    EXPECT_EQ(Prefs::intValue(Prefs::Key::wakeKeyCode), 54);
    EXPECT_EQ(Prefs::registeredDefaults().size(), 10);
    // Unregistered keys read as nothing.
    EXPECT_EQ(Prefs::intValue(Prefs::Key::commandsRun), 0);
    EXPECT_FALSE(Prefs::value(Prefs::Key::appearance).isValid());
    // Registering wrote none of the defaults to the file.
    EXPECT_FALSE(Prefs::contains(Prefs::Key::sensitivity));
}

TEST(Prefs, storedValuesWinOverDefaultsAndComeBackTyped) {
    test::TempHome home;
    storeRaw(Prefs::Key::sensitivity, 8.5);
    storeRaw(Prefs::Key::soundsEnabled, false);
    storeRaw(Prefs::Key::wakeKeyCode, 61);
    storeRaw(Prefs::Key::commandsExpanded, QStringList{"Setups"});
    Prefs::registerDefaults();
    EXPECT_DOUBLE_EQ(Prefs::doubleValue(Prefs::Key::sensitivity), 8.5);
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::soundsEnabled));
    EXPECT_EQ(Prefs::intValue(Prefs::Key::wakeKeyCode), 61);
    EXPECT_EQ(Prefs::stringListValue(Prefs::Key::commandsExpanded), QStringList{"Setups"});
    Prefs::setValue(Prefs::Key::commandsExpanded, QStringList{"Apps", "Windows"});
    EXPECT_EQ(Prefs::stringListValue(Prefs::Key::commandsExpanded), (QStringList{"Apps", "Windows"}));
}

struct MigrationCase {
    const char* wakeMethod; // nullptr: absent
    bool clapWake;
    const char* style;
};

class WakeMigration : public ::testing::TestWithParam<MigrationCase> {};

TEST_P(WakeMigration, convertsTheOldWakeSettingOnce) {
    test::TempHome home;
    const auto c = GetParam();
    if (c.wakeMethod)
        storeRaw(Prefs::Key::wakeMethod, QString::fromLatin1(c.wakeMethod));
    storeRaw(Prefs::Key::activationStyle, QStringLiteral("whatever"));
    Prefs::registerDefaults();
    EXPECT_EQ(Prefs::boolValue(Prefs::Key::clapWake), c.clapWake);
    EXPECT_TRUE(Prefs::contains(Prefs::Key::clapWake));
    EXPECT_EQ(Prefs::stringValue(Prefs::Key::activationStyle), QString::fromLatin1(c.style));
    // The old setting itself is left alone.
    EXPECT_EQ(Prefs::contains(Prefs::Key::wakeMethod), c.wakeMethod != nullptr);
}

INSTANTIATE_TEST_SUITE_P(Prefs, WakeMigration,
                         ::testing::Values(MigrationCase{nullptr, false, "hold"},
                                           MigrationCase{"clap", true, "hold"},
                                           MigrationCase{"doubleTap", false, "tap"},
                                           MigrationCase{"somethingElse", false, "hold"}));

TEST(Prefs, migrationNeverRunsAgainOnceClapWakeIsStored) {
    for (bool stored : {true, false}) {
        test::TempHome home;
        storeRaw(Prefs::Key::clapWake, stored);
        storeRaw(Prefs::Key::wakeMethod, QStringLiteral("doubleTap"));
        storeRaw(Prefs::Key::activationStyle, QStringLiteral("hold"));
        Prefs::registerDefaults();
        Prefs::registerDefaults();
        EXPECT_EQ(Prefs::boolValue(Prefs::Key::clapWake), stored);
        EXPECT_EQ(Prefs::stringValue(Prefs::Key::activationStyle), "hold");
    }
}

TEST(Prefs, aPipeInPlaceOfTheSettingsFileIsNotOpened) {
    test::TempHome home;
    QDir().mkpath(QFileInfo(Prefs::settingsPath()).path());
    ASSERT_TRUE(test::makePipe(Prefs::settingsPath()));
    Prefs::registerDefaults(); // must not wait for a writer
    EXPECT_EQ(Prefs::intValue(Prefs::Key::wakeKeyCode), 54);
    Prefs::setValue(Prefs::Key::commandsRun, 3);
    Prefs::sync();
    EXPECT_EQ(Prefs::intValue(Prefs::Key::commandsRun), 3) << "kept for the session";
    EXPECT_FALSE(QFileInfo(Prefs::settingsPath()).isFile()) << "the pipe is left as it is";
}

TEST(Prefs, aSettingsWriteThatFailsIsLogged) {
    test::TempHome home;
    // A file where the settings folder belongs: nothing can be written there, even by root.
    const QString folder = QFileInfo(Prefs::settingsPath()).path();
    QDir().mkpath(QFileInfo(folder).path());
    QFile blocker(folder);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Prefs::registerDefaults();
    test::LogCapture log;
    Prefs::setValue(Prefs::Key::commandsRun, 3);
    Prefs::sync();
    EXPECT_EQ(log.count(Prefs::settingsPath()), 1) << log.messages().join('\n').toStdString();
    EXPECT_EQ(Prefs::intValue(Prefs::Key::commandsRun), 3) << "kept for the session";
}

// A change is written on the event loop's next turn: one that cannot be written is
// logged then, not when some later command happens to write, and again at quit,
// when this session's changes are lost.
TEST(Prefs, aChangeThatCannotBeWrittenIsLoggedAsItIsWrittenAndAtQuit) {
    test::TempHome home;
    Prefs::registerDefaults();
    Prefs::setValue(Prefs::Key::appearance, QStringLiteral("Light"));
    Prefs::sync();
    // A folder in place of the file: nothing can write it, even as root.
    ASSERT_TRUE(QFile::remove(Prefs::settingsPath()));
    ASSERT_TRUE(QDir().mkdir(Prefs::settingsPath()));
    test::LogCapture log;
    Prefs::setValue(Prefs::Key::appearance, QStringLiteral("Dark"));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(log.count(Prefs::settingsPath()), 1) << log.messages().join('\n').toStdString();
    EXPECT_EQ(Prefs::stringValue(Prefs::Key::appearance), "Dark") << "kept for the session";
    EXPECT_FALSE(Prefs::written()) << "for the views to say so";

    log.clear();
    Termination::runHooks();
    EXPECT_EQ(log.count(Prefs::settingsPath()), 1) << log.messages().join('\n').toStdString();
}

namespace {

// Whether the settings file itself still opens for writing while the fault keeps
// every new byte out of its folder.
bool settingsFileStaysWritable() {
    QFile settings(Prefs::settingsPath());
    return settings.open(QIODevice::ReadWrite | QIODevice::Append);
}

// Runs quit's hooks and ends the process, its code the number of lines they logged
// about the settings file. (On a full disk the log reaches no file, so it is counted
// here.)
void quitAndExit(test::LogCapture& log) {
    log.clear();
    Termination::runHooks();
    std::_Exit(log.count(Prefs::settingsPath()));
}

class UnwrittenSettings : public ::testing::TestWithParam<test::FolderFault> {};

} // namespace

// The file stays writable on a full disk or in a folder that takes no new file, yet
// the change never reaches the disk: it is logged as the event loop writes it, once,
// and again at quit; once the disk takes writes again, the next write catches up.
TEST_P(UnwrittenSettings, areLoggedAtTheChangeAndAtQuitWhateverTheCause) {
    // Quit's hooks run once a process, so quit is checked in a child, which runs this
    // test again from its start: it first lifts the file size limit it inherits.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ASSERT_TRUE(test::liftInheritedFileSizeLimit());
    test::ChildTempFolder childTemp;
    test::TempHome home;
    Prefs::registerDefaults();
    Prefs::setValue(Prefs::Key::commandsRun, 41);
    Prefs::sync();
    ASSERT_EQ(storedOnDisk(Prefs::Key::commandsRun), "41");
    {
        test::FolderWriteFault fault(QFileInfo(Prefs::settingsPath()).path(), GetParam());
        ASSERT_TRUE(settingsFileStaysWritable() && fault.holds())
            << "the fault could not be set up, so the test cannot run";
        test::LogCapture log;
        Prefs::increment(Prefs::Key::commandsRun);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(log.count(Prefs::settingsPath()), 1) << log.messages().join('\n').toStdString();
        Prefs::increment(Prefs::Key::commandsRun);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(log.count(Prefs::settingsPath()), 1) << "logged as it starts failing, not at each write";
        EXPECT_EQ(Prefs::intValue(Prefs::Key::commandsRun), 43) << "kept for the session";
        EXPECT_EQ(storedOnDisk(Prefs::Key::commandsRun), "41");
        EXPECT_FALSE(Prefs::written());
        EXPECT_EXIT(quitAndExit(log), ::testing::ExitedWithCode(1), "") << "logged again at quit";
    }
    test::LogCapture log;
    int told = 0;
    QObject listener;
    QObject::connect(&Prefs::writeState(), &Prefs::WriteState::changed, &listener, [&] { ++told; });
    Prefs::sync();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(Prefs::written());
    EXPECT_EQ(told, 1) << "the views are told it is written again";
    EXPECT_EQ(storedOnDisk(Prefs::Key::commandsRun), "43");
    EXPECT_EQ(log.count(Prefs::settingsPath()), 0) << log.messages().join('\n').toStdString();
    EXPECT_EXIT(quitAndExit(log), ::testing::ExitedWithCode(0), "") << "nothing is lost at quit";
}

INSTANTIATE_TEST_SUITE_P(Prefs, UnwrittenSettings,
                         ::testing::Values(test::FolderFault::fullDisk, test::FolderFault::readOnlyFolder),
                         [](const auto& info) { return test::faultName(info.param); });
