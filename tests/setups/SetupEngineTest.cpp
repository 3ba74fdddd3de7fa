// Running a setup on a fake desktop of two displays: refusals, launches, placing,
// bringing forward, the checkpoint and the receipt.
#include "setups/SetupEngineFixture.h"

#include "base/Prefs.h"
#include "windows/DisplayArrangement.h"

#include <QDir>
#include <QUrl>

#include <atomic>
#include <thread>

using namespace brisklet;
using namespace brisklet::test;

namespace {

// Left half of the primary's visible frame, top half (bottom-left fractions).
const SetupFrame topLeftQuarter{0, 0.5, 0.5, 0.5, 0};
const QRectF topLeftQuarterAX(0, 30, 960, 525);
// Right half of the second display.
const SetupFrame secondRightHalf{0.5, 0, 0.5, 1, 1};
const QRectF secondRightHalfAX(2560, 0, 640, 1024);
// Bottom half of the primary.
const SetupFrame bottomHalf{0, 0, 1, 0.5, 0};
const QRectF bottomHalfAX(0, 555, 1920, 525);

class SetupEngineTest : public SetupEngineFixture {};

} // namespace

TEST_F(SetupEngineTest, threeAppsOnTwoDisplaysLandOnTheirSlotsAndTheMissingOneIsLaunched) {
    const auto code = desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "main.cpp — Code");
    const auto term = desktop.addWindow(502, "org.gnome.Terminal", QRectF(100, 100, 600, 400), "Terminal");
    Setup s = setupOf("Deep Work", {app("code", "Code", topLeftQuarter),
                                    app("org.gnome.Terminal", "Terminal", secondRightHalf),
                                    app("slack", "Slack", bottomHalf)});
    store.upsert(s);

    const auto report = engine->run(s);

    ASSERT_EQ(launcher.launches().size(), 1u) << "only the app that wasn't running is started";
    EXPECT_EQ(launcher.launches().front().id, "slack");
    EXPECT_TRUE(within(desktop.frameOf(code), topLeftQuarterAX, 12));
    EXPECT_TRUE(within(desktop.frameOf(term), secondRightHalfAX, 12));
    platform::WindowId slack = 0;
    for (const auto& w : desktop.windows())
        if (w.appId == "slack")
            slack = w.id;
    ASSERT_NE(slack, 0u);
    EXPECT_TRUE(within(desktop.frameOf(slack), bottomHalfAX, 12));

    EXPECT_EQ(report.name, "Deep Work");
    EXPECT_EQ(report.opened, 3);
    EXPECT_EQ(report.placed, 3);
    EXPECT_EQ(report.total, 3);
    EXPECT_TRUE(report.notes.isEmpty()) << report.notes.join(" | ").toStdString();
    EXPECT_TRUE(report.failedItems.isEmpty());
    EXPECT_FALSE(report.fingerprintMismatch);
    EXPECT_EQ(report.arrangement, "2 displays");
    // The last item's app ends up in front.
    ASSERT_TRUE(desktop.activeWindow());
    EXPECT_EQ(desktop.get(*desktop.activeWindow()).info.appId, "slack");
}

TEST_F(SetupEngineTest, aSetupSavedOnTwoDisplaysRunsOnOneWithItsWindowsCascaded) {
    useOneDisplay();
    const auto code = desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    const auto term = desktop.addWindow(502, "org.gnome.Terminal", QRectF(100, 100, 600, 400), "Terminal");
    Setup s = setupOf("Studio", {app("code", "Code", topLeftQuarter),
                                 app("org.gnome.Terminal", "Terminal", secondRightHalf)});

    const auto report = engine->run(s);

    EXPECT_EQ(report.placed, 2);
    EXPECT_TRUE(within(desktop.frameOf(code), topLeftQuarterAX, 12));
    // On the primary, its own size kept, inside the visible frame.
    const QRectF cascaded = desktop.frameOf(term);
    EXPECT_NEAR(cascaded.width(), 960, 1); // half of the primary's width
    EXPECT_TRUE(QRectF(0, 30, 1920, 1050).contains(cascaded));
    EXPECT_TRUE(report.fingerprintMismatch);
    EXPECT_EQ(
        report.notes,
        QStringList{"1 window belongs on a display that isn't connected — placed on your main screen."});
}

