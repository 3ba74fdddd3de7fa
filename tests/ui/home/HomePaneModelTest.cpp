// The Home pane's wording and ordering: the wake hints from the stored settings,
// the time saved, the three most recent setups and the phrases to try.
#include "ui/home/HomePaneModel.h"

#include "base/AppState.h"
#include "base/Prefs.h"
#include "setups/SetupStore.h"
#include "support/SetupRecords.h"
#include "support/TempHome.h"
#include "ui/design/RelativeTime.h"

#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QDateTime day = QDateTime(QDate(2026, 3, 1), QTime(9, 0), Qt::UTC);

} // namespace

TEST(HomePaneModelTest, TheHintsNameTheStoredKeyAndStyleWithFallbacks) {
    EXPECT_EQ(HomePaneModel::methodHint("hold", 54), "hold Right Super");
    EXPECT_EQ(HomePaneModel::methodHint("tap", 61), "tap Right Alt");
    EXPECT_EQ(HomePaneModel::methodHint("Tap", 54), "hold Right Super") << "only exactly tap taps";
    EXPECT_EQ(HomePaneModel::methodHint("hold", 0), "hold Right Super");
    EXPECT_EQ(HomePaneModel::methodHint("hold", 9999), "hold Right Super") << "an unknown key";
    EXPECT_EQ(HomePaneModel::wakeHint("tap", 58),
              "Tap Left Alt once, speak, and Brisklet finishes when you do.");
    EXPECT_EQ(HomePaneModel::wakeHint("sideways", 54),
              "Hold Right Super like a walkie-talkie — press, speak, release.");
}

TEST(HomePaneModelTest, TheStatusLineReadsTheSettingsEachTimeAndFollowsListening) {
    test::TempHome home;
    AppState state;
    HomePaneModel model;
    model.setAppState(&state);
    EXPECT_EQ(model.statusLine(), "Ready — hold Right Super, then speak");
    Prefs::setValue(Prefs::Key::activationStyle, "tap");
    Prefs::setValue(Prefs::Key::wakeKeyCode, 55);
    EXPECT_EQ(model.statusLine(), "Ready — tap Left Super, then speak");
    EXPECT_EQ(model.wakeHintNow(), "Tap Left Super once, speak, and Brisklet finishes when you do.");
    state.setListening(true);
    EXPECT_EQ(model.statusLine(), "Listening…");
}

TEST(HomePaneModelTest, TimeSavedIsSecondsMinutesOrHoursAndMinutes) {
    const std::pair<qint64, const char*> cases[] = {
        {-5, "-5s"},   {0, "0s"},       {59, "59s"},     {60, "1m"},
        {3599, "59m"}, {3600, "1h 0m"}, {3661, "1h 1m"}, {7500, "2h 5m"},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(HomePaneModel::timeSavedText(seconds), text) << seconds;
}

TEST(HomePaneModelTest, RecentSetupsAreTheThreeNewestByLastRunOrCreation) {
    const std::vector<brisklet::Setup> setups{
        setupNamed("Old", day.addDays(-30), day.addDays(-20)),
        setupNamed("Ran today", day.addDays(-40), day),
        setupNamed("Made yesterday", day.addDays(-1)),
        setupNamed("Ran last week", day.addDays(-50), day.addDays(-7)),
    };
    EXPECT_EQ(namesOf(HomePaneModel::recentSetups(setups)),
              QStringList({"Ran today", "Made yesterday", "Ran last week"}));

    const std::vector<brisklet::Setup> tied{setupNamed("A", day), setupNamed("B", day), setupNamed("C", day)};
    EXPECT_EQ(namesOf(HomePaneModel::recentSetups(tied)), QStringList({"A", "B", "C"}))
        << "ties keep store order";
}

TEST(HomePaneModelTest, TheThirdPhraseToTryIsTheNewestSetup) {
    EXPECT_EQ(HomePaneModel::trySaying({}), QStringList({"sort", "open Firefox", "left half"}));
    EXPECT_EQ(HomePaneModel::trySaying({setupNamed("Deep Work", day)}),
              QStringList({"sort", "open Firefox", "deep work"}));
}

TEST(HomePaneModelTest, SetupsRunShowsItsDetailOnlyAtZero) {
    test::TempHome home;
    AppState state;
    HomePaneModel model;
    model.setAppState(&state);
    EXPECT_EQ(model.setupsRunDetail().toString(), "say a setup's name to run it");
    Prefs::setValue(Prefs::Key::setupsRun, 1);
    state.refresh();
    EXPECT_FALSE(model.setupsRunDetail().isValid());
    EXPECT_EQ(model.setupsRun(), "1");
}

TEST(HomePaneModelTest, TheStoreDecidesBetweenRecentSetupsAndTheInvitation) {
    test::TempHome home;
    QTemporaryDir dir;
    SetupStore store(dir.filePath("setups.json"));
    HomePaneModel model;
    model.setSetups(&store);
    EXPECT_FALSE(model.hasSetups());
    int changes = 0;
    QObject::connect(&model, &HomePaneModel::changed, [&] { ++changes; });
    store.upsert(setupNamed("Deep Work", QDateTime()));
    EXPECT_GT(changes, 0);
    EXPECT_TRUE(model.hasSetups());
    const auto rows = model.recentSetupRows();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].toMap()["chip"], "deep work");
    EXPECT_EQ(rows[0].toMap()["lastRun"], "") << "never run: no time shown";
    EXPECT_EQ(model.trySayingNow().last(), "deep work");
}

TEST(HomePaneModelTest, RelativeTimesUseTheLargestWholeUnit) {
    const std::pair<qint64, const char*> cases[] = {
        {0, "0 sec. ago"},        {45, "45 sec. ago"},       {61, "1 min. ago"},
        {7200, "2 hr. ago"},      {86400, "1 day ago"},      {172800, "2 days ago"},
        {8 * 86400, "1 wk. ago"}, {61 * 86400, "2 mo. ago"}, {800 * 86400, "2 yr. ago"},
        {-120, "in 2 min."},
    };
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(relativeTime(day.addSecs(-seconds), day), text) << seconds;
}
