#include "actions/ActionExecutor.h"
#include "base/Notifications.h"
#include "actions/MediaActions.h"
#include "platform/AppLauncher.h"
#include "platform/Apps.h"
#include "support/FakeClock.h"
#include "support/FakeMediaPlayers.h"
#include "support/FakeSystemActions.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace brisklet {
// A draft as the setups store would hold it; the executor only hands it on.
struct Setup {
    QString name;
};
} // namespace brisklet

using namespace brisklet;
using Outcome = ActionExecutor::Outcome;

namespace {

// Installed and running apps, and a launcher whose apps come to the front at once.
class FakeApps final : public AppLookup, public platform::RunningApps, public platform::AppLauncher {
public:
    std::vector<App> installed;
    std::vector<platform::RunningApp> running;
    QMap<QString, double> scores; // "query|candidate" → score; otherwise equal names score 1
    bool launchFails = false;
    bool activateFails = false;
    bool comesToFront = true;
    QStringList log;
    std::optional<platform::RunningApp> front;

    std::optional<App> resolve(const QString& name) override {
        for (const App& app : installed)
            if (app.name.compare(name, Qt::CaseInsensitive) == 0 || app.desktopID == name)
                return app;
        return std::nullopt;
    }
    double score(const QString& q, const QString& c) override {
        if (scores.contains(q + "|" + c))
            return scores.value(q + "|" + c);
        return q == c ? 1.0 : 0.0;
    }
    std::vector<platform::RunningApp> runningApps() override { return running; }
    std::optional<platform::RunningApp> frontmostApp() override { return front; }
    Launch launch(const QString& id, const QStringList& = {}) override {
        log << "launch " + id;
        if (launchFails)
            return {false, 0, "exec failed"};
        if (comesToFront)
            front = platform::RunningApp{4242, id, id, {}, true};
        return {true, 4242, {}};
    }
    bool acceptsUrls(const QString&) override { return false; }
    bool activate(const QString& id) override {
        log << "activate " + id;
        return !activateFails;
    }
    bool hide(const QString&) override { return true; }
    bool unhide(const QString&) override { return true; }
    bool quit(const QString& id) override {
        log << "quit " + id;
        return std::any_of(running.begin(), running.end(), [&](auto& r) { return r.id == id; });
    }
};

class FakeWindows final : public WindowMoves {
public:
    SortOutcome sorted{3, 0, {}, {}};
    bool moves = true;
    bool nextWorks = false;
    int screens = 1;
    QStringList log;
    SortOutcome sortActive(std::optional<int> count) override {
        log << QStringLiteral("sortActive %1").arg(count.value_or(-1));
        return sorted;
    }
    SortOutcome sortAll() override {
        log << "sortAll";
        return sorted;
    }
    bool move(WindowPosition) override {
        log << "move";
        return moves;
    }
    bool nextDisplay() override { return nextWorks; }
    void hideOthers() override { log << "hideOthers"; }
    int screenCount() override { return screens; }
};

class FakeLayouts final : public LayoutActions {
public:
    SnapshotResult snapshotResult{2, true};
    QMap<QString, ApplyResult> layouts;
    SnapshotResult snapshot(const QString&) override { return snapshotResult; }
    ApplyResult apply(const QString& name) override { return layouts.value(name); }
};

class FakeSetups final : public SetupActions {
public:
    QMap<QString, SetupRef> known;
    RunReport runReport;
    EndReport endReport;
    std::optional<int> closing;
    std::optional<UndoReport> undo;
    std::optional<SetupRef> lookup(const QString& phrase) override {
        if (known.contains(phrase))
            return known.value(phrase);
        return std::nullopt;
    }
    RunReport run(const SetupRef&) override { return runReport; }
    RunReport runDraft(const Setup& draft) override {
        RunReport r = runReport;
        r.name = draft.name;
        return r;
    }
    EndReport end(const SetupRef&) override { return endReport; }
    std::optional<int> closeOthersForLastRun(const QUuid&) override { return closing; }
    std::optional<UndoReport> undoLast() override { return undo; }
};

class Executor : public ::testing::Test {
protected:
    Executor() { apps.installed = {{"Firefox", "firefox-esr"}, {"Microsoft Teams", "teams"}}; }
    ActionExecutor& executor() {
        if (!executor_)
            executor_ = std::make_unique<ActionExecutor>(ActionExecutor::Collaborators{
                &windows, &layouts, &apps, &setups, &apps, &apps, &system, &media, &clock});
        return *executor_;
    }
    Outcome run(const Action& action) { return executor().execute(action); }
    // Runs a plan and waits for its completion on this (the main) thread.
    Outcome perform(Plan plan) {
        std::optional<Outcome> got;
        executor().performPlan(std::move(plan), [&](const Outcome& o) { got = o; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, 5000));
        return got.value_or(Outcome{false, "no completion"});
    }

