// The editor's rules apart from its view: placement presets, addresses, phrases,
// browsers, the items the add buttons make, what stops a save, and the system-state
// controls.
#include "ui/setups/SetupDraftEdits.h"
#include "actions/MediaActions.h"
#include "ui/setups/PlacementPreset.h"
#include "ui/setups/SystemStateEdits.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace brisklet;
using PlacementPreset::Preset;

namespace {

IndexedApp app(const QString& id, const QString& name) {
    return IndexedApp::make(name, "/apps/" + id + ".desktop", id);
}

brisklet::Setup named(const QString& name, QStringList phrases = {}) {
    brisklet::Setup s;
    s.id = QUuid::createUuid();
    s.name = name;
    s.phrases = std::move(phrases);
    return s;
}

SetupItem webItem(const QString& url) {
    SetupItem item;
    item.id = QUuid::createUuid();
    item.kind = SetupItemKind::url;
    item.bundleID = "firefox";
    item.url = url;
    return item;
}

} // namespace

TEST(PlacementPresetTest, matchesWithinOneHundredthAndIgnoresTheDisplay) {
    EXPECT_EQ(PlacementPreset::matching(SetupFrame{0.005, 0, 0.5, 1, 0}), Preset::leftHalf);
    EXPECT_EQ(PlacementPreset::matching(SetupFrame{0.01, 0, 0.5, 1, 0}), Preset::asIs);
    EXPECT_EQ(PlacementPreset::matching(SetupFrame{0.15, 0.1, 0.7, 0.8, 1}), Preset::center);
    EXPECT_EQ(PlacementPreset::matching(SetupFrame{2.0 / 3.0, 0, 1.0 / 3.0, 1, 0}), Preset::rightThird);
    EXPECT_EQ(PlacementPreset::matching(std::nullopt), Preset::none);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(PlacementPreset::matching(SetupFrame{nan, 0, 0.5, 1, 0}), Preset::asIs);
}

TEST(PlacementPresetTest, applyingKeepsTheDisplayAndAsCapturedKeepsTheFrame) {
    const auto left = PlacementPreset::apply(Preset::leftHalf, SetupFrame{0.15, 0.1, 0.7, 0.8, 1});
    EXPECT_EQ(left, (SetupFrame{0, 0, 0.5, 1, 1}));
    EXPECT_EQ(PlacementPreset::apply(Preset::asIs, std::nullopt), std::nullopt);
    EXPECT_EQ(PlacementPreset::apply(Preset::topHalf, std::nullopt), (SetupFrame{0, 0.5, 1, 0.5, 0}));
    EXPECT_EQ(PlacementPreset::apply(Preset::none, SetupFrame{0, 0, 1, 1, 2}), std::nullopt);
    const auto third = PlacementPreset::apply(Preset::leftTwoThirds, std::nullopt);
    EXPECT_EQ(third->rw, 2.0 / 3.0);
}

TEST(PlacementPresetTest, labelsRoundTripInPickerOrder) {
    const QStringList labels = PlacementPreset::labels();
    ASSERT_EQ(labels.size(), 10);
    EXPECT_EQ(labels.front(), "As captured");
    EXPECT_EQ(labels.back(), "Don't place");
    for (Preset preset : PlacementPreset::all())
        EXPECT_EQ(PlacementPreset::fromLabel(PlacementPreset::label(preset)), preset);
    EXPECT_EQ(PlacementPreset::fromLabel("Half"), std::nullopt);
}

TEST(SetupDraftEditsTest, normalisesAddressesAsTyped) {
    using SetupDraftEdits::normalizedURL;
    EXPECT_EQ(normalizedURL("  github.com/me "), "https://github.com/me");
    EXPECT_EQ(normalizedURL("localhost"), "localhost");
    EXPECT_EQ(normalizedURL("ftp://files.example.org"), "ftp://files.example.org");
    EXPECT_EQ(normalizedURL("   "), "");
    // Line breaks are not blanks here.
    EXPECT_EQ(normalizedURL("a.b\n"), "https://a.b\n");
}

TEST(SetupDraftEditsTest, phrasesDropBlankPiecesAndReadBackJoined) {
    const QStringList phrases = SetupDraftEdits::phrasesFrom(" a , , b ,");
    EXPECT_EQ(phrases, (QStringList{"a", "b"}));
    EXPECT_EQ(SetupDraftEdits::phrasesText(phrases), "a, b");
    EXPECT_EQ(SetupDraftEdits::phrasesFrom("Grind, grind"), (QStringList{"Grind", "grind"}));
}

TEST(SetupDraftEditsTest, browsersAreTheKnownOnesOncePerIdSortedByName) {
    const auto browsers = SetupDraftEdits::installedBrowsers(
        {app("org.gnome.gedit", "Text Editor"), app("firefox-esr", "Firefox ESR"),
         app("chromium", "Chromium"), app("firefox-esr", "Firefox again"),
         IndexedApp::make("Nameless", "/x.desktop", std::nullopt)});
    ASSERT_EQ(browsers.size(), 2u);
    EXPECT_EQ(browsers[0], (SetupDraftEdits::Browser{"chromium", "Chromium"}));
    EXPECT_EQ(browsers[1], (SetupDraftEdits::Browser{"firefox-esr", "Firefox ESR"}));
}

