// A run's web pages and system state, on fakes.
#include "setups/SetupEngineFixture.h"

using namespace brisklet;
using namespace brisklet::test;

// States are written with designated initializers; every field left out is unset.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

const SetupFrame leftHalf{0, 0, 0.5, 1, 0};
const QRectF leftHalfAX(0, 30, 960, 1050);

class SetupEngineStepsTest : public SetupEngineFixture {
protected:
    SetupPort::RunReport report;
    std::vector<SetupStore::AppliedWindow> applied;
    SetupEngine::OpenedWindows opened;

    void runPages(const std::vector<SetupItem>& items, const QString& browser = "firefox-esr") {
        engine->runURLItems(items, browser, report, applied, opened, [this](const SetupFrame& f) {
            int slot = 1;
            auto p = SetupEngine::placement(f, {QRectF(0, 0, 1920, 1050)}, slot);
            return p ? std::optional(windows.toAX(p->rect)) : std::nullopt;
        });
    }
    std::vector<platform::WindowId> browserWindows(const QString& id = "firefox-esr") {
        std::vector<platform::WindowId> ids;
        for (const auto& w : desktop.windows())
            if (w.appId == id)
                ids.push_back(w.id);
        return ids;
    }
    QStringList applyState(const SetupSystemState& state, int* steps = nullptr) {
        QStringList notes;
        int applied = 0;
        engine->applySystemState(state, notes, applied);
        if (steps)
            *steps = applied;
        return notes;
    }
    void installPlayer(bool denied = false) {
        auto installed = apps.installedApps();
        installed.push_back({"org.gnome.Rhythmbox3", "Rhythmbox", "/apps/org.gnome.Rhythmbox3.desktop"});
        apps.setInstalled(installed);
        players.add("org.mpris.MediaPlayer2.rhythmbox",
                    {.desktopID = "org.gnome.Rhythmbox3", .denied = denied});
    }
};

} // namespace

// --- pages

TEST(SetupPages, theMatchRuleDropsTrailingSlashesAndNeedsABoundary) {
    EXPECT_TRUE(SetupEngine::urlMatches("https://a.com/x?q=1", "https://a.com/x/"));
    EXPECT_TRUE(SetupEngine::urlMatches("https://a.com/x#top", "https://a.com/x"));
    EXPECT_TRUE(SetupEngine::urlMatches("https://a.com/x/", "https://a.com/x//"));
    EXPECT_TRUE(SetupEngine::urlMatches("https://a.com/x/y", "https://a.com/x"));
    EXPECT_FALSE(SetupEngine::urlMatches("https://a.com/xy", "https://a.com/x/"));
    EXPECT_FALSE(SetupEngine::urlMatches("https://A.com/x", "https://a.com/x"));
    EXPECT_FALSE(SetupEngine::urlMatches("", "https://a.com/x"));
    // The ledger drops one slash only.
    EXPECT_EQ(SetupEngine::ledgerPrefix("https://a.com/x/"), "https://a.com/x");
    EXPECT_EQ(SetupEngine::ledgerPrefix("https://a.com/x//"), "https://a.com/x/");
}

TEST_F(SetupEngineStepsTest, aWindowShowingThePageIsReusedOnceAndASecondCopyOpensItsOwnWindow) {
    const auto shown = desktop.addWindow(800, "firefox-esr", QRectF(500, 500, 600, 400), "A — Firefox");
    harvestUrls = QMap<platform::WindowId, QString>{{shown, "https://a.com/x?q=1"}};

    runPages({page("https://a.com/x/", "firefox-esr", leftHalf, "A"),
              page("https://a.com/x/", "firefox-esr", leftHalf, "A")});

    EXPECT_TRUE(report.notes.isEmpty()) << report.notes.join(" | ").toStdString();
    EXPECT_EQ(report.opened, 2);
    EXPECT_EQ(report.placed, 2);
    EXPECT_TRUE(within(desktop.frameOf(shown), leftHalfAX, 12));
    const auto all = browserWindows();
    ASSERT_EQ(all.size(), 2u);
    const auto fresh = all[0] == shown ? all[1] : all[0];
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0].windowID, shown);
    EXPECT_EQ(opened[0].prefix, "https://a.com/x");
    EXPECT_EQ(opened[1].windowID, fresh);
    ASSERT_EQ(applied.size(), 2u);
    EXPECT_EQ(applied[1], (SetupStore::AppliedWindow{"firefox-esr", "A", leftHalfAX}));
}

