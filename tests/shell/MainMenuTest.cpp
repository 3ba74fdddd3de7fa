// The menu bar's entries and shortcuts, and the problem-report mail exactly as the
// mail program receives it; every entry reaching what it should do.
#include "shell/MainMenu.h"

#include "platform/AppLauncher.h"
#include "platform/Apps.h"

#include <gtest/gtest.h>

using namespace brisklet;
using MainMenu::Command;

namespace {

const MainMenu::Entry* find(Command command) {
    for (const auto& menu : MainMenu::menus())
        for (const auto& entry : menu.entries)
            if (!entry.isSeparator() && entry.command == command)
                return &entry;
    return nullptr;
}

} // namespace

TEST(MainMenu, menusInOrderWithoutUpdatesOrAFileMenu) {
    QStringList titles;
    for (const auto& menu : MainMenu::menus())
        titles << menu.title;
    EXPECT_EQ(titles, (QStringList{"", "Edit", "Window", "Help"}));
    QStringList app;
    for (const auto& entry : MainMenu::menus()[0].entries)
        app << (entry.isSeparator() ? "---" : entry.title);
    EXPECT_EQ(app, (QStringList{"About Brisklet", "---", "Hide Brisklet", "Hide Others", "Show All", "---",
                                "Quit Brisklet"}));
    EXPECT_EQ(MainMenu::menus()[3].entries[1].title, QString::fromUtf8("Report a Problem…"));
}

TEST(MainMenu, shortcutsUseControlForCommand) {
    EXPECT_EQ(find(Command::redo)->shortcut, QKeySequence("Ctrl+Shift+Z"));
    EXPECT_EQ(find(Command::hideOthers)->shortcut, QKeySequence("Ctrl+Alt+H"));
    EXPECT_EQ(find(Command::hide)->shortcut, QKeySequence("Ctrl+H"));
    EXPECT_EQ(find(Command::help)->shortcut, QKeySequence("Ctrl+?"));
    EXPECT_EQ(find(Command::quit)->shortcut, QKeySequence("Ctrl+Q"));
    EXPECT_TRUE(find(Command::zoom)->shortcut.isEmpty());
}

TEST(MainMenu, theProblemReportMailIsEncodedExactly) {
    const QUrl url = MainMenu::reportProblemURL("1.2", "Debian GNU/Linux 12 (bookworm)");
    EXPECT_EQ(url.toString(QUrl::FullyEncoded),
              "mailto:support@brisklet.app?subject=Brisklet%20problem%20report%20%28v1.2%29"
              "&body=What%20happened%3F%0A%0A%0AWhat%20did%20you%20expect%3F%0A%0A%0A"
              "%E2%80%94%20Brisklet%20v1.2%2C%20Debian%20GNU%2FLinux%2012%20%28bookworm%29");
}

TEST(MainMenu, anEmptyVersionReadsDev) {
    const QUrl url = MainMenu::reportProblemURL("", "Linux");
    const QString text = url.toString(QUrl::FullyEncoded);
    EXPECT_TRUE(text.contains("subject=Brisklet%20problem%20report%20%28vdev%29&")) << text.toStdString();
    EXPECT_TRUE(text.endsWith("%E2%80%94%20Brisklet%20vdev%2C%20Linux")) << text.toStdString();
}

TEST(MainMenu, helpAndReportGoToTheDesktopsHandler) {
    QList<QUrl> opened;
    const auto open = [&](const QUrl& url) {
        opened << url;
        return true;
    };
    MainMenu::openHelp(open);
    MainMenu::reportProblem(open);
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0].scheme(), "https");
    EXPECT_EQ(opened[0].path(), "/help");
    EXPECT_EQ(opened[1].scheme(), "mailto");
    EXPECT_TRUE(opened[1].toString(QUrl::FullyEncoded).contains("v" BRISKLET_VERSION));
}

