#include "setups/SetupSuggestions.h"

#include "commands/CommandFakes.h"
#include "platform/BrowserLauncher.h"
#include "support/FakeClock.h"

#include <QSet>
#include <gtest/gtest.h>

using namespace brisklet;

namespace {

IndexedApp app(const QString& id, const QString& name) {
    return IndexedApp::make(name, "/usr/share/applications/" + id + ".desktop", id);
}

std::vector<IndexedApp> withIds(const QStringList& ids) {
    std::vector<IndexedApp> apps;
    for (const QString& id : ids)
        apps.push_back(app(id, id.toUpper()));
    return apps;
}

const platform::AppEntry kFirefox{"firefox-esr", "Firefox ESR",
                                  "/usr/share/applications/firefox-esr.desktop"};

struct Slot {
    QString bundleID;
    QString appName;
    SetupFrame frame;
    bool operator==(const Slot&) const = default;
};

std::vector<Slot> slotsOf(const SetupSuggestion& s) {
    std::vector<Slot> out;
    for (const SetupItem& item : s.draft.items) {
        EXPECT_EQ(item.kind, SetupItemKind::app);
        EXPECT_EQ(item.title, "");
        EXPECT_FALSE(item.url);
        EXPECT_FALSE(item.projectPath);
        EXPECT_FALSE(item.id.isNull());
        out.push_back({item.bundleID, item.appName, item.frame.value_or(SetupFrame{-1, -1, -1, -1, -1})});
    }
    return out;
}

QStringList namesOf(const std::vector<SetupSuggestion>& list) {
    QStringList names;
    for (const SetupSuggestion& s : list)
        names << s.name;
    return names;
}

class SetupSuggestionsTest : public ::testing::Test {
protected:
    SetupSuggestionsTest() {
        clock.setWallStart(QDateTime(QDate(2026, 12, 7), QTime(9, 0, 0, 700), Qt::UTC));
    }
    test::FakeClock clock;
};

} // namespace

TEST_F(SetupSuggestionsTest, fillsTheFirstThreeTemplatesThatTheAppsAllow) {
    const std::vector<IndexedApp> apps = {
        app("code", "Visual Studio Code"), app("Zoom", "Zoom"),
        app("org.gnome.Notes", "Notes"),   app("libreoffice-writer", "Writer"),
        app("thunderbird", "Thunderbird"), app("slack", "Slack")};
    const auto list = SetupSuggestions::forInstalled(apps, {kFirefox, "1:1920x1080"}, clock);
    ASSERT_EQ(namesOf(list), (QStringList{"Deep Work", "Meeting", "Writing"}));

    EXPECT_EQ(list[0].blurb, "Your editor big on the left, reference beside it.");
    EXPECT_EQ(list[0].id(), "Deep Work");
    // A default browser outside the index comes with its entry's name.
    EXPECT_EQ(slotsOf(list[0]), (std::vector<Slot>{{"code", "Visual Studio Code", {0, 0, 0.66, 1, 0}},
                                                   {"firefox-esr", "Firefox ESR", {0.66, 0, 0.34, 1, 0}}}));
    EXPECT_EQ(slotsOf(list[1]), (std::vector<Slot>{{"Zoom", "Zoom", {0, 0, 0.5, 1, 0}},
                                                   {"org.gnome.Notes", "Notes", {0.5, 0, 0.5, 1, 0}}}));
    EXPECT_EQ(slotsOf(list[2]), (std::vector<Slot>{{"libreoffice-writer", "Writer", {0, 0, 1, 1, 0}}}));
    EXPECT_TRUE(list[2].draft.system.isEmpty());

    const brisklet::Setup& draft = list[0].draft;
    EXPECT_EQ(draft.name, "Deep Work");
    EXPECT_EQ(draft.fingerprint, "1:1920x1080");
    EXPECT_TRUE(draft.phrases.isEmpty());
    EXPECT_TRUE(draft.endQuitsApps);
    EXPECT_FALSE(draft.closeOthers);
    EXPECT_FALSE(draft.requiresAllDisplays);
    EXPECT_FALSE(draft.icon);
    EXPECT_FALSE(draft.lastRunAt);
    EXPECT_EQ(draft.createdAt, QDateTime(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC));
    EXPECT_EQ(draft.updatedAt, draft.createdAt);

    // Every call makes new ids, and nothing else differs.
    const auto again = SetupSuggestions::forInstalled(apps, {kFirefox, "1:1920x1080"}, clock);
    QSet<QUuid> ids;
    for (const auto* l : {&list, &again}) {
        for (const SetupSuggestion& s : *l) {
            ids.insert(s.draft.id);
            for (const SetupItem& i : s.draft.items)
                ids.insert(i.id);
        }
    }
    EXPECT_EQ(ids.size(), 2 * (3 + 5));
    EXPECT_EQ(namesOf(again), namesOf(list));
}