    test::FakeClock clock;
    FakeApps apps;
    FakeWindows windows;
    FakeLayouts layouts;
    FakeSetups setups;
    test::FakeSystemActions system;
    test::FakeMediaPlayers players;
    struct NoInstalled final : platform::InstalledApps {
        std::vector<platform::AppEntry> installedApps() override { return {{"spotify", "Spotify", "/x"}}; }
    } installedPlayers;
    MediaActions media{players, installedPlayers, [](const QString&, const QStringList&) { return true; }};
    std::unique_ptr<ActionExecutor> executor_;
};
} // namespace

// --- plans

TEST_F(Executor, anEmptyPlanIsDoneAndNotifiesBeforeTheCompletion) {
    QStringList order;
    auto connection = QObject::connect(&NotificationBus::instance(), &NotificationBus::posted,
                                       [&](const QString& name, const QVariantMap& info) {
                                           if (name == Notifications::commandDone)
                                               order << "notified " + info.value("success").toString();
                                       });
    std::optional<Outcome> got;
    executor().performPlan({}, [&](const Outcome& o) {
        order << "completed";
        got = o;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, 5000));
    QObject::disconnect(connection);
    EXPECT_EQ(*got, (Outcome{true, "Done"}));
    EXPECT_EQ(order, (QStringList{"notified true", "completed"}));
}

TEST_F(Executor, aPlanStopsAtItsFirstFailure) {
    windows.moves = false;
    auto outcome =
        perform({Action::setVolume(30), Action::moveWindow(WindowPosition::left), Action::mute(true)});
    EXPECT_EQ(outcome, (Outcome{false, "No focused window"}));
    EXPECT_EQ(system.log, QStringList{"setVolume 30"}) << "the third action never ran";
}

TEST_F(Executor, aSuccessfulPlanReportsItsLastActionOnly) {
    EXPECT_EQ(perform({Action::setVolume(30), Action::mute(true)}), (Outcome{true, "Muted"}));
    QStringList notified;
    auto connection = QObject::connect(
        &NotificationBus::instance(), &NotificationBus::posted,
        [&](const QString&, const QVariantMap& info) { notified << info.value("success").toString(); });
    EXPECT_FALSE(perform({Action::screenshot(), Action::lockScreen(), Action::nextDisplay()}).success);
    QObject::disconnect(connection);
    EXPECT_EQ(notified, QStringList{"false"});
}

TEST_F(Executor, plansRunOneAfterAnotherInOrder) {
    std::vector<int> done;
    for (int i = 0; i < 5; ++i)
        executor().performPlan({Action::setVolume(i)}, [&, i](const Outcome&) { done.push_back(i); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.size() == 5; }, 5000));
    EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(system.log,
              (QStringList{"setVolume 0", "setVolume 1", "setVolume 2", "setVolume 3", "setVolume 4"}));
}