TEST_F(SetupEngineTest, refusesWhenTheSetupInsistsOnDisplaysThatAreMissing) {
    useOneDisplay();
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    Setup s = setupOf("Studio", {app("code", "Code", topLeftQuarter),
                                 app("org.gnome.Terminal", "Terminal", secondRightHalf),
                                 page("https://a.com", "firefox-esr")});
    s.requiresAllDisplays = true;
    store.upsert(s);
    const int runsBefore = Prefs::intValue(Prefs::Key::setupsRun);
    const auto before = desktop.frameOf(desktop.windows().front().id);

    const auto report = engine->run(s);
    drain();

    EXPECT_EQ(report.notes,
              QStringList{"Studio needs 2 displays — only one is connected. Nothing was changed."});
    EXPECT_EQ(report.failedItems, (QStringList{"Code", "Terminal", "Firefox"}));
    EXPECT_EQ(report.opened + report.placed + report.clearedOthers, 0);
    EXPECT_EQ(desktop.frameOf(desktop.windows().front().id), before);
    EXPECT_TRUE(launcher.launches().empty());
    EXPECT_EQ(Prefs::intValue(Prefs::Key::setupsRun), runsBefore) << "not counted";
    EXPECT_FALSE(store.setup(s.id)->lastRunAt);
    EXPECT_FALSE(engine->lastUndo());
    EXPECT_FALSE(store.activeRun());
    ASSERT_EQ(receipts.size(), 1u);
    EXPECT_FALSE(receipts.front().canUndo);

    // Three needed, two connected.
    useTwoDisplays();
    s.items.push_back(app("slack", "Slack", SetupFrame{0, 0, 1, 1, 2}));
    EXPECT_EQ(engine->run(s).notes,
              QStringList{"Studio needs 3 displays — 2 are connected. Nothing was changed."});
}

TEST_F(SetupEngineTest, refusesWhileTheWindowLayerSeesNothingButNotForPagesAlone) {
    staleCount = 3;
    Setup s = setupOf("Focus", {app("code", "Code", topLeftQuarter)});
    const auto refused = engine->run(s);
    EXPECT_EQ(refused.notes,
              QStringList{"Brisklet can't see your windows yet — restart Brisklet once, then try again."});
    EXPECT_EQ(refused.failedItems, QStringList{"Code"});
    EXPECT_TRUE(launcher.launches().empty());

    // Pages alone never ask.
    Setup pages = setupOf("Read", {page("https://a.com/news", "firefox-esr")});
    const auto report = engine->run(pages);
    EXPECT_EQ(report.opened, 1);
}

TEST_F(SetupEngineTest, missingAppsGetANoteWhileTheOthersGoOnAndOneAppCountsOnce) {
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "one");
    desktop.addWindow(501, "code", QRectF(320, 320, 700, 500), "two");
    Setup s = setupOf("Mixed", {app("code", "Code", topLeftQuarter, "one"), app("gimp", "GIMP", bottomHalf),
                                app("code", "Code", secondRightHalf, "two"), page("https://a.com"),
                                page("https://b.com"), page("https://c.com")});
    const auto report = engine->run(s);
    EXPECT_EQ(report.total, 6) << "pages count too";
    EXPECT_EQ(report.notes.first(), "GIMP isn't installed — skipped.");
    EXPECT_EQ(report.failedItems, QStringList{"GIMP"});
    EXPECT_EQ(report.placed, 2);
    EXPECT_EQ(report.opened, 1 + 3) << "code once, and three pages";
    EXPECT_TRUE(launcher.launches().empty());
}

TEST_F(SetupEngineTest, anAppThatShowsNoWindowIsNamedAndOneOnAnotherDesktopIsLeftThere) {
    launcher.install("slack", {.delay = -1});
    addFarWindow(700, "org.gnome.Terminal", "Terminal");
    Setup s = setupOf("Away",
                      {app("slack", "Slack", bottomHalf), app("org.gnome.Terminal", "Terminal", bottomHalf)});
    const auto report = engine->run(s);
    EXPECT_EQ(report.notes, (QStringList{"Slack didn't show a window.",
                                         "Terminal's windows are on another desktop — left them there."}));
    EXPECT_EQ(report.failedItems, (QStringList{"Slack", "Terminal"}));
    EXPECT_EQ(report.opened, 0);
}

TEST_F(SetupEngineTest, theProjectFolderOpensOnlyWhenNoWindowShowsItAlready) {
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "main.cpp — BRISKLET — Code");
    Setup s = setupOf("Code", {app("code", "Code", topLeftQuarter)});
    s.items[0].projectPath = "/home/me/src/brisklet";
    engine->run(s);
    EXPECT_TRUE(launcher.launches().empty()) << "the title names the folder in another case";

    s.items[0].projectPath = "~/src/other";
    engine->run(s);
    ASSERT_EQ(launcher.launches().size(), 1u);
    EXPECT_EQ(launcher.launches().front().urls,
              QStringList{QUrl::fromLocalFile(QDir::homePath() + "/src/other").toString()});

    // An app that was not running gets the folder as it starts.
    Setup term = setupOf("Shell", {app("slack", "Slack", bottomHalf)});
    term.items[0].projectPath = "/tmp/work";
    engine->run(term);
    EXPECT_EQ(launcher.launches().back().id, "slack");
    EXPECT_EQ(launcher.launches().back().urls, QStringList{"file:///tmp/work"});
}