TEST_F(SetupSuggestionsTest, withoutADefaultBrowserTheBrowserTemplatesDropOut) {
    const auto apps = withIds({"code", "gimp", "thunderbird", "discord"});
    EXPECT_EQ(namesOf(SetupSuggestions::forInstalled(apps, {std::nullopt, ""}, clock)),
              QStringList{"Catch-up"});
    EXPECT_EQ(namesOf(SetupSuggestions::forInstalled(apps, {platform::AppEntry{"", "", ""}, ""}, clock)),
              QStringList{"Catch-up"});
    // An indexed browser is taken as the index has it.
    const auto withBrowser =
        SetupSuggestions::forInstalled(withIds({"code", "gimp", "firefox-esr"}), {kFirefox, ""}, clock);
    ASSERT_EQ(namesOf(withBrowser), (QStringList{"Deep Work", "Design"}));
    EXPECT_EQ(withBrowser[1].draft.items[1].appName, "FIREFOX-ESR");
    EXPECT_TRUE(SetupSuggestions::forInstalled({}, {kFirefox, ""}, clock).empty());
}

TEST_F(SetupSuggestionsTest, candidatesGoInOrderOfPreferenceAndTheFirstOfAnIdWins) {
    std::vector<IndexedApp> apps =
        withIds({"teams-for-linux", "us.zoom.Zoom", "net.cozic.joplin_desktop", "obsidian"});
    apps.push_back(app("obsidian", "Second Obsidian"));
    apps.push_back(IndexedApp::make("No Id", "/x", std::nullopt));
    const auto list = SetupSuggestions::forInstalled(apps, {}, clock);
    ASSERT_EQ(namesOf(list), QStringList{"Meeting"});
    EXPECT_EQ(list[0].draft.items[0].bundleID, "us.zoom.Zoom");
    EXPECT_EQ(list[0].draft.items[1].bundleID, "obsidian");
    EXPECT_EQ(list[0].draft.items[1].appName, "OBSIDIAN");
}

TEST_F(SetupSuggestionsTest, writingStartsMusicWhenAPlayerIsInstalled) {
    auto music = [&](const QStringList& ids) {
        const auto list = SetupSuggestions::forInstalled(withIds(QStringList{"abiword"} + ids), {}, clock);
        EXPECT_EQ(namesOf(list), QStringList{"Writing"});
        return list.empty() ? SetupSystemState{} : list[0].draft.system;
    };
    const auto play = SetupSystemState::Music::play;
    EXPECT_EQ(music({"org.kde.elisa", "com.spotify.Client"}),
              (SetupSystemState{{}, {}, play, "com.spotify.Client", {}, {}, {}}));
    EXPECT_EQ(music({"com.spotify.Client", "spotify"}),
              (SetupSystemState{{}, {}, play, "spotify", {}, {}, {}}));
    EXPECT_EQ(music({"org.kde.elisa", "org.gnome.Rhythmbox3"}),
              (SetupSystemState{{}, {}, play, "org.gnome.Rhythmbox3", {}, {}, {}}));
    EXPECT_EQ(music({"org.kde.elisa"}), (SetupSystemState{{}, {}, play, "org.kde.elisa", {}, {}, {}}));
    EXPECT_TRUE(music({"com.example.Radio"}).isEmpty());
}

TEST(SetupSuggestionsPreferredApp, aRunningCandidateBeatsAnInstalledOne) {
    const QStringList candidates = {"org.gnome.Terminal", "kitty", "Alacritty"};
    const std::vector<IndexedApp> installed = {IndexedApp::make("Kitty", "/k", "kitty"),
                                               IndexedApp::make("Terminal", "/t", "org.gnome.Terminal")};
    std::vector<platform::RunningApp> running = {{42, "Alacritty", "Alacritty", "/a", true}};
    EXPECT_EQ(SetupSuggestions::preferredApp(candidates, running, installed), "Alacritty");
    running.clear();
    EXPECT_EQ(SetupSuggestions::preferredApp(candidates, running, installed), "org.gnome.Terminal");
    EXPECT_FALSE(SetupSuggestions::preferredApp({"xterm"}, running, installed));
    EXPECT_FALSE(SetupSuggestions::preferredApp({}, running, installed));
}

TEST(SetupSuggestionsDefaultBrowser, takesTheEntryOfTheDefaultHandler) {
    class Launcher final : public platform::BrowserLauncher {
    public:
        std::optional<QString> id;
        Launch launchWithArguments(const QString&, const QStringList&, StartupId) override { return {}; }
        bool isInstalled(const QString&) override { return false; }
        std::optional<QString> defaultBrowser() override { return id; }
    } launcher;
    test::FakeInstalledApps installed;
    installed.apps = {{"chromium", "Chromium", "/usr/share/applications/chromium.desktop"}, kFirefox};

    EXPECT_FALSE(SetupSuggestions::findDefaultBrowser(launcher, installed));
    launcher.id = "firefox-esr";
    EXPECT_EQ(SetupSuggestions::findDefaultBrowser(launcher, installed), kFirefox);
    // An entry hidden from the app list is still the browser, named by its ID.
    launcher.id = "org.example.Hidden";
    EXPECT_EQ(SetupSuggestions::findDefaultBrowser(launcher, installed),
              (platform::AppEntry{"org.example.Hidden", "org.example.Hidden", ""}));
}