TEST_F(Executor, draftRuns) {
    auto draft = std::make_shared<brisklet::Setup>(brisklet::Setup{"Deep work"});
    auto runDraft = [&] {
        std::optional<Outcome> got;
        executor().runDraft(draft, [&](const Outcome& o) { got = o; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, 5000));
        return got.value_or(Outcome{});
    };
    EXPECT_EQ(runDraft(), (Outcome{false, "Nothing could be opened — try again in a moment."}));
    setups.runReport.notes = {"Slack isn't installed", "later"};
    EXPECT_EQ(runDraft(), (Outcome{false, "Slack isn't installed"}));
    setups.runReport.opened = 2;
    EXPECT_EQ(runDraft(), (Outcome{true, "“Deep work” is up — opened · Slack isn't installed"}));
}

TEST_F(Executor, withoutSetupsOrLayoutsTheActionsSaySo) {
    ActionExecutor bare(ActionExecutor::Collaborators{&windows, nullptr, &apps, nullptr, &apps, &apps,
                                                      &system, nullptr, &clock});
    EXPECT_EQ(bare.execute(Action::saveLayout("x")), (Outcome{false, "Saved layouts aren't available yet"}));
    EXPECT_EQ(bare.execute(Action::runSetup("x")), (Outcome{false, "Setups aren't available yet"}));
    EXPECT_EQ(bare.execute(Action::undoSetup()), (Outcome{false, "Setups aren't available yet"}));
    EXPECT_FALSE(bare.execute(Action::mediaControl(MediaOp::play)).success);
}

// --- wording

