// Ranking the installed apps by local use: the score, the order, the labels and the
// scan over the desktop's sources.
#include "magic/MagicScan.h"
#include "magic/MagicFixtures.h"
#include "platform/AppUsageHistory.h"

#include "support/LogCapture.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class StubHistory final : public platform::AppUsageHistory {
public:
    std::map<QString, platform::UsageSignal> signalsByID;
    std::set<QString> dock;
    std::vector<platform::AppEntry> asked;
    std::map<QString, platform::UsageSignal> usage(const std::vector<platform::AppEntry>& apps) override {
        asked = apps;
        return signalsByID;
    }
    std::set<QString> dockIDs() override { return dock; }
};

class StubRunning final : public platform::RunningApps {
public:
    std::vector<platform::RunningApp> apps;
    std::vector<platform::RunningApp> runningApps() override { return apps; }
    std::optional<platform::RunningApp> frontmostApp() override { return std::nullopt; }
};

} // namespace

TEST(MagicScanScoreTest, useRecencyRunningAndDockAddUp) {
    EXPECT_DOUBLE_EQ(MagicScan::score(used("a", "A", 99, 0, true, true), kNow), 6.5);
    EXPECT_DOUBLE_EQ(MagicScan::score(used("a", "A", 0, std::nullopt, false, true), kNow), 1.0);
    EXPECT_DOUBLE_EQ(MagicScan::score(used("a", "A", 0), kNow), 0.0);
    EXPECT_DOUBLE_EQ(MagicScan::score(used("a", "A", -50), kNow), 0.0) << "a negative count is 0";
    EXPECT_DOUBLE_EQ(MagicScan::score(used("a", "A", 0, 7), kNow), 1.0) << "a week ago adds half";
    EXPECT_DOUBLE_EQ(MagicScan::score(used("a", "A", 0, 14), kNow), 0.5);
    EXPECT_DOUBLE_EQ(MagicScan::score(used("a", "A", 0, -3), kNow), 2.0) << "the future counts as now";
}

TEST(MagicScanRankTest, deniedAndSilentAppsGoAndTiesGoByName) {
    const std::vector<AppUsage> ranked = MagicScan::rank(
        {used("arc", "arc", 9), used("zed", "Zed", 9), used("quiet", "Quiet", 0),
         used("org.gnome.Nautilus", "Files", 5000, 0, true, true), used("brisklet", "Brisklet", 800),
         used("org.gnome.Settings", "Settings", 300), used("top", "Top", 1000)},
        kNow);
    ASSERT_EQ(ranked.size(), 3u);
    EXPECT_EQ(ranked[0].bundleID, "top");
    EXPECT_EQ(ranked[1].name, "Zed") << "upper case before lower case";
    EXPECT_EQ(ranked[2].name, "arc");
}

TEST(MagicScanLabelTest, theFirstRuleThatAppliesGivesTheReason) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(MagicScan::evidenceLabel(used("a", "A", 5000, 0, true), kNow), "open right now");
    EXPECT_EQ(MagicScan::evidenceLabel(used("a", "A", 1000), kNow),
              QString::fromUtf8("opened 1,000× on this computer"));
    EXPECT_EQ(MagicScan::evidenceLabel(used("a", "A", 999), kNow),
              QString::fromUtf8("opened 999× on this computer"));
    EXPECT_EQ(MagicScan::evidenceLabel(used("a", "A", 19, 1, false, true), kNow), "in your dock");
    EXPECT_EQ(MagicScan::evidenceLabel(used("a", "A", 19, 2), kNow), "used this week");
    EXPECT_EQ(MagicScan::evidenceLabel(used("a", "A", 19, 4), kNow), "on this computer");
    EXPECT_EQ(MagicScan::evidenceLabel(used("a", "A", 0, -1), kNow), "used this week");
    QLocale::setDefault(QLocale::c());
}

TEST(MagicScanProfileTest, sourcesMeetTheIndexOncePerDesktopID) {
    StubHistory history;
    history.signalsByID["code"] = {120, kNow.addDays(-1)};
    history.signalsByID["kitty"] = {3, std::nullopt};
    history.dock = {"firefox"};
    StubRunning running;
    running.apps = {
        {1, "kitty", "kitty", "", true}, {2, "plank", "Plank", "", false}, {3, "", "xterm", "", true}};
    LogCapture log;
    const MagicProfile profile =
        MagicScan::profile({indexed("code", "Code"), indexed("code", "Code Insiders"),
                            indexed("kitty", "kitty"), indexed("firefox", "Firefox"),
                            indexed("plank", "Plank"), IndexedApp::make("Loose", "", std::nullopt)},
                           kNow, {&history, &running});
    ASSERT_EQ(history.asked.size(), 4u) << "one entry per desktop ID, none without";
    EXPECT_EQ(profile.scannedAt, kNow);
    ASSERT_EQ(profile.apps.size(), 3u) << "the panel's owner has no signal";
    EXPECT_EQ(profile.apps[0].name, "Code");
    EXPECT_EQ(profile.apps[0].useCount, 120);
    EXPECT_TRUE(profile.usage("kitty")->isRunning);
    EXPECT_TRUE(profile.usage("firefox")->inDock);
    EXPECT_FALSE(profile.usage("plank"));
    EXPECT_EQ(log.count("magic scan: 3 apps ranked (local only)"), 1);
}

TEST(MagicScanProfileTest, withoutSourcesOrAppsTheProfileIsEmpty) {
    LogCapture log;
    EXPECT_TRUE(MagicScan::profile({indexed("code", "Code")}, kNow, {}).apps.empty());
    EXPECT_TRUE(MagicScan::profile({}, kNow, {}).apps.empty());
    EXPECT_EQ(log.count("magic scan: 0 apps ranked (local only)"), 2);
}
