#include "base/AppState.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Prefs.h"
#include "base/Text.h"
#include "support/TempHome.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <limits>

using namespace brisklet;

TEST(AppState, secondsSavedCountsFourteenPerCommandAndSeventySixPerSetup) {
    test::TempHome home;
    Prefs::setValue(Prefs::Key::commandsRun, 10);
    Prefs::setValue(Prefs::Key::setupsRun, 2);
    AppState state;
    EXPECT_EQ(state.commandsRun(), 10);
    EXPECT_EQ(state.setupsRun(), 2);
    EXPECT_EQ(state.secondsSaved(), 292);
    EXPECT_FALSE(state.isListening());
}

TEST(AppState, hugeCountersNeverShowANegativeTimeSaved) {
    test::TempHome home;
    Prefs::setValue(Prefs::Key::commandsRun, 200'000'000);
    Prefs::setValue(Prefs::Key::setupsRun, 30'000'000);
    AppState state;
    EXPECT_EQ(state.secondsSaved(), std::numeric_limits<int>::max());
    Prefs::setValue(Prefs::Key::commandsRun, std::numeric_limits<int>::max());
    Prefs::setValue(Prefs::Key::setupsRun, -5);
    state.recordCommand();
    EXPECT_EQ(state.commandsRun(), std::numeric_limits<int>::max());
    EXPECT_EQ(state.secondsSaved(), std::numeric_limits<int>::max());
    Prefs::setValue(Prefs::Key::commandsRun, -3);
    state.refresh();
    EXPECT_EQ(state.secondsSaved(), 0);
}

TEST(AppState, recordCommandContinuesFromTheStoredCounter) {
    test::TempHome home;
    AppState state;
    EXPECT_EQ(state.commandsRun(), 0);
    // Another process counts three commands meanwhile.
    {
        QSettings other(Prefs::settingsPath(), QSettings::IniFormat);
        other.setValue(Prefs::Key::commandsRun, 3);
        other.setValue(Prefs::Key::setupsRun, 1);
    }
    QSignalSpy commands(&state, &AppState::commandsRunChanged);
    QSignalSpy setups(&state, &AppState::setupsRunChanged);
    state.recordCommand();
    EXPECT_EQ(state.commandsRun(), 4);
    EXPECT_EQ(state.setupsRun(), 1);
    EXPECT_EQ(state.secondsSaved(), 4 * 14 + 76);
    EXPECT_EQ(commands.count(), 1);
    EXPECT_EQ(setups.count(), 1);
    EXPECT_EQ(Prefs::intValue(Prefs::Key::commandsRun), 4);
}

TEST(Paths, readingPathsCreatesNothingAndEnsureMakesTheFolder) {
    test::TempHome home;
    const QString first = Paths::setupsJSON();
    EXPECT_EQ(first, Paths::setupsJSON());
    EXPECT_EQ(first, home.dataHome() + "/Brisklet/setups.json");
    EXPECT_EQ(Paths::commandsJSON(), home.dataHome() + "/Brisklet/commands.json");
    EXPECT_EQ(Paths::layoutsJSON(), home.dataHome() + "/Brisklet/layouts.json");
    EXPECT_FALSE(QFileInfo::exists(Paths::dataFolder()));
    EXPECT_TRUE(Paths::ensure());
    EXPECT_TRUE(QFileInfo(Paths::dataFolder()).isDir());
}

TEST(Paths, ensureReportsAFolderThatCannotBeMade) {
    test::TempHome home;
    QDir().mkpath(home.dataHome());
    QFile blocker(Paths::dataFolder());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // a file where the folder belongs
    blocker.close();
    EXPECT_FALSE(Paths::ensure());
}

TEST(Text, normalizeKeepsWordsSymbolsAndDigitsOnly) {
    EXPECT_EQ(Text::normalize("  Open   Firefox, please!  "), "open firefox please");
    EXPECT_EQ(Text::normalize("Set volume to 50%"), "set volume to 50");
    EXPECT_EQ(Text::normalize("C++ rocks"), "c++ rocks"); // "+" is a symbol, not punctuation
    EXPECT_EQ(Text::normalize("it\u2019s \u201Cwork\u201D \u2014 now\n\ttoo"), "its work now too");
    EXPECT_EQ(Text::normalize("\u00BFQu\u00C9?"), "qu\u00E9");
    EXPECT_EQ(Text::normalize("... !!"), "");
    EXPECT_EQ(Text::normalize(""), "");
}

TEST(Text, trimmingTakesHorizontalBlanksButNotLineBreaks) {
    EXPECT_EQ(Text::trimHorizontal(QString::fromUtf8("\t\u00A0 a b \u2003")), "a b");
    EXPECT_EQ(Text::trimHorizontal("\na\n"), "\na\n");
}

TEST(Log, detailLinesAppearOnlyWhileTheSettingIsOn) {
    test::TempHome home;
    Prefs::registerDefaults();
    EXPECT_FALSE(lcAudio().isDebugEnabled());
    EXPECT_TRUE(lcAudio().isInfoEnabled());
    int formatted = 0;
    auto count = [&] { return ++formatted; };
    BK_DETAIL(lcAudio) << "frame" << count();
    EXPECT_EQ(formatted, 0); // nothing is even formatted while off
    Prefs::setValue(Prefs::Key::debugAudio, true);
    BK_DETAIL(lcAudio) << "frame" << count();
    EXPECT_EQ(formatted, 1);
    EXPECT_TRUE(lcAudio().isDebugEnabled());
    Prefs::setValue(Prefs::Key::debugAudio, false);
    BK_DETAIL(lcAudio) << "frame" << count();
    EXPECT_EQ(formatted, 1);
    EXPECT_FALSE(lcAudio().isDebugEnabled());
}