TEST_F(SetupEngineTest, aProjectFolderThatCantBeOpenedIsANoteNotAFailure) {
    launcher.install("org.gnome.Terminal", {.acceptsUrls = false});
    browsers.installed.erase("org.gnome.Terminal");
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    launcher.install("code", {.failsWithUrls = true});
    Setup s = setupOf("Code", {app("code", "Code", topLeftQuarter)});
    s.items[0].projectPath = "/srv/project";
    const auto report = engine->run(s);
    EXPECT_EQ(report.notes, QStringList{"Code couldn't open the project folder — opened without it."});
    EXPECT_TRUE(report.failedItems.isEmpty());
    EXPECT_EQ(report.placed, 1);
}

TEST_F(SetupEngineTest, runningCountsMakesTheActiveRunAndHandsOneReceiptToTheMainThread) {
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    Setup s = setupOf("Focus", {app("code", "Code", topLeftQuarter, "Code")});
    s.fingerprint.clear();
    store.upsert(s);
    const int runsBefore = Prefs::intValue(Prefs::Key::setupsRun);

    const auto report = engine->run(s);
    EXPECT_TRUE(report.fingerprintMismatch) << "an empty fingerprint never matches";
    EXPECT_TRUE(receipts.empty()) << "delivered later, on the main thread";
    drain();

    ASSERT_EQ(receipts.size(), 1u);
    EXPECT_TRUE(receipts.front().canUndo);
    EXPECT_EQ(receipts.front().report.placed, 1);
    EXPECT_EQ(Prefs::intValue(Prefs::Key::setupsRun), runsBefore + 1);
    ASSERT_TRUE(store.activeRun());
    EXPECT_EQ(store.activeRun()->setupID, s.id);
    EXPECT_EQ(store.activeRun()->displayFingerprint, "2:1920x1080,1280x1024");
    ASSERT_EQ(store.activeRun()->applied.size(), 1u);
    EXPECT_EQ(store.activeRun()->applied.front().axFrame, topLeftQuarterAX);
    ASSERT_TRUE(engine->lastUndo());
    EXPECT_EQ(engine->lastUndo()->kind, SetupEngine::UndoCheckpoint::Kind::run);
    ASSERT_EQ(engine->lastUndo()->windowFrames.size(), 1u);
    EXPECT_EQ(engine->lastUndo()->windowFrames.front().axFrame, QRectF(300, 300, 700, 500));
    // The store now holds the run's stamp, yet it is the same setup for the receipt.
    ASSERT_TRUE(store.setup(s.id)->lastRunAt);
    EXPECT_NE(*store.setup(s.id), s);
    EXPECT_TRUE(store.setup(s.id)->sameApartFromStamps(s));
}

TEST_F(SetupEngineTest, aRunThatDidNothingKeepsThePreviousCheckpointButClosingOthersLeavesOne) {
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    Setup first = setupOf("First", {app("code", "Code", topLeftQuarter)});
    engine->run(first);
    Setup empty = setupOf("Nothing", {});
    engine->run(empty);
    ASSERT_TRUE(engine->lastUndo());
    EXPECT_EQ(engine->lastUndo()->setupID, first.id);

    // Other apps that agree to quit are the whole run, and still a checkpoint.
    desktop.addWindow(600, "slack", QRectF(0, 0, 400, 400), "Slack");
    desktop.addWindow(601, "firefox-esr", QRectF(0, 0, 400, 400), "Firefox");
    desktop.addWindow(ownPid, "brisklet", QRectF(0, 0, 400, 400), "Brisklet");
    Setup clear = setupOf("Clear", {page("https://a.com", "chromium")});
    clear.closeOthers = true;
    browsers.installed.erase("chromium");
    browsers.fails = true;
    const auto report = engine->run(clear);
    EXPECT_EQ(report.clearedOthers, 2) << "code and slack; never a browser or ourselves";
    ASSERT_TRUE(engine->lastUndo());
    EXPECT_EQ(engine->lastUndo()->setupID, clear.id);
    EXPECT_EQ(engine->lastUndo()->quitApps, (QStringList{"code", "slack"}));
    EXPECT_EQ(desktop.closed().size(), 2u);
}