TEST(SetupDraftEditsTest, addedAppsAndSitesAreCentredOnTheFirstDisplay) {
    const auto item = SetupDraftEdits::appItem(app("org.gnome.Terminal", "Terminal"));
    ASSERT_TRUE(item);
    EXPECT_EQ(item->frame, PlacementPreset::centered());
    EXPECT_FALSE(SetupDraftEdits::appItem(IndexedApp::make("X", "/x", std::nullopt)));

    const std::vector<SetupDraftEdits::Browser> browsers{{"firefox-esr", "Firefox ESR"}};
    const auto site = SetupDraftEdits::siteItem("news.example.org", "firefox-esr", browsers);
    ASSERT_TRUE(site);
    EXPECT_EQ(site->url, "https://news.example.org");
    EXPECT_EQ(site->appName, "Firefox ESR");
    EXPECT_EQ(site->frame, PlacementPreset::centered());
    EXPECT_EQ(SetupDraftEdits::siteItem("a.org", "brave-browser", browsers)->appName, "Browser");
    EXPECT_FALSE(SetupDraftEdits::siteItem("localhost", "firefox-esr", browsers));
    EXPECT_FALSE(SetupDraftEdits::siteItem("javascript://x.org", "firefox-esr", browsers));
    EXPECT_FALSE(SetupDraftEdits::siteItem("https://", "firefox-esr", browsers));
}

TEST(SetupDraftEditsTest, aProjectOpensTheRunningTerminalAndAnInstalledEditorUnplaced) {
    const std::vector<IndexedApp> apps{app("org.gnome.Terminal", "Terminal"), app("kitty", "kitty"),
                                       app("org.gnome.gedit", "Text Editor")};
    const std::vector<platform::RunningApp> running{{42, "org.gnome.Terminal", "Terminal", "", true}};
    const auto items = SetupDraftEdits::projectItems("/home/ann/code/brisk/", "/home/ann", running, apps);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].bundleID, "org.gnome.Terminal");
    EXPECT_EQ(items[1].bundleID, "org.gnome.gedit");
    EXPECT_EQ(items[1].appName, "Text Editor");
    for (const SetupItem& item : items) {
        EXPECT_EQ(item.projectPath, "~/code/brisk");
        EXPECT_EQ(item.title, "brisk");
        EXPECT_FALSE(item.frame);
    }
    // A folder outside home keeps its path; nothing installed adds nothing.
    EXPECT_EQ(SetupDraftEdits::projectItems("/home/annex/p", "/home/ann", {}, apps)[0].projectPath,
              "/home/annex/p");
    EXPECT_TRUE(SetupDraftEdits::projectItems("/srv/p", "/home/ann", {}, {}).empty());
}

TEST(SetupDraftEditsTest, saveNeedsANameItemsAndOnlyAllowedAddresses) {
    brisklet::Setup draft = named("  Deep Work  ");
    EXPECT_FALSE(SetupDraftEdits::canSave(draft, {}, {}));
    draft.items.push_back(webItem("example.org"));
    EXPECT_TRUE(SetupDraftEdits::canSave(draft, {}, {}));
    draft.name = "   ";
    EXPECT_FALSE(SetupDraftEdits::canSave(draft, {}, {}));
    draft.name = "Deep Work";

    // An address edited in its row into something no browser should open.
    draft.items.push_back(webItem("file:///etc/passwd"));
    EXPECT_EQ(SetupDraftEdits::refusedAddresses(draft), QList<QUuid>{draft.items[1].id});
    EXPECT_FALSE(SetupDraftEdits::canSave(draft, {}, {}));
    draft.items[1].url = "";
    EXPECT_FALSE(SetupDraftEdits::canSave(draft, {}, {}));
    draft.items[1].url = "docs.example.org";
    EXPECT_TRUE(SetupDraftEdits::canSave(draft, {}, {}));

    draft.name = "  Deep Work ";
    const brisklet::Setup saved = SetupDraftEdits::finished(draft);
    EXPECT_EQ(saved.name, "Deep Work");
    EXPECT_EQ(saved.items[0].url, "https://example.org");
    EXPECT_EQ(saved.items[1].url, "https://docs.example.org");
}