TEST(ExecutorWording, runSummary) {
    using R = SetupActions::RunReport;
    struct Row {
        R report;
        QString text;
    } rows[] = {
        {R{"Focus", 2, 1, 3, {}, {}, false}, "“Focus” is up — 1 window placed, cleared 3 other apps"},
        {R{"Focus", 0, 4, 1, {}, {}, false}, "“Focus” is up — 4 windows placed, cleared 1 other app"},
        {R{"Focus", 2, 0, 0, {}, {}, false}, "“Focus” is up — opened"},
        {R{"Focus", 0, 0, 0, {}, {}, false}, "“Focus”: nothing to do"},
        {R{"Focus", 0, 0, 0, {}, {"a note", "b"}, false}, "“Focus”: nothing to do · a note"},
        {R{"Focus", 0, 2, 0, "2:1728x1117,2560x1440", {"a note"}, true},
         "“Focus” is up — 2 windows placed (made for 2:1728x1117,2560x1440) · a note"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ActionExecutor::runSummary(row.report), row.text);
}

TEST(ExecutorWording, sortOutcome) {
    using S = WindowMoves::SortOutcome;
    struct Row {
        S sort;
        bool all;
        int screens;
        Outcome outcome;
    } rows[] = {
        {S{0, 0, {}, {}}, false, 1, {false, "No windows to sort"}},
        {S{1, 0, {}, {}}, false, 1, {true, "Sorted 1 window"}},
        {S{4, 0, {}, {}}, true, 1, {true, "Sorted 4 windows"}},
        {S{4, 0, {}, {}}, true, 2, {true, "Sorted 4 windows across displays"}},
        {S{4, 0, {}, {}}, false, 2, {true, "Sorted 4 windows"}},
        {S{4, 2, {"Mail"}, {"Xcode", "GIMP"}},
         false,
         1,
         {true, "Sorted 4 windows — Xcode and GIMP need more room than this screen has, so they overlap"}},
        {S{4, 2, {"Mail"}, {"GIMP"}},
         false,
         1,
         {true, "Sorted 4 windows — GIMP needs more room than this screen has, so it overlaps"}},
        {S{4, 2, {"Mail"}, {}}, false, 1, {true, "Sorted 4 windows — tiled around Mail"}},
        {S{4, 1, {}, {}}, false, 1, {true, "Sorted 4 windows — 1 kept its minimum size"}},
        {S{4, 2, {}, {}}, false, 1, {true, "Sorted 4 windows — 2 kept their minimum size"}},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ActionExecutor::sortOutcome(row.sort, row.all, row.screens), row.outcome);
    EXPECT_EQ(ActionExecutor::named({"A", "B", "C", "D"}), "A, B and 2 more");
    EXPECT_EQ(ActionExecutor::named({"A", "B", "C"}), "A, B and 1 more");
    EXPECT_EQ(ActionExecutor::named({"A"}), "A");
}

// --- apps

TEST_F(Executor, openingAnApp) {
    EXPECT_EQ(run(Action::openApp("firefox")), (Outcome{true, "Opened Firefox"}));
    EXPECT_EQ(apps.log, QStringList{"launch firefox-esr"});
    EXPECT_EQ(run(Action::openApp("Netscape")), (Outcome{false, "No app called “Netscape”"}));
    apps.launchFails = true;
    EXPECT_EQ(run(Action::openApp("firefox")), (Outcome{false, "Couldn't open Firefox"}));
}

TEST_F(Executor, theWaitForTheFrontIsBoundedOnTheClock) {
    const double start = clock.now();
    run(Action::openApp("firefox"));
    EXPECT_NEAR(clock.now() - start, 0.06, 1e-9) << "in front at once";
    apps.front.reset();
    apps.comesToFront = false;
    const double later = clock.now();
    EXPECT_EQ(run(Action::openApp("firefox")), (Outcome{true, "Opened Firefox"}));
    EXPECT_NEAR(clock.now() - later, 1.2, 0.031);
}

TEST_F(Executor, focusingAnAppThatIsNotRunningOpensIt) {
    EXPECT_EQ(run(Action::focusApp("firefox")), run(Action::openApp("firefox")));
    apps.launchFails = true;
    EXPECT_EQ(run(Action::focusApp("firefox")), run(Action::openApp("firefox")));
    EXPECT_EQ(run(Action::focusApp("nothing")), (Outcome{false, "No app called “nothing”"}));
}

TEST_F(Executor, focusingARunningApp) {
    apps.running = {{77, "firefox-esr", "Firefox", "/x", true}};
    EXPECT_EQ(run(Action::focusApp("Firefox!")), (Outcome{true, "Switched to Firefox"}));
    EXPECT_EQ(apps.log, QStringList{"activate firefox-esr"});
    apps.activateFails = true;
    EXPECT_EQ(run(Action::focusApp("firefox")), (Outcome{false, "Couldn't switch to Firefox"}));
}

TEST_F(Executor, quittingAsksPolitelyAndOnlyOrdinaryApps) {
    apps.running = {{77, "firefox-esr", "Firefox", "/x", true}, {12, "panel", "Panel", "/p", false}};
    EXPECT_EQ(run(Action::quitApp("firefox")), (Outcome{true, "Quit Firefox"}));
    EXPECT_EQ(run(Action::quitApp("Panel")), (Outcome{false, "“Panel” isn't running"}));
    EXPECT_EQ(run(Action::quitApp("Mail")), (Outcome{false, "“Mail” isn't running"}));
    EXPECT_EQ(apps.log, QStringList{"quit firefox-esr"});
    apps.running = {{78, "", "xeyes", "", true}};
    EXPECT_EQ(run(Action::quitApp("xeyes")), (Outcome{false, "Couldn't quit xeyes"}));
}

TEST_F(Executor, aRunningAppNeedsAScoreOfAtLeast055) {
    apps.running = {{77, "firefox-esr", "Firefox", "/x", true}, {78, "fire", "Fire", "/y", true}};
    apps.scores["firefax|firefox"] = 0.54;
    EXPECT_EQ(run(Action::quitApp("firefax")), (Outcome{false, "“firefax” isn't running"}));
    apps.scores["firefax|firefox"] = 0.55;
    EXPECT_EQ(run(Action::quitApp("firefax")), (Outcome{true, "Quit Firefox"}));
    // Ties keep the earlier app.
    apps.scores["firefax|fire"] = 0.55;
    EXPECT_EQ(run(Action::quitApp("firefax")), (Outcome{true, "Quit Firefox"}));
}

// --- every other action, success and failure

TEST_F(Executor, windowActions) {
    EXPECT_EQ(run(Action::sortActive(3)), (Outcome{true, "Sorted 3 windows"}));
    EXPECT_EQ(run(Action::sortAll()), (Outcome{true, "Sorted 3 windows"}));
    EXPECT_EQ(windows.log, (QStringList{"sortActive 3", "sortAll"}));
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::left)), (Outcome{true, "Left half"}));
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::right)), (Outcome{true, "Right half"}));
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::maximize)), (Outcome{true, "Maximized"}));
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::center)), (Outcome{true, "Centered"}));
    windows.moves = false;
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::center)), (Outcome{false, "No focused window"}));
    EXPECT_EQ(run(Action::hideOthers()), (Outcome{true, "Hid other apps"}));
    EXPECT_EQ(run(Action::nextDisplay()), (Outcome{false, "Only one display"}));
    windows.nextWorks = true;
    EXPECT_EQ(run(Action::nextDisplay()), (Outcome{true, "Moved to next display"}));
}

