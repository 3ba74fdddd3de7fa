#include "CommandFakes.h"

#include "commands/AppIndex.h"
#include "platform/linux/XdgInstalledApps.h"
#include "support/FakeClock.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

using namespace brisklet;

TEST(AppIndex, Scores) {
    struct Row {
        const char* query;
        const char* candidate;
        double score;
    };
    const Row rows[] = {
        {"safari", "safari", 1.0},
        {"saf", "safari", 0.9},
        {"studio", "visual studio code", 0.88},
        {"stu", "visual studio code", 0.82},
        {"sual", "visual studio code", 0.75},
        {"vis cod", "visual studio code", 0.8},
        {"code visual", "visual studio code", 0.8}, // word order does not matter
        {"safary", "safari", 0.9 * (1 - 1.0 / 6)},
        {"", "safari", 0.9},
        {"studio code", "visual studio code", 0.75}, // a substring before all-prefixes
        {"zzz", "abc", 0.0},
    };
    for (const Row& r : rows) {
        EXPECT_DOUBLE_EQ(AppIndex::score(QString(r.query), QString(r.candidate)), r.score)
            << r.query << " / " << r.candidate;
        // The floored score agrees wherever it reaches the floor.
        for (double floor : {0.0, 0.5, 0.6, 0.75, 0.85}) {
            const double s = AppIndex::scoreAtLeast(QString(r.query), QString(r.candidate), floor);
            if (r.score >= floor)
                EXPECT_DOUBLE_EQ(s, r.score);
            else
                EXPECT_LT(s, floor);
        }
    }
}

class AppIndexFixture : public ::testing::Test {
protected:
    test::FakeInstalledApps installed;
    test::FakeRunningApps running;
    test::FakeClock clock;
    test::FakeScheduler scheduler{clock};
};

TEST_F(AppIndexFixture, ResolveTakesTheFirstBestAtOrAbove055) {
    installed.apps = {
        {"a", "Alpha Beta", "/a.desktop"}, {"b", "Alpha Beta", "/b.desktop"}, {"c", "Kate", "/c.desktop"}};
    AppIndex index(&installed, nullptr, scheduler);
    EXPECT_FALSE(index.resolve("alpha")); // before the first scan
    index.refresh();
    index.waitForScans();
    ASSERT_TRUE(index.resolve("Alpha!"));
    EXPECT_EQ(index.resolve("Alpha!")->url, "/a.desktop");
    EXPECT_EQ(index.resolve("Alpha!")->bundleID, "a");
    EXPECT_FALSE(index.resolve(" ... "));
    // "kxxx" against "kate": 0.9 × (1 − 3/4) = 0.225; "katz": 0.675 accepted.
    EXPECT_FALSE(index.resolve("kxxx"));
    ASSERT_TRUE(index.resolve("katz"));
}

TEST_F(AppIndexFixture, ResolveThresholdIsInclusive) {
    // 0.9 × (1 − d ÷ m) = 0.55 needs d ÷ m = 7/18: "abcdefghijklmnopqr" with 7 edits.
    installed.apps = {{"x", "abcdefghijklmnopqr", "/x.desktop"}};
    AppIndex index(&installed, nullptr, scheduler);
    index.refresh();
    index.waitForScans();
    EXPECT_DOUBLE_EQ(
        AppIndex::score(QStringLiteral("zzzzzzzhijklmnopqr"), QStringLiteral("abcdefghijklmnopqr")),
        0.9 * (1 - 7.0 / 18));
    EXPECT_TRUE(index.resolve("zzzzzzzhijklmnopqr"));  // 0.55
    EXPECT_FALSE(index.resolve("zzzzzzzzijklmnopqr")); // 0.5
}

TEST_F(AppIndexFixture, RunningAppsJoinUnderTheirOwnNameOnlyWhenNotInstalled) {
    installed.apps = {
        {"org.gnome.Terminal", "Terminal", "/usr/share/applications/org.gnome.Terminal.desktop"}};
    running.apps = {
        {100, "org.gnome.Terminal", "Console", "/usr/share/applications/org.gnome.Terminal.desktop", true},
        {101, "com.example.Tool", "Example Tool", "/opt/flatpak/exports/com.example.Tool.desktop", true},
        {102, "", "xeyes", "", true}, // no entry: nothing to launch
        {103, "panel", "Panel", "/usr/share/applications/panel.desktop", false}, // not a regular app
    };
    AppIndex index(&installed, &running, scheduler);
    index.refresh();
    index.waitForScans();
    const auto apps = index.apps();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].name, "Terminal");
    EXPECT_EQ(apps[1].name, "Example Tool");
    EXPECT_EQ(apps[1].normalizedName, "example tool");
    EXPECT_EQ(apps[1].bundleID, "com.example.Tool");
}

TEST_F(AppIndexFixture, StartScansNowAndEvery600Seconds) {
    installed.apps = {{"a", "A", "/a.desktop"}};
    {
        AppIndex index(&installed, nullptr, scheduler);
        index.start();
        index.waitForScans();
        EXPECT_EQ(installed.scans, 1);
        scheduler.advance(599);
        index.waitForScans();
        EXPECT_EQ(installed.scans, 1);
        installed.apps.push_back({"b", "B", "/b.desktop"});
        scheduler.advance(1);
        index.waitForScans();
        EXPECT_EQ(installed.scans, 2);
        EXPECT_EQ(index.apps().size(), 2u);
        scheduler.advance(600);
        index.waitForScans();
        EXPECT_EQ(installed.scans, 3);
    }
    // A destroyed index leaves no timer behind.
    scheduler.advance(1200);
    EXPECT_EQ(installed.scans, 3);
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(AppIndexFixture, ListsTheEntriesOfThisMachine) {
    platform::XdgInstalledApps xdg;
    AppIndex index(&xdg, nullptr, scheduler);
    index.refresh();
    index.waitForScans();
    const auto apps = index.apps();
    EXPECT_FALSE(apps.empty());
    for (const IndexedApp& app : apps) {
        EXPECT_FALSE(app.normalizedName.isEmpty()) << app.url.toStdString();
        EXPECT_TRUE(app.bundleID && !app.bundleID->isEmpty());
        EXPECT_EQ(index.resolve(app.name)->normalizedName, app.normalizedName);
    }
}