TEST(MainMenu, eachEntryReachesItsOwnHandler) {
    QStringList calls;
    QList<QUrl> opened;
    MainMenu::Handlers h;
    h.about = [&] { calls << "about"; };
    h.hideHome = [&] { calls << "hide"; };
    h.hideOthers = [&] { calls << "others"; };
    h.showAll = [&] { calls << "all"; };
    h.quit = [&] { calls << "quit"; };
    h.minimize = [&] { calls << "minimize"; };
    h.zoom = [&] { calls << "zoom"; };
    h.sendKeys = [&](const QKeySequence& keys) { calls << keys.toString(); };
    h.open = [&](const QUrl& url) {
        opened << url;
        return true;
    };
    for (const auto& menu : MainMenu::menus())
        for (const auto& entry : menu.entries)
            if (!entry.isSeparator())
                MainMenu::perform(static_cast<int>(entry.command), h);
    MainMenu::perform(-1, h);
    MainMenu::perform(99, h);
    EXPECT_EQ(calls, (QStringList{"about", "hide", "others", "all", "quit", "Ctrl+Z", "Ctrl+Shift+Z",
                                  "Ctrl+X", "Ctrl+C", "Ctrl+V", "Ctrl+A", "minimize", "zoom"}));
    ASSERT_EQ(opened.size(), 2);
    EXPECT_EQ(opened[0], MainMenu::helpURL());
    EXPECT_EQ(opened[1], MainMenu::reportProblemURL());
}

TEST(MainMenu, theBarDataNamesTheApplicationMenuAndKeepsEveryEntry) {
    const QVariantList data = MainMenu::asData();
    ASSERT_EQ(data.size(), MainMenu::menus().size());
    EXPECT_EQ(data[0].toMap()["title"], "Brisklet");
    EXPECT_EQ(data[1].toMap()["title"], "Edit");
    const QVariantList app = data[0].toMap()["entries"].toList();
    ASSERT_EQ(app.size(), MainMenu::menus()[0].entries.size());
    EXPECT_EQ(app[1].toMap()["separator"], true);
    const QVariantMap quit = app.last().toMap();
    EXPECT_EQ(quit["title"], "Quit Brisklet");
    EXPECT_EQ(quit["shortcut"], "Ctrl+Q");
    EXPECT_EQ(quit["command"], static_cast<int>(Command::quit));
    EXPECT_EQ(quit["enabled"], true);
    EXPECT_EQ(app[3].toMap()["title"], "Hide Others");
    EXPECT_EQ(app[3].toMap()["enabled"], true);
    EXPECT_EQ(app[4].toMap()["title"], "Show All");
    EXPECT_EQ(app[4].toMap()["enabled"], true);
}

namespace {

// Applications as the window list shows them, and what was asked of each.
struct Apps final : platform::RunningApps, platform::AppLauncher {
    std::vector<platform::RunningApp> running;
    QStringList asked;
    std::vector<platform::RunningApp> runningApps() override { return running; }
    std::optional<platform::RunningApp> frontmostApp() override { return std::nullopt; }
    Launch launch(const QString&, const QStringList&) override { return {}; }
    bool acceptsUrls(const QString&) override { return false; }
    bool activate(const QString&) override { return false; }
    bool hide(const QString& id) override {
        asked << "hide " + id;
        return true;
    }
    bool unhide(const QString& id) override {
        asked << "unhide " + id;
        return true;
    }
    bool quit(const QString&) override { return false; }
};

} // namespace

TEST(MainMenu, hideOthersAndShowAllReachEveryOtherRegularApplication) {
    Apps apps;
    apps.running = {{10, "firefox", "Firefox", "", true},
                    {42, "brisklet", "Brisklet", "", true},
                    {11, "org.gnome.Terminal", "Terminal", "", true},
                    {12, "", "xclock", "", true},
                    {13, "plank", "Plank", "", false}};
    const MainMenu::OtherApps others{&apps, &apps, 42};
    MainMenu::hideOthers(others);
    EXPECT_EQ(apps.asked, (QStringList{"hide firefox", "hide org.gnome.Terminal"}))
        << "never ourselves, a panel or a window without an application";
    apps.asked.clear();
    MainMenu::showAll(others);
    EXPECT_EQ(apps.asked, (QStringList{"unhide firefox", "unhide org.gnome.Terminal"}));
    apps.asked.clear();
    MainMenu::hideOthers({});
    EXPECT_TRUE(apps.asked.isEmpty());
}