TEST_F(Executor, layoutActions) {
    EXPECT_EQ(run(Action::saveLayout("coding")), (Outcome{true, "Saved layout “coding” (2 windows)"}));
    layouts.snapshotResult = {1, true};
    EXPECT_EQ(run(Action::saveLayout("coding")), (Outcome{true, "Saved layout “coding” (1 windows)"}));
    layouts.snapshotResult = {0, false};
    EXPECT_EQ(run(Action::saveLayout("coding")), (Outcome{false, "No windows to save"}));
    layouts.snapshotResult = {3, false};
    EXPECT_EQ(run(Action::saveLayout("coding")), (Outcome{false, "Couldn't save layout “coding”"}));

    EXPECT_EQ(run(Action::applyLayout("coding")), (Outcome{false, "No layout called “coding”"}));
    layouts.layouts["coding"] = {true, 0, 3, false};
    EXPECT_EQ(run(Action::applyLayout("coding")), (Outcome{false, "Layout “coding” (0/3 windows)"}));
    layouts.layouts["coding"] = {true, 2, 3, false};
    EXPECT_EQ(run(Action::applyLayout("coding")), (Outcome{true, "Layout “coding” (2/3 windows)"}));
    layouts.layouts["coding"] = {true, 2, 3, true};
    EXPECT_EQ(run(Action::applyLayout("coding")),
              (Outcome{true, "Layout saved on a different display setup — placed 2 on the main display"}));
}

TEST_F(Executor, volumeAndMute) {
    EXPECT_EQ(run(Action::setVolume(150)), (Outcome{true, "Volume 100%"}));
    EXPECT_EQ(run(Action::setVolume(-5)), (Outcome{true, "Volume 0%"}));
    system.volume = 95;
    EXPECT_EQ(run(Action::volumeUp()), (Outcome{true, "Volume 100%"}));
    system.volume = 5;
    EXPECT_EQ(run(Action::volumeDown()), (Outcome{true, "Volume 0%"}));
    EXPECT_EQ(run(Action::mute(true)), (Outcome{true, "Muted"}));
    EXPECT_EQ(run(Action::mute(false)), (Outcome{true, "Unmuted"}));
    system.muteFails = true;
    EXPECT_EQ(run(Action::mute(true)), (Outcome{false, "Couldn't mute"}));
    EXPECT_EQ(run(Action::mute(false)), (Outcome{false, "Couldn't unmute"}));
    system.volume.reset();
    EXPECT_EQ(run(Action::volumeUp()), (Outcome{false, "Couldn't change volume"}));
    system.volume = 40;
    system.volumeFails = true;
    EXPECT_EQ(run(Action::volumeDown()), (Outcome{false, "Couldn't change volume"}));
    EXPECT_EQ(run(Action::setVolume(20)), (Outcome{false, "Couldn't set volume"}));
}