TEST_F(SetupEngineStepsTest, pagesWithoutAWebAddressAreSkippedWithTheirLabel) {
    SetupItem noUrl = page("https://a.com");
    noUrl.url.reset();
    runPages({page("ftp://a.com/file", "firefox-esr", {}, "Files"), page("a.com"), noUrl});
    EXPECT_EQ(report.notes, (QStringList{"“Files” has no valid web address — skipped.",
                                         "“a.com” has no valid web address — skipped.",
                                         "“?” has no valid web address — skipped."}));
    EXPECT_EQ(report.opened, 0);
    EXPECT_TRUE(report.failedItems.isEmpty());
}

TEST_F(SetupEngineStepsTest, aBrowserThatIsntInstalledOpensEachPageInTheDefaultOne) {
    SetupItem a = page("https://a.com", "vivaldi-stable", leftHalf);
    a.appName = "Vivaldi";
    SetupItem b = a;
    b.url = "https://b.com";
    runPages({a, b}, "vivaldi-stable");
    EXPECT_EQ(report.notes, (QStringList{"Vivaldi isn't installed — opened in your default browser.",
                                         "Vivaldi isn't installed — opened in your default browser."}));
    EXPECT_EQ(report.opened, 2);
    EXPECT_EQ(report.placed, 0);
    EXPECT_TRUE(opened.empty());
    ASSERT_EQ(browsers.calls.size(), 2u);
    EXPECT_EQ(browsers.calls[0], (std::pair<QString, QStringList>{"chromium", {"https://a.com"}}));
}

TEST_F(SetupEngineStepsTest, aPageThatCantBeOpenedAtAllNamesItsHost) {
    browsers.defaultId.reset();
    SetupItem a = page("https://news.example.org/today", "vivaldi-stable");
    a.appName = "Vivaldi";
    runPages({a}, "vivaldi-stable");
    EXPECT_EQ(report.notes, QStringList{"Couldn't open https://news.example.org/today."});
    EXPECT_EQ(report.failedItems, QStringList{"news.example.org"});
}

TEST_F(SetupEngineStepsTest, aBrowserWeCantDriveOpensItsPagesUnplaced) {
    browsers.installed.insert("org.kde.falkon");
    SetupItem a = page("https://a.com", "org.kde.falkon", leftHalf);
    a.appName = "Falkon";
    runPages({a}, "org.kde.falkon");
    EXPECT_EQ(report.notes, QStringList{"Falkon can't be positioned by script — site opened unplaced."});
    EXPECT_EQ(report.opened, 1);
    EXPECT_EQ(report.placed, 0);
}

TEST_F(SetupEngineStepsTest, aSlowOpenIsRecoveredWhenThePageShowedUpAfterAll) {
    desktop.addWindow(800, "firefox-esr", QRectF(500, 500, 600, 400), "Home — Firefox");
    browsers.delay = -1; // the positioned window never comes
    platform::WindowId late = 0;
    auto c = collaborators();
    // The page turns up in a window once it was asked for.
    c.harvest = [this, &late](const QString&) {
        BrowserScripting::HarvestResult result{BrowserScripting::HarvestResult::Kind::windows, {}};
        const bool asked = std::any_of(browsers.calls.begin(), browsers.calls.end(),
                                       [](const auto& call) { return call.second.contains("--new-window"); });
        if (asked) {
            if (!late)
                late = desktop.addWindow(800, "firefox-esr", QRectF(0, 0, 500, 500), "B — Firefox");
            result.windows.push_back({late, "B — Firefox", "https://b.com/"});
        }
        return result;
    };
    engine = std::make_unique<SetupEngine>(windows, store, c);
    runPages({page("https://b.com", "firefox-esr", leftHalf, "B")});
    EXPECT_EQ(report.notes, QStringList{"Firefox was slow to script — recovered best-effort."});
    EXPECT_EQ(report.opened, 1);
    EXPECT_EQ(report.placed, 0) << "left where the browser put it";
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].windowID, late);
    EXPECT_TRUE(applied.empty());

    // Nothing turns up: a plain open follows.
    report = {};
    opened.clear();
    late = 0;
    c.harvest = {};
    engine = std::make_unique<SetupEngine>(windows, store, c);
    browsers.calls.clear();
    runPages({page("https://c.com", "firefox-esr", leftHalf, "C")});
    EXPECT_EQ(report.notes, QStringList{"Firefox was slow to script — recovered best-effort."});
    EXPECT_EQ(report.opened, 1);
    EXPECT_TRUE(opened.empty());
    EXPECT_EQ(browsers.calls.back(), (std::pair<QString, QStringList>{"firefox-esr", {"https://c.com"}}));
}