TEST_F(SetupEngineTest, aSetupWithOnlySystemStateLeavesACheckpointAndBecomesTheActiveRun) {
    Setup s = setupOf("Quiet", {});
    s.system.volume = 20;
    const auto report = engine->run(s);
    drain();
    EXPECT_EQ(report.opened, 1);
    EXPECT_TRUE(engine->lastUndo());
    EXPECT_TRUE(store.activeRun());
    ASSERT_EQ(receipts.size(), 1u);
    EXPECT_TRUE(receipts.front().canUndo);
}

// --- placing

TEST(SetupPlacement, placesOnItsDisplayAndCascadesMissingDisplaysOntoTheFirst) {
    const std::vector<QRectF> frames{QRectF(0, 0, 1000, 800), QRectF(1000, 0, 500, 400)};
    int slot = 1;
    auto p = SetupEngine::placement({0.5, 0.5, 0.5, 0.5, 1}, frames, slot);
    ASSERT_TRUE(p);
    EXPECT_EQ(*p, (SetupEngine::Placement{QRectF(1250, 200, 250, 200), false}));
    EXPECT_EQ(slot, 1);

    const auto first = SetupEngine::placement({0, 0, 0.2, 0.2, 2}, frames, slot);
    const auto second = SetupEngine::placement({0, 0, 0.2, 0.2, -1}, frames, slot);
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(first->cascaded && second->cascaded);
    EXPECT_EQ(first->rect, DisplayArrangement::cascaded(QRectF(0, 0, 200, 160), 1, frames[0]));
    EXPECT_EQ(second->rect, DisplayArrangement::cascaded(QRectF(0, 0, 200, 160), 2, frames[0]));
    EXPECT_EQ(slot, 3);

    EXPECT_FALSE(SetupEngine::placement({0, 0, 1, 1, 0}, {}, slot));
    EXPECT_EQ(slot, 3);
}

TEST(SetupPlacement, surfaceOrderFollowsEachAppsLastItem) {
    auto item = [](const QString& id) {
        SetupItem i;
        i.bundleID = id;
        return i;
    };
    EXPECT_EQ(SetupEngine::surfaceOrder({item("A"), item("B"), item("A"), item("C")}),
              (QStringList{"B", "A", "C"}));
    EXPECT_TRUE(SetupEngine::surfaceOrder({}).isEmpty());
}

TEST(SetupPlacement, cascadeNoteCountsItsWindows) {
    EXPECT_EQ(SetupEngine::cascadeNote(1),
              "1 window belongs on a display that isn't connected — placed on your main screen.");
    EXPECT_EQ(SetupEngine::cascadeNote(3),
              "3 windows belong on a display that isn't connected — placed on your main screen.");
}

TEST(SetupPlacement, projectWindowOpenIgnoresCaseAndAnEmptyFolder) {
    EXPECT_TRUE(SetupEngine::projectWindowOpen({"x", "main.rs — MyApp"}, "myapp"));
    EXPECT_FALSE(SetupEngine::projectWindowOpen({"main.rs"}, "myapp"));
    EXPECT_FALSE(SetupEngine::projectWindowOpen({"anything"}, ""));
}

TEST(SetupPlacement, foldingQuitsKeepsOrderAndAddsOnlyNewApps) {
    SetupEngine::UndoCheckpoint c;
    c.quitApps = {"a", "b"};
    EXPECT_EQ(SetupEngine::foldingQuits(c, {"b", "c", "a", "d", "c"}).quitApps,
              (QStringList{"a", "b", "c", "d"}));
}

TEST_F(SetupEngineTest, sevenWindowsGlideFiveAndSetTheRestFirstOrAllDirectlyWithReducedMotion) {
    std::vector<SetupItem> items;
    std::vector<platform::WindowId> ids;
    for (int i = 0; i < 7; ++i) {
        const QString title = QString("doc %1").arg(i);
        ids.push_back(desktop.addWindow(501, "code", QRectF(10 * i, 40, 500, 400), title));
        items.push_back(app("code", "Code", SetupFrame{0.1 * i, 0.1, 0.2, 0.3, 0}, title));
    }
    Setup s = setupOf("Seven", items);
    std::vector<platform::WindowId> animated;
    desktop.onRequest([&](platform::WindowId id, const QRectF&) {
        if (std::find(animated.begin(), animated.end(), id) == animated.end())
            animated.push_back(id);
    });
    const auto report = engine->run(s);
    EXPECT_EQ(report.placed, 7);
    EXPECT_EQ(animated, std::vector<platform::WindowId>(ids.begin(), ids.begin() + 5));

    own.reducedMotion = true;
    animated.clear();
    for (auto id : ids)
        desktop.update(id, [](FakeDesktop::Window& w) { w.info.frame = QRectF(5, 40, 500, 400); });
    EXPECT_EQ(engine->run(s).placed, 7);
    EXPECT_TRUE(animated.empty());
}