TEST_F(Executor, shortcutsScreenshotsAndLocking) {
    system.shortcutStatus = {{"Focus", 0}, {"Broken", 1}};
    EXPECT_EQ(run(Action::runShortcut("Focus")), (Outcome{true, "Ran “Focus”"}));
    EXPECT_EQ(run(Action::runShortcut("Broken")), (Outcome{false, "Shortcut “Broken” failed"}));
    EXPECT_EQ(run(Action::runShortcut("../Focus")), (Outcome{false, "Shortcut “../Focus” failed"}));
    EXPECT_TRUE(system.log.first().endsWith(" 10")) << "ten seconds to run";
    EXPECT_EQ(run(Action::screenshot()), (Outcome{true, "Screenshot saved to Desktop"}));
    system.screenshotFails = true;
    EXPECT_EQ(run(Action::screenshot()), (Outcome{false, "Screenshot failed"}));
    EXPECT_EQ(run(Action::lockScreen()), (Outcome{true, "Locking…"}));
    system.lockFails = true;
    EXPECT_EQ(run(Action::lockScreen()), (Outcome{false, "Couldn't lock the screen"}));
}

TEST_F(Executor, doNotDisturbRunsItsShortcut) {
    EXPECT_EQ(run(Action::doNotDisturb()),
              (Outcome{false, "Create a Shortcut named “Brisklet DND” first (see README)"}));
    system.shortcutStatus = {{"Brisklet DND", 0}};
    EXPECT_EQ(run(Action::doNotDisturb()), (Outcome{true, "Do Not Disturb toggled"}));
    system.shortcutStatus = {{"Brisklet DND", 124}};
    EXPECT_EQ(run(Action::doNotDisturb()), (Outcome{false, "DND shortcut failed"}));
}

TEST_F(Executor, meetingMode) {
    apps.installed = {};
    EXPECT_EQ(
        run(Action::meetingMode()),
        (Outcome{false, "Meeting mode found nothing to do — install Teams, add a “Brisklet DND” Shortcut, or "
                        "save a layout named “meeting”"}));
    layouts.layouts["meeting"] = {true, 2, 2, false};
    EXPECT_EQ(run(Action::meetingMode()), (Outcome{true, "Meeting mode: layout “meeting”"}));
    apps.installed = {{"Microsoft Teams", "teams"}};
    system.shortcutStatus = {{"Brisklet DND", 0}};
    EXPECT_EQ(run(Action::meetingMode()), (Outcome{true, "Meeting mode: Teams + DND + layout “meeting”"}));
    EXPECT_EQ(apps.log, QStringList{"launch teams"});
}

TEST_F(Executor, mediaGoesThroughAsItComes) {
    EXPECT_EQ(run(Action::mediaControl(MediaOp::next)),
              (Outcome{false, "Nothing is playing — try “play … on Spotify”"}));
    players.add("org.mpris.MediaPlayer2.spotify", {"spotify"});
    EXPECT_EQ(run(Action::mediaControl(MediaOp::play)), (Outcome{true, "Playing — Spotify"}));
    EXPECT_EQ(run(Action::playMusic("lo fi", QString("spotify"))),
              (Outcome{true, "Searching Spotify for “lo fi” — pick a result"}));
}

