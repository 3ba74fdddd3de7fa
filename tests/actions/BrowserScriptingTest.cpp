#include "actions/BrowserScripting.h"
#include "support/FakeBrowserLauncher.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"

#include <gtest/gtest.h>

using namespace brisklet;

TEST(BrowserScripting, allowsOnlyWebAddressesWithAHost) {
    const struct {
        const char* text;
        bool allowed;
    } cases[] = {
        {"https://example.com/docs?q=1#top", true},
        {"http://localhost:8080", true},
        {"HTTPS://a.b", true},
        {"mailto:me@example.com", false},
        {"about:blank", false},
        {"file:///etc/passwd", false},
        {"javascript:alert(1)", false},
        {"http:///p", false},
        {"example.com", false},
        {"https://exa mple.com", false},
        {"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(BrowserScripting::isAllowedURL(QString::fromUtf8(c.text)), c.allowed) << c.text;
}

TEST(BrowserScripting, knowsBrowsersByDesktopId) {
    EXPECT_EQ(BrowserScripting::family("firefox-esr"), BrowserScripting::Family::firefox);
    EXPECT_EQ(BrowserScripting::family("chromium"), BrowserScripting::Family::chromium);
    EXPECT_EQ(BrowserScripting::family("Chromium"), std::nullopt); // IDs are compared exactly
    EXPECT_EQ(BrowserScripting::family("org.kde.falkon"), std::nullopt);
    EXPECT_TRUE(BrowserScripting::isKnownBrowser("org.kde.falkon"));
    EXPECT_TRUE(BrowserScripting::isKnownBrowser("google-chrome"));
    EXPECT_FALSE(BrowserScripting::isKnownBrowser("org.gnome.Terminal"));
}

namespace {

using test::FakeBrowserLauncher;

class BrowserWindowsTest : public ::testing::Test {
protected:
    BrowserWindowsTest() { desktop.setDisplays({test::FakeDesktop::display(1, QRectF(0, 0, 1920, 1080))}); }
    test::FakeClock clock;
    test::FakeDesktop desktop{clock};
    FakeBrowserLauncher launcher{desktop, clock};
    BrowserScripting::Desktop browsers{desktop, launcher, clock};
    using Kind = BrowserScripting::OpenResult::Kind;
};

bool near(const QRectF& a, const QRectF& b) {
    return std::abs(a.x() - b.x()) <= 12 && std::abs(a.y() - b.y()) <= 12 &&
           std::abs(a.width() - b.width()) <= 12 && std::abs(a.height() - b.height()) <= 12;
}

} // namespace

TEST_F(BrowserWindowsTest, opensPagesInANewPlacedWindowInFront) {
    desktop.addWindow(4242, "firefox-esr", QRectF(0, 0, 800, 600), "Already open");
    const QRectF bounds(960, 0, 960, 1080);
    const auto result = BrowserScripting::openPositioned(
        browsers, {"https://a.example/", "https://b.example/x"}, "firefox-esr", bounds);
    ASSERT_EQ(result.kind, Kind::opened);
    ASSERT_EQ(launcher.calls.size(), 1u);
    EXPECT_EQ(launcher.calls[0].second,
              (QStringList{"--new-window", "https://a.example/", "https://b.example/x"}));
    EXPECT_EQ(desktop.get(result.windowID).info.title, "https://a.example/");
    EXPECT_TRUE(near(desktop.frameOf(result.windowID), bounds));
    EXPECT_EQ(desktop.activeWindow(), result.windowID);
    EXPECT_TRUE(BrowserScripting::openedByUs(result.windowID));
}

TEST_F(BrowserWindowsTest, takesThePagesOwnWindowWhileTheBrowserRestoresItsSession) {
    auto restored = [&](const QString& title, double after) {
        test::FakeDesktop::Window w;
        w.info.pid = 4242;
        w.info.appId = "chromium";
        w.info.title = title;
        w.info.frame = QRectF(40, 40, 800, 600);
        w.appearsAt = clock.now() + after;
        return desktop.addWindow(w);
    };
    const QRectF bounds(960, 0, 960, 1080);

    // A restored window maps before the page's, which is titled after its address.
    const auto before = restored("Restored 1", 0.1);
    auto opened = BrowserScripting::openPositioned(browsers, "https://a.example/x", "chromium", bounds);
    ASSERT_EQ(opened.kind, Kind::opened);
    EXPECT_EQ(desktop.get(opened.windowID).info.title, "https://a.example/x");
    EXPECT_FALSE(BrowserScripting::openedByUs(before));
    EXPECT_EQ(desktop.frameOf(before), QRectF(40, 40, 800, 600)) << "the user's window stays put";

    // Nothing names the page, but its window carries the launch's startup id: it is
    // known, though a restored window mapped first.
    launcher.pageTitle = "Inbox";
    const auto first = restored("Restored 2", 0.1);
    opened = BrowserScripting::openPositioned(browsers, "https://b.example", "chromium", bounds, true);
    ASSERT_EQ(opened.kind, Kind::opened);
    EXPECT_EQ(desktop.get(opened.windowID).info.title, "Inbox");
    EXPECT_NE(opened.windowID, first);
    EXPECT_FALSE(opened.guessed);
    EXPECT_EQ(desktop.frameOf(first), QRectF(40, 40, 800, 600));

    // A browser that drops the id leaves only a guess: the first window to map
    // after the request is taken, and a guessed window is never closed.
    launcher.passesStartupId = false;
    const auto after = restored("Restored 3", 0.5);
    opened = BrowserScripting::openPositioned(browsers, "https://b.example", "chromium", bounds, true);
    ASSERT_EQ(opened.kind, Kind::opened);
    EXPECT_EQ(desktop.get(opened.windowID).info.title, "Inbox");
    EXPECT_NE(opened.windowID, after);
    EXPECT_TRUE(opened.guessed);
    EXPECT_EQ(
        BrowserScripting::closeWindows(browsers, {{opened.windowID, "https://b.example"}}, "chromium").closed,
        0);

    // A restored window mapping after a fresh tab is not taken for the page's.
    launcher.pageTitle = "New Tab";
    const auto late = restored("Restored 4", 0.6);
    opened = BrowserScripting::openPositioned(browsers, "https://c.example", "chromium", bounds, true);
    ASSERT_EQ(opened.kind, Kind::opened);
    EXPECT_EQ(desktop.get(opened.windowID).info.title, "New Tab");
    EXPECT_FALSE(BrowserScripting::openedByUs(late));
    EXPECT_EQ(BrowserScripting::closeWindows(browsers, {{late, "https://c.example"}}, "chromium").closed, 0);
    EXPECT_TRUE(desktop.closed().empty());
}

TEST_F(BrowserWindowsTest, refusesWhatItCannotOpenWithoutLaunching) {
    EXPECT_EQ(BrowserScripting::openPositioned(browsers, "file:///etc/passwd", "firefox-esr", {}).kind,
              Kind::failed);
    EXPECT_EQ(BrowserScripting::openPositioned(browsers, QStringList{}, "firefox-esr", {}).kind,
              Kind::failed);
    EXPECT_EQ(BrowserScripting::openPositioned(browsers, "https://a.example", "org.kde.falkon", {}).kind,
              Kind::failed);
    EXPECT_TRUE(launcher.calls.empty());
    launcher.fails = true;
    EXPECT_EQ(BrowserScripting::openPositioned(browsers, "https://a.example", "chromium", {}).kind,
              Kind::failed);
}

TEST_F(BrowserWindowsTest, givesUpWhenNoWindowComesInTime) {
    launcher.delay = -1;
    const double start = clock.now();
    EXPECT_EQ(BrowserScripting::openPositioned(browsers, "https://a.example", "chromium", {}).kind,
              Kind::timedOut);
    EXPECT_GE(clock.now() - start, BrowserScripting::openLimit);
    EXPECT_LT(clock.now() - start, BrowserScripting::openLimit + 1);
}

TEST_F(BrowserWindowsTest, harvestsWindowsWithoutPageAddresses) {
    using HKind = BrowserScripting::HarvestResult::Kind;
    EXPECT_EQ(BrowserScripting::harvestWindows(browsers, "chromium").kind, HKind::failed); // not running
    const auto id = desktop.addWindow(4242, "chromium", QRectF(0, 0, 800, 600), "Inbox");
    desktop.addWindow(4243, "org.kde.falkon", QRectF(0, 0, 800, 600), "Falkon");
    const auto harvest = BrowserScripting::harvestWindows(browsers, "chromium");
    ASSERT_EQ(harvest.kind, HKind::windows);
    EXPECT_EQ(harvest.windows, (std::vector<BrowserScripting::BrowserWindow>{{id, "Inbox", "", 4242}}));
    EXPECT_EQ(BrowserScripting::harvestWindows(browsers, "org.kde.falkon").kind, HKind::failed);
}

TEST_F(BrowserWindowsTest, aRunningBrowsersNewWindowIsTakenWithoutWatchingForMore) {
    desktop.addWindow(4242, "chromium", QRectF(0, 0, 800, 600), "Mine");
    launcher.pageTitle = "Inbox"; // names no host: only a restoring browser makes us wait
    const double start = clock.now();
    const auto opened = BrowserScripting::openPositioned(browsers, "https://b.example", "chromium", {});
    ASSERT_EQ(opened.kind, Kind::opened);
    EXPECT_EQ(desktop.get(opened.windowID).info.title, "Inbox");
    EXPECT_EQ(opened.pid, desktop.get(opened.windowID).info.pid);
    EXPECT_LT(clock.now() - start, BrowserScripting::settleTime) << "waited as if the browser were restoring";
}

TEST_F(BrowserWindowsTest, closesOnlyWindowsItOpened) {
    using BrowserScripting::CloseResult;
    EXPECT_EQ(BrowserScripting::closeWindows(browsers, {}, "chromium").kind, CloseResult::skipped);
    EXPECT_EQ(BrowserScripting::closeWindows(browsers, {{0x1234, "https://a"}}, "chromium").kind,
              CloseResult::skipped);

    const auto users = desktop.addWindow(4242, "chromium", QRectF(0, 0, 800, 600), "Mine");
    ASSERT_FALSE(BrowserScripting::openedByUs(users));
    const auto ours =
        BrowserScripting::openPositioned(browsers, "https://a.example", "chromium", {0, 0, 800, 600});
    ASSERT_EQ(ours.kind, BrowserScripting::OpenResult::Kind::opened);
    EXPECT_EQ(BrowserScripting::closeWindows(
                  browsers, {{users, "https://x"}, {ours.windowID, "https://a.example"}}, "chromium")
                  .kind,
              CloseResult::closed);
    EXPECT_EQ(desktop.closed(), std::vector<platform::WindowId>{ours.windowID});
    EXPECT_FALSE(BrowserScripting::openedByUs(ours.windowID));
    EXPECT_EQ(BrowserScripting::closeTabs(browsers, "https://x", "chromium"), CloseResult::skipped);
}

TEST_F(BrowserWindowsTest, reportsSkippedWhenItClosedNothing) {
    using BrowserScripting::CloseResult;
    const auto users = desktop.addWindow(4242, "chromium", QRectF(0, 0, 800, 600), "Mine");
    EXPECT_EQ(BrowserScripting::closeWindows(browsers, {{users, "https://x"}}, "chromium").kind,
              CloseResult::skipped);

    const auto ours =
        BrowserScripting::openPositioned(browsers, "https://a.example", "chromium", {0, 0, 800, 600});
    ASSERT_EQ(ours.kind, BrowserScripting::OpenResult::Kind::opened);
    desktop.remove(ours.windowID); // the user closed it first
    EXPECT_EQ(
        BrowserScripting::closeWindows(browsers, {{ours.windowID, "https://a.example"}}, "chromium").kind,
        CloseResult::skipped);
    EXPECT_TRUE(desktop.closed().empty());
}

TEST_F(BrowserWindowsTest, forgetsOpenedWindowsThatWentAway) {
    const auto first =
        BrowserScripting::openPositioned(browsers, "https://a.example", "chromium", {0, 0, 800, 600});
    ASSERT_TRUE(BrowserScripting::openedByUs(first.windowID));
    desktop.remove(first.windowID); // closed by the user
    const auto second =
        BrowserScripting::openPositioned(browsers, "https://b.example", "chromium", {0, 0, 800, 600});
    EXPECT_TRUE(BrowserScripting::openedByUs(second.windowID));
    EXPECT_FALSE(BrowserScripting::openedByUs(first.windowID));
}

TEST_F(BrowserWindowsTest, movesExistingWindowsAndOpensEmptyOnes) {
    EXPECT_FALSE(BrowserScripting::positionExisting(browsers, {{1, QRectF()}}, "firefox-esr")); // not running
    const auto id = desktop.addWindow(4242, "firefox-esr", QRectF(0, 0, 800, 600), "Docs");
    desktop.update(id, [](auto& w) { w.info.iconic = true; });
    EXPECT_FALSE(BrowserScripting::positionExisting(browsers, {}, "firefox-esr"));
    EXPECT_TRUE(BrowserScripting::positionExisting(
        browsers, {{0x999, QRectF(5, 5, 500, 500)}, {id, QRectF(100, 100, 700, 500)}}, "firefox-esr"));
    EXPECT_TRUE(near(desktop.frameOf(id), QRectF(100, 100, 700, 500)));
    EXPECT_FALSE(desktop.get(id).info.iconic);

    EXPECT_TRUE(BrowserScripting::openEmptyWindow(browsers, "firefox-esr"));
    EXPECT_EQ(launcher.calls.back().second, (QStringList{"--new-window", "about:blank"}));
    EXPECT_FALSE(BrowserScripting::openEmptyWindow(browsers, "chromium")); // not running
    desktop.addWindow(4250, "chromium", QRectF(0, 0, 800, 600), "Inbox");
    EXPECT_TRUE(BrowserScripting::openEmptyWindow(browsers, "chromium"));
    EXPECT_EQ(launcher.calls.back().second, QStringList{"--new-window"});
}

TEST_F(BrowserWindowsTest, opensPlainlyInTheBrowserOrTheDefaultOne) {
    EXPECT_FALSE(BrowserScripting::openPlain(browsers, "about:blank", QString("firefox-esr")));
    EXPECT_TRUE(BrowserScripting::openPlain(browsers, "https://a.example", QString("firefox-esr")));
    EXPECT_EQ(launcher.calls.back(), (std::pair<QString, QStringList>{"firefox-esr", {"https://a.example"}}));
    EXPECT_TRUE(BrowserScripting::openPlain(browsers, "https://b.example", QString("not-installed")));
    EXPECT_EQ(launcher.calls.back(), (std::pair<QString, QStringList>{"chromium", {"https://b.example"}}));
    EXPECT_TRUE(BrowserScripting::openPlain(browsers, "https://c.example", std::nullopt));
    EXPECT_EQ(launcher.calls.back().first, "chromium");
    launcher.defaultId.reset();
    EXPECT_FALSE(BrowserScripting::openPlain(browsers, "https://c.example", std::nullopt));
}