TEST_F(SetupEngineStepsTest, aBrowserThatNeverShowsAWindowIsStillAskedForItsPages) {
    browsers.delay = -1;
    runPages({page("https://a.com")});
    EXPECT_EQ(report.notes.first(), "Firefox didn't finish launching — sites opened best-effort.");
}

TEST_F(SetupEngineStepsTest, aRunKeepsTheWindowsItOpenedPerSetupAndReplacesThemNextTime) {
    Setup s = setupOf("Read", {page("https://a.com", "firefox-esr", leftHalf),
                               page("https://b.com", "chromium", leftHalf)});
    engine->run(s);
    ASSERT_TRUE(engine->windowLedger().contains(s.id));
    const auto ledger = engine->windowLedger().at(s.id);
    EXPECT_EQ(ledger.size(), 2u);
    EXPECT_EQ(ledger.at("chromium").front().prefix, "https://b.com");
    EXPECT_EQ(engine->lastUndo()->openedLedger.size(), 2u);

    // Pages that can't be opened leave no entry behind.
    for (const auto& [browser, list] : ledger)
        desktop.remove(list.front().windowID);
    browsers.fails = true;
    engine->run(s);
    EXPECT_FALSE(engine->windowLedger().contains(s.id));
}

// --- system state

TEST_F(SetupEngineStepsTest, volumeIsClampedAndEachAppliedStepCounts) {
    int steps = 0;
    EXPECT_TRUE(applyState({.volume = 140}, &steps).isEmpty());
    EXPECT_TRUE(applyState({.volume = -5}).isEmpty());
    EXPECT_EQ(system.log, (QStringList{"setVolume 100", "setVolume 0"}));
    EXPECT_EQ(steps, 1);

    system.shortcutStatus["Focus mode"] = 0;
    EXPECT_TRUE(applyState({.volume = 30,
                            .appearance = SetupSystemState::Appearance::dark,
                            .shortcut = "Focus mode",
                            .brightness = 60},
                           &steps)
                    .isEmpty());
    EXPECT_EQ(steps, 4);
    EXPECT_EQ(appearance.current(), platform::AppearanceSwitch::Scheme::dark);
    ASSERT_FALSE(brightnessLog->sets.empty());
    EXPECT_NEAR(brightnessLog->sets.back(), 0.6, 0.01);
}

TEST_F(SetupEngineStepsTest, everyFailureIsOneNoteInStepOrderAndTheRestStillRuns) {
    system.volumeFails = true;
    brightnessWorks = false;
    appearance.setAnswer(FakeAppearanceSwitch::Answer::fails);
    int steps = -1;
    const auto notes = applyState({.volume = 50,
                                   .appearance = SetupSystemState::Appearance::light,
                                   .music = SetupSystemState::Music::play,
                                   .shortcut = "Missing",
                                   .brightness = 40},
                                  &steps);
    EXPECT_EQ(notes, (QStringList{
                         "Couldn't set the volume.", "Couldn't set the screen brightness on this display.",
                         "Couldn't switch the appearance.", "Music player isn't installed — skipped.",
                         "Shortcut “Missing” doesn't exist — create it in the Brisklet Shortcuts folder."}));
    EXPECT_EQ(steps, 0);
}