TEST_F(Executor, setupActions) {
    const QUuid id = QUuid::createUuid();
    EXPECT_EQ(run(Action::runSetup("focus")),
              (Outcome{false, "No setup called “focus” — say “save this as focus setup” to create it"}));
    EXPECT_EQ(run(Action::endSetup("focus")), (Outcome{false, "No setup called “focus”"}));
    setups.known["focus"] = {id, "Focus"};
    setups.runReport = {"Focus", 0, 0, 0, {}, {}, false};
    EXPECT_EQ(run(Action::runSetup("focus")), (Outcome{false, "“Focus”: nothing to do"}));
    setups.runReport.placed = 2;
    EXPECT_EQ(run(Action::runSetup("focus")), (Outcome{true, "“Focus” is up — 2 windows placed"}));
    setups.endReport = {"Focus", 1, {}};
    EXPECT_EQ(run(Action::endSetup("focus")), (Outcome{true, "“Focus” ended — closing 1 app"}));
    setups.endReport = {"Focus", 0, {"Slack kept running"}};
    EXPECT_EQ(run(Action::endSetup("focus")), (Outcome{true, "“Focus” ended · Slack kept running"}));

    EXPECT_EQ(run(Action::closeOthers(id)),
              (Outcome{false, "That moment has passed — run the setup again, then close the rest"}));
    setups.closing = 0;
    EXPECT_EQ(run(Action::closeOthers(id)), (Outcome{true, "Nothing else to close"}));
    setups.closing = 2;
    EXPECT_EQ(run(Action::closeOthers(id)),
              (Outcome{true, "Closing 2 other apps — say “undo” to bring them back"}));
}

TEST_F(Executor, undoWording) {
    using U = SetupActions::UndoReport;
    EXPECT_EQ(run(Action::undoSetup()), (Outcome{false, "Nothing to undo — no setup has run recently"}));
    struct Row {
        U report;
        Outcome outcome;
    } rows[] = {
        {U{"Focus", 3, 0, false, true, {}}, {true, "Brought “Focus” back"}},
        {U{"Focus", 0, 0, false, false, {"Slack wouldn't reopen"}}, {false, "Slack wouldn't reopen"}},
        {U{"Focus", 0, 0, false, false, {}}, {true, "Everything is already where it was before “Focus”"}},
        {U{"Focus", 1, 2, true, false, {"ignored"}},
         {true, "Put things back — 1 window back in place · 2 apps reopening · its windows closed"}},
        {U{"Focus", 0, 1, false, false, {}}, {true, "Put things back — 1 app reopening"}},
    };
    for (const Row& row : rows) {
        setups.undo = row.report;
        EXPECT_EQ(run(Action::undoSetup()), row.outcome);
    }
}

TEST_F(Executor, captureOpensTheReviewOnTheMainThread) {
    EXPECT_EQ(run(Action::captureSetup(std::nullopt)), (Outcome{true, "Capturing — review what to save"}));
    QCoreApplication::processEvents(); // nothing installed: nothing happens
    std::optional<std::optional<QString>> presented;
    bool onMain = false;
    executor().presentCapture = [&](const std::optional<QString>& name) {
        presented = name;
        onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
    };
    EXPECT_EQ(perform({Action::captureSetup(QString("Deep work"))}),
              (Outcome{true, "Capturing — review what to save"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented.has_value(); }, 5000));
    EXPECT_EQ(*presented, std::optional<QString>("Deep work"));
    EXPECT_TRUE(onMain);
}

TEST(AppIndexLookup, resolvesInstalledAppsToWhatTheLauncherStarts) {
    struct Installed final : platform::InstalledApps {
        std::vector<platform::AppEntry> installedApps() override {
            return {{"firefox-esr", "Firefox", "/usr/share/applications/firefox-esr.desktop"}};
        }
    } installed;
    AppIndex index(&installed, nullptr);
    index.refresh();
    index.waitForScans();
    AppIndexLookup lookup(index);
    EXPECT_EQ(lookup.resolve("firefox"), (AppLookup::App{"Firefox", "firefox-esr"}));
    EXPECT_EQ(lookup.resolve("thunderbird"), std::nullopt);
    EXPECT_DOUBLE_EQ(lookup.score("firefox", "firefox"), 1.0);
}