TEST(SetupDraftEditsTest, phrasesThatAlreadyMeanSomethingAreRefused) {
    const QStringList reserved{"open", "lock screen", "mute"};
    const brisklet::Setup other = named("Writing", {"Pen Time"});
    brisklet::Setup draft = named("Deep Work", {"focus mode"});
    EXPECT_FALSE(SetupDraftEdits::conflict(draft, reserved, {other}));

    draft.name = "Lock screen!";
    EXPECT_EQ(SetupDraftEdits::conflict(draft, reserved, {other}),
              "“Lock screen!” already means a command — pick other words.");
    draft.name = "Deep Work";
    draft.phrases = {"grind", "pen  time"};
    EXPECT_EQ(SetupDraftEdits::conflict(draft, reserved, {other}),
              "“pen  time” already runs the setup “Writing” — pick other words.");
    draft.phrases = {"writing"};
    draft.items.push_back(webItem("a.org"));
    EXPECT_FALSE(SetupDraftEdits::canSave(draft, reserved, {other}));
    // Its own stored copy is no conflict.
    brisklet::Setup stored = draft;
    EXPECT_FALSE(SetupDraftEdits::conflict(stored, reserved, {stored}));
}

TEST(SetupDraftEditsTest, displayChoicesReachAStoredDisplayButStayBounded) {
    EXPECT_EQ(SetupDraftEdits::displayChoices(1, SetupFrame{0, 0, 1, 1, 2}), 3);
    EXPECT_EQ(SetupDraftEdits::displayChoices(1, SetupFrame{0, 0, 1, 1, 0}), 1);
    EXPECT_EQ(SetupDraftEdits::displayChoices(2, std::nullopt), 2);
    EXPECT_EQ(SetupDraftEdits::displayChoices(1, SetupFrame{0, 0, 1, 1, 1000000000}), 8);
    EXPECT_EQ(SetupDraftEdits::displayChoices(1, SetupFrame{0, 0, 1, 1, -4}), 1);
    EXPECT_EQ(SetupDraftEdits::displayChoices(12, SetupFrame{0, 0, 1, 1, 40}), 12);
    EXPECT_EQ(SetupDraftEdits::clampedDisplay(-1, 2), 0);
    EXPECT_EQ(SetupDraftEdits::clampedDisplay(9, 2), 7);
}

TEST(SystemStateEditsTest, slidersTruncateAndStayInTheirRanges) {
    SetupSystemState state;
    SystemStateEdits::setVolumeOn(state, true);
    EXPECT_EQ(state.volume, 35);
    SystemStateEdits::setVolume(state, 72.9);
    EXPECT_EQ(state.volume, 72);
    SystemStateEdits::setVolume(state, 140);
    EXPECT_EQ(state.volume, 100);
    SystemStateEdits::setVolumeOn(state, false);
    EXPECT_EQ(state.volume, std::nullopt);

    SystemStateEdits::setBrightnessOn(state, true);
    EXPECT_EQ(state.brightness, 40);
    SystemStateEdits::setBrightness(state, 0);
    EXPECT_EQ(state.brightness, 5);
    SystemStateEdits::setBrightness(state, std::nan(""));
    EXPECT_EQ(state.brightness, 5);
}

TEST(SystemStateEditsTest, segmentsStoreTheirCaseOrNothing) {
    SetupSystemState state;
    SystemStateEdits::setAppearance(state, "dark");
    EXPECT_EQ(SystemStateEdits::appearanceValue(state), "dark");
    SystemStateEdits::setAppearance(state, "leave");
    EXPECT_EQ(state.appearance, std::nullopt);
    SystemStateEdits::setSoundCue(state, "whisper");
    EXPECT_EQ(state.soundCue, "whisper");
    SystemStateEdits::setSoundCue(state, "none");
    EXPECT_EQ(state.soundCue, std::nullopt);
    SystemStateEdits::setShortcut(state, "  Focus lights ");
    EXPECT_EQ(state.shortcut, "  Focus lights ");
    SystemStateEdits::setShortcut(state, "");
    EXPECT_EQ(state.shortcut, std::nullopt);

    QStringList labels;
    for (const auto& option : SystemStateEdits::soundOptions())
        labels << option.label;
    EXPECT_EQ(labels, (QStringList{"Don't play", "Droplet", "Whisper", "Tick"}));
}

TEST(SystemStateEditsTest, choosingMusicWithOnePlayerStoresThatPlayer) {
    const auto one = SystemStateEdits::players({app("spotify", "Spotify"), app("kitty", "kitty")});
    ASSERT_EQ(one.size(), 1u);
    SetupSystemState state;
    SystemStateEdits::setMusic(state, "play", one);
    EXPECT_EQ(state.music, SetupSystemState::Music::play);
    EXPECT_EQ(state.musicPlayer, "spotify");

    // Two players: the local one comes first and is shown; "Don't change" keeps it.
    const QString local = MediaActions::localPlayerIDs().front();
    const auto two = SystemStateEdits::players({app("spotify", "Spotify"), app(local, "Rhythm")});
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0], (SystemStateEdits::Option{local, "Music"}));
    SetupSystemState other;
    EXPECT_EQ(SystemStateEdits::playerValue(other, two), local);
    SystemStateEdits::setMusic(other, "pause", two);
    SystemStateEdits::setPlayer(other, "spotify");
    SystemStateEdits::setMusic(other, "leave", two);
    EXPECT_EQ(other.music, std::nullopt);
    EXPECT_EQ(other.musicPlayer, "spotify");
    EXPECT_TRUE(SystemStateEdits::players({}).empty());
}