TEST_F(SetupEngineStepsTest, anAppearanceTheDesktopRefusesOrIgnoresIsReported) {
    appearance.setAnswer(FakeAppearanceSwitch::Answer::denied);
    EXPECT_EQ(applyState({.appearance = SetupSystemState::Appearance::dark}),
              QStringList{"Appearance unchanged — the desktop refused access."});
    appearance.setAnswer(FakeAppearanceSwitch::Answer::ignores);
    EXPECT_EQ(applyState({.appearance = SetupSystemState::Appearance::dark}),
              QStringList{"Couldn't switch the appearance."});
    int steps = 0;
    EXPECT_TRUE(applyState({.appearance = SetupSystemState::Appearance::light}, &steps).isEmpty())
        << "already light";
    EXPECT_EQ(steps, 1);
}

TEST_F(SetupEngineStepsTest, onlyInstalledArrivalSoundsPlayAndOnTheMainThread) {
    applyState({.soundCue = "none"});
    applyState({.soundCue = "chirp"});
    applyState({.soundCue = "droplet"});
    EXPECT_TRUE(cues.isEmpty());
    drain();
    EXPECT_EQ(cues, QStringList{"droplet"});
    int steps = 0;
    applyState({.soundCue = "tick"}, &steps);
    EXPECT_EQ(steps, 0) << "a sound is no step";
}

TEST_F(SetupEngineStepsTest, musicDrivesTheDesktopsOwnPlayerWhenNoneIsNamed) {
    installPlayer();
    int steps = 0;
    EXPECT_TRUE(applyState({.music = SetupSystemState::Music::play}, &steps).isEmpty());
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(players.calls(), QStringList{"org.mpris.MediaPlayer2.rhythmbox Play"});
    // A named player alone does nothing.
    EXPECT_TRUE(applyState({.musicPlayer = "org.gnome.Rhythmbox3"}).isEmpty());
    EXPECT_EQ(players.calls().size(), 1);
}

TEST_F(SetupEngineStepsTest, aPlayerThatRefusesOrIsMissingIsNamed) {
    installPlayer(true);
    EXPECT_EQ(applyState({.music = SetupSystemState::Music::pause}),
              QStringList{"Rhythmbox unchanged — the desktop refused access."});
    EXPECT_EQ(applyState({.music = SetupSystemState::Music::play, .musicPlayer = "com.spotify.Client"}),
              QStringList{"Music player isn't installed — skipped."});
    // Installed, but nothing answers on the bus.
    launcher.install("org.gnome.Rhythmbox3", {.delay = -1});
    players.at("org.mpris.MediaPlayer2.rhythmbox").desktopID = "someone.else";
    auto installed = apps.installedApps();
    installed.push_back({"org.kde.elisa", "Elisa", "/apps/org.kde.elisa.desktop"});
    apps.setInstalled(installed);
    launcher.install("org.kde.elisa", {.delay = -1});
    const double before = clock.now();
    EXPECT_EQ(applyState({.music = SetupSystemState::Music::pause, .musicPlayer = "org.kde.elisa"}),
              QStringList{"Couldn't pause Elisa."});
    EXPECT_LE(clock.now() - before, SetupEngine::stepLimit + 2);
}

TEST_F(SetupEngineStepsTest, shortcutNamesThatReachOutsideTheFolderNeverRun) {
    for (const QString& name :
         {QString("../x"), QString("a/b"), QString(".hidden"), QString("a") + QChar(0) + "b"}) {
        system.shortcutStatus[name] = 0;
        EXPECT_EQ(applyState({.shortcut = name}),
                  QStringList{"Shortcut “" + name +
                              "” doesn't exist — create it in the Brisklet Shortcuts folder."});
    }
    EXPECT_TRUE(system.log.isEmpty()) << system.log.join(", ").toStdString();

    system.shortcutStatus["Broken"] = 1;
    EXPECT_EQ(applyState({.shortcut = "Broken"}), QStringList{"Shortcut “Broken” failed."});
    EXPECT_EQ(system.log, QStringList{"runShortcut Broken 10"});
    int steps = 0;
    EXPECT_TRUE(applyState({.shortcut = ""}, &steps).isEmpty());
    EXPECT_TRUE(applyState({}, &steps).isEmpty());
    EXPECT_EQ(steps, 0);
}