TEST(SetupEngineGlide, aGlideThatNeverFinishesIsStoppedAndItsWindowsAreSetDirectly) {
    FakeClock clock;
    FakeDesktop desktop{clock};
    desktop.setDisplays({FakeDesktop::display(1, QRectF(0, 0, 1920, 1080))});
    FakeLauncher launcher{desktop, clock};
    WindowEngine windows{desktop, nullptr, &launcher, clock};
    windows.setOwnPid(99);
    TempHome home;
    FakeScheduler scheduler{clock};
    SetupStore store{Paths::setupsJSON(), scheduler};
    SetupEngine::Collaborators c;
    c.launcher = &launcher;
    // Frames are never run: the glide stays open until it is superseded.
    c.animatorTimer = [](SerialQueue&, double, std::function<void()>) {};
    SetupEngine engine(windows, store, c);

    brisklet::Setup s;
    s.id = QUuid::createUuid();
    s.name = "Stuck";
    std::vector<platform::WindowId> ids;
    for (int i = 0; i < 6; ++i) {
        ids.push_back(desktop.addWindow(501, "code", QRectF(0, 0, 300, 300), QString("w%1").arg(i)));
        SetupItem item;
        item.bundleID = "code";
        item.appName = "Code";
        item.title = QString("w%1").arg(i);
        item.frame = SetupFrame{0.1 * i, 0, 0.1, 0.1, 0};
        s.items.push_back(item);
    }
    std::atomic<bool> done = false;
    std::thread ticker([&] {
        while (!done) {
            clock.advance(0.05);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    });
    const auto report = engine.run(s);
    done = true;
    ticker.join();
    EXPECT_EQ(report.placed, 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(desktop.frameOf(ids[static_cast<size_t>(i)]).x(), 192 * i, 12);
}

// --- bringing forward

TEST_F(SetupEngineTest, hiddenAppsAreUnhiddenAndAppsOnAnotherDesktopAreLeftAlone) {
    const auto hidden = desktop.addWindow(501, "code", QRectF(0, 40, 500, 400), "Code");
    desktop.update(hidden, [](FakeDesktop::Window& w) { w.info.iconic = true; });
    addFarWindow(700, "slack", "Slack");
    // Slack has no framed item, so nothing of it moves.
    Setup s = setupOf("Back", {app("slack", "Slack"), app("code", "Code")});
    engine->run(s);
    EXPECT_FALSE(desktop.get(hidden).info.iconic);
    ASSERT_TRUE(desktop.activeWindow());
    EXPECT_EQ(*desktop.activeWindow(), hidden);
    const auto unhidden = launcher.unhidden();
    EXPECT_NE(std::find(unhidden.begin(), unhidden.end(), "code"), unhidden.end());
}

TEST_F(SetupEngineTest, withAppsShownOneAtATimeNothingIsRaisedAndTheNoteComesOnce) {
    stageManager = true;
    desktop.addWindow(501, "code", QRectF(0, 40, 500, 400), "Code");
    desktop.addWindow(502, "slack", QRectF(0, 40, 500, 400), "Slack");
    Setup s = setupOf("Stage", {app("code", "Code"), app("slack", "Slack")});
    const auto report = engine->run(s);
    EXPECT_EQ(report.notes, QStringList{"Stage Manager is on — apps were brought forward one by one."});
    EXPECT_TRUE(engine->run(setupOf("Empty", {})).notes.isEmpty());
}

TEST_F(SetupEngineTest, twoWindowsThatCantBePlacedGiveOneNoteForTheirApp) {
    for (const char* title : {"a", "b"})
        desktop.addWindow(501, "code", QRectF(0, 40, 500, 400), title);
    // Both windows close as soon as they start to move.
    desktop.onRequest([this](platform::WindowId id, const QRectF&) { desktop.remove(id); });
    Setup s =
        setupOf("Gone", {app("code", "Code", topLeftQuarter, "a"), app("code", "Code", bottomHalf, "b")});
    const auto report = engine->run(s);
    EXPECT_EQ(report.placed, 0);
    EXPECT_EQ(report.notes, QStringList{"Couldn't place a Code window."});
    EXPECT_TRUE(report.failedItems.isEmpty());
}
