// The executor over the real window engine, layout store and app index, on a fake
// desktop with fake apps, a fake launcher and a fake clock.
#include "actions/ActionExecutor.h"
#include "actions/MediaActions.h"
#include "base/Paths.h"
#include "commands/AppIndex.h"
#include "support/AnimatorTimers.h"
#include "support/FakeApps.h"
#include "support/FakeClock.h"
#include "support/FakeDesktop.h"
#include "support/FakeMediaPlayers.h"
#include "support/FakeScheduler.h"
#include "support/FakeSetupPort.h"
#include "support/FakeSystemActions.h"
#include "support/TempHome.h"
#include "windows/LayoutStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QThread>
#include <cstddef>
#include <gtest/gtest.h>

using namespace brisklet;
using brisklet::test::FakeDesktop;
using brisklet::test::FakeLauncher;
using Outcome = ActionExecutor::Outcome;

namespace {

// The executor hands a draft on without looking inside, so the tests need no setup
// record of their own: a handle to storage of theirs stands for one.
std::shared_ptr<const Setup> opaqueDraft() {
    auto storage = std::make_shared<std::max_align_t>();
    return {storage, static_cast<const Setup*>(static_cast<const void*>(storage.get()))};
}

class Executor : public ::testing::Test {
protected:
    Executor() {
        desktop.setDisplays({FakeDesktop::display(1, {0, 0, 1440, 900}, 25)});
        install("firefox-esr", "Firefox");
    }

    // An installed app whose window comes to the front as soon as it starts.
    void install(const QString& id, const QString& name,
                 FakeLauncher::App app = {.delay = 0, .takesFocus = true}) {
        entries.push_back({id, name, "/usr/share/applications/" + id + ".desktop"});
        apps.setInstalled(entries);
        launcher.install(id, app);
        index.refresh();
        index.waitForScans();
    }
    platform::WindowId window(qint64 pid, const QString& appId, const QRectF& frame = {100, 100, 600, 400}) {
        return desktop.addWindow(pid, appId, frame, appId);
    }
    ActionExecutor::Collaborators collaborators() {
        return {&engine, &layouts, &index, &setups, &apps, &launcher, &system, &media, &clock};
    }
    ActionExecutor& executor() {
        if (!executor_)
            executor_ = std::make_unique<ActionExecutor>(collaborators());
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
    std::vector<QString> launched() {
        std::vector<QString> ids;
        for (const FakeLauncher::Call& call : launcher.launches())
            ids.push_back(call.id);
        return ids;
    }

    test::TempHome home;
    test::FakeClock clock;
    test::FakeScheduler scheduler{clock};
    FakeDesktop desktop{clock};
    test::FakeApps apps{desktop};
    FakeLauncher launcher{desktop, clock};
    std::vector<platform::AppEntry> entries;
    AppIndex index{&apps, nullptr, scheduler};
    WindowEngine engine{desktop, nullptr, &launcher, clock, test::virtualTimeTimer(clock)};
    LayoutStore layouts{engine, clock};
    test::FakeSetupPort setups;
    test::FakeSystemActions system;
    test::FakeMediaPlayers players;
    struct SpotifyInstalled final : platform::InstalledApps {
        std::vector<platform::AppEntry> installedApps() override { return {{"spotify", "Spotify", "/x"}}; }
    } installedPlayers;
    MediaActions media{players, installedPlayers, [](const QString&, const QStringList&) { return true; }};
    std::unique_ptr<ActionExecutor> executor_;
};
} // namespace

// --- plans

TEST_F(Executor, anEmptyPlanIsDoneAndSignalsBeforeTheCompletion) {
    QStringList order;
    QObject::connect(&executor(), &ActionExecutor::commandDone, [&](bool success) {
        order << QStringLiteral("done %1").arg(success);
        EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
    });
    std::optional<Outcome> got;
    executor().performPlan({}, [&](const Outcome& o) {
        order << "completed";
        got = o;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, 5000));
    EXPECT_EQ(*got, (Outcome{true, "Done"}));
    EXPECT_EQ(order, (QStringList{"done 1", "completed"}));
}

TEST_F(Executor, aPlanStopsAtItsFirstFailure) {
    auto outcome =
        perform({Action::setVolume(30), Action::moveWindow(WindowPosition::left), Action::mute(true)});
    EXPECT_EQ(outcome, (Outcome{false, "No focused window"}));
    EXPECT_EQ(system.log, QStringList{"setVolume 30"}) << "the third action never ran";
}

TEST_F(Executor, aSuccessfulPlanReportsItsLastActionOnly) {
    EXPECT_EQ(perform({Action::setVolume(30), Action::mute(true)}), (Outcome{true, "Muted"}));
    std::vector<bool> signalled;
    QObject::connect(&executor(), &ActionExecutor::commandDone,
                     [&](bool success) { signalled.push_back(success); });
    EXPECT_FALSE(perform({Action::screenshot(), Action::lockScreen(), Action::nextDisplay()}).success);
    EXPECT_EQ(signalled, std::vector<bool>{false});
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

TEST_F(Executor, draftRunsAreHandedToTheSetupsAsTheyAre) {
    const auto draft = opaqueDraft();
    // Spelled out: inside a test, Setup is the framework's guard against "SetUp".
    auto runDraft = [&](std::shared_ptr<const brisklet::Setup> d) {
        std::optional<Outcome> got;
        executor().runDraft(std::move(d), [&](const Outcome& o) { got = o; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return got.has_value(); }, 5000));
        return got.value_or(Outcome{});
    };
    setups.runReport.name = "Deep work";
    EXPECT_EQ(runDraft(draft), (Outcome{false, "Nothing could be opened — try again in a moment."}));
    setups.runReport.notes = {"Slack isn't installed", "later"};
    EXPECT_EQ(runDraft(draft), (Outcome{false, "Slack isn't installed"}));
    setups.runReport.opened = 2;
    EXPECT_EQ(runDraft(draft), (Outcome{true, "“Deep work” is up — opened · Slack isn't installed"}));
    EXPECT_EQ(setups.drafts, (std::vector<const brisklet::Setup*>(3, draft.get())));
    EXPECT_EQ(runDraft(nullptr), (Outcome{false, "Setups aren't available"}));
    EXPECT_EQ(setups.drafts.size(), 3u);
}

TEST_F(Executor, absentCollaboratorsSaySo) {
    ActionExecutor bare(ActionExecutor::Collaborators{.clock = &clock});
    EXPECT_EQ(bare.execute(Action::sortAll()), (Outcome{false, "Window control isn't available"}));
    EXPECT_EQ(bare.execute(Action::nextDisplay()), (Outcome{false, "Window control isn't available"}));
    EXPECT_EQ(bare.execute(Action::saveLayout("x")), (Outcome{false, "Saved layouts aren't available"}));
    EXPECT_EQ(bare.execute(Action::applyLayout("x")), (Outcome{false, "Saved layouts aren't available"}));
    EXPECT_EQ(bare.execute(Action::runSetup("x")), (Outcome{false, "Setups aren't available"}));
    EXPECT_EQ(bare.execute(Action::undoSetup()), (Outcome{false, "Setups aren't available"}));
    EXPECT_EQ(bare.execute(Action::setVolume(3)), (Outcome{false, "System actions aren't available"}));
    EXPECT_EQ(bare.execute(Action::lockScreen()), (Outcome{false, "System actions aren't available"}));
    EXPECT_EQ(bare.execute(Action::mediaControl(MediaOp::play)),
              (Outcome{false, "Music control isn't available"}));
    EXPECT_EQ(bare.execute(Action::openApp("firefox")), (Outcome{false, "No app called “firefox”"}));
    EXPECT_EQ(bare.execute(Action::quitApp("firefox")), (Outcome{false, "“firefox” isn't running"}));
    EXPECT_EQ(bare.execute(Action::meetingMode()).success, false);
    // A capture needs no setups: the review window does the rest.
    EXPECT_TRUE(bare.execute(Action::captureSetup(std::nullopt)).success);
}

TEST_F(Executor, everyKindOfActionHasItsFamily) {
    ActionExecutor bare(ActionExecutor::Collaborators{.clock = &clock});
    for (int k = 0; k <= static_cast<int>(Action::Kind::undoSetup); ++k) {
        Action action;
        action.kind = static_cast<Action::Kind>(k);
        EXPECT_NE(bare.execute(action).message, "Unknown action") << k;
    }
}

// --- wording

TEST(ExecutorWording, runSummary) {
    using R = SetupPort::RunReport;
    struct Row {
        R report;
        QString text;
    } rows[] = {
        {R{"Focus", 2, 1, 3, {}, {}, false, 0, {}}, "“Focus” is up — 1 window placed, cleared 3 other apps"},
        {R{"Focus", 0, 4, 1, {}, {}, false, 0, {}}, "“Focus” is up — 4 windows placed, cleared 1 other app"},
        {R{"Focus", 2, 0, 0, {}, {}, false, 0, {}}, "“Focus” is up — opened"},
        {R{"Focus", 0, 0, 0, {}, {}, false, 0, {}}, "“Focus”: nothing to do"},
        {R{"Focus", 0, 0, 0, {}, {"a note", "b"}, false, 0, {}}, "“Focus”: nothing to do · a note"},
        {R{"Focus", 0, 2, 0, "2:1728x1117,2560x1440", {"a note"}, true, 0, {}},
         "“Focus” is up — 2 windows placed (made for 2:1728x1117,2560x1440) · a note"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(ActionExecutor::runSummary(row.report), row.text);
}

TEST(ExecutorWording, sortOutcome) {
    using S = WindowEngine::SortOutcome;
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

TEST_F(Executor, openingAnAppStartsWhatTheIndexFinds) {
    EXPECT_EQ(run(Action::openApp("firefox")), (Outcome{true, "Opened Firefox"}));
    EXPECT_EQ(launched(), std::vector<QString>{"firefox-esr"});
    EXPECT_EQ(run(Action::openApp("Netscape")), (Outcome{false, "No app called “Netscape”"}));
    launcher.install("firefox-esr", {.fails = true});
    EXPECT_EQ(run(Action::openApp("firefox")), (Outcome{false, "Couldn't open Firefox"}));
    EXPECT_EQ(launched().size(), 2u);
}

TEST_F(Executor, theWaitForTheFrontIsBoundedOnTheClock) {
    double start = clock.now();
    run(Action::openApp("firefox"));
    EXPECT_NEAR(clock.now() - start, 0.06, 1e-9) << "in front at once";

    launcher.install("firefox-esr", {.delay = 0.5, .takesFocus = true});
    desktop.setActive(std::nullopt);
    start = clock.now();
    run(Action::openApp("firefox"));
    EXPECT_GE(clock.now() - start, 0.5) << "waits for the window";
    EXPECT_LE(clock.now() - start, 0.5 + 0.03 + 0.06 + 1e-9);

    launcher.install("firefox-esr", {.delay = 0});
    desktop.setActive(std::nullopt);
    start = clock.now();
    EXPECT_EQ(run(Action::openApp("firefox")), (Outcome{true, "Opened Firefox"}));
    EXPECT_NEAR(clock.now() - start, 1.2, 0.031) << "never in front";
}

TEST_F(Executor, focusingAnAppThatIsNotRunningOpensIt) {
    launcher.install("firefox-esr", {.fails = true});
    EXPECT_EQ(run(Action::focusApp("firefox")), (Outcome{false, "Couldn't open Firefox"}));
    launcher.install("firefox-esr", {.delay = 0, .takesFocus = true});
    EXPECT_EQ(run(Action::focusApp("firefox")), (Outcome{true, "Opened Firefox"}));
    EXPECT_EQ(launched(), (std::vector<QString>{"firefox-esr", "firefox-esr"}));
    EXPECT_EQ(run(Action::focusApp("nothing")), (Outcome{false, "No app called “nothing”"}));
}

// "maximize firefox" with firefox stopped: the maximize must land on firefox's
// window, or nowhere, never on the window that was in front.
class ExecutorLateWindow : public Executor {
protected:
    ExecutorLateWindow() {
        desktop.setActive(terminal);
        terminalFrame = desktop.frameOf(terminal);
    }
    Outcome maximize(FakeLauncher::App firefox) {
        launcher.install("firefox-esr", firefox);
        return perform({Action::focusApp("firefox"), Action::moveWindow(WindowPosition::maximize)});
    }
    std::optional<platform::WindowId> firefoxWindow() {
        for (const platform::WindowInfo& w : desktop.windows())
            if (w.appId == "firefox-esr")
                return w.id;
        return std::nullopt;
    }
    const platform::WindowId terminal = window(78, "terminal");
    QRectF terminalFrame;
};

TEST_F(ExecutorLateWindow, aWindowThatComesUpLateIsWaitedForAndMaximized) {
    EXPECT_EQ(maximize({.delay = 3, .takesFocus = true}), (Outcome{true, "Maximized"}));
    EXPECT_EQ(desktop.frameOf(terminal), terminalFrame);
    ASSERT_TRUE(firefoxWindow());
    EXPECT_EQ(desktop.frameOf(*firefoxWindow()), QRectF(0, 25, 1440, 875));
}

TEST_F(ExecutorLateWindow, aWindowThatNeverComesStopsThePlan) {
    EXPECT_EQ(maximize({.delay = -1}), (Outcome{false, "Couldn't switch to Firefox"}));
    EXPECT_EQ(desktop.frameOf(terminal), terminalFrame);
    EXPECT_EQ(desktop.activeWindow(), terminal);
}

TEST_F(ExecutorLateWindow, aWindowThatComesUpBehindStopsThePlan) {
    const double start = clock.now();
    EXPECT_EQ(maximize({.delay = 0.5, .takesFocus = false}), (Outcome{false, "Couldn't switch to Firefox"}));
    EXPECT_NEAR(clock.now() - start, 5.0, 0.031) << "the launch wait";
    EXPECT_EQ(desktop.frameOf(terminal), terminalFrame);
}

// A window names another entry when a wrapper script's program has a class of its
// own, and none when another program opens it for the launch: it is the app's when
// the launch started it.
TEST_F(ExecutorLateWindow, aWindowTheLaunchStartedIsTakenThoughItNamesAnotherEntryOrNone) {
    using Owner = FakeLauncher::App::Owner;
    using Mark = FakeLauncher::App::Mark;
    using Names = FakeLauncher::App::Names;
    const auto dialog = platform::WindowType::dialog;
    struct Row {
        const char* window;
        FakeLauncher::App app;
        bool taken;
    };
    for (const Row& row : {
             Row{"a wrapper's program's", {.owner = Owner::child, .names = Names::another}, true},
             Row{"a wrapper's program's dialog",
                 {.owner = Owner::child, .names = Names::another, .type = dialog},
                 true},
             Row{"a dialog with the launch's startup id", {.type = dialog, .startupId = Mark::launch}, true},
             Row{"a new window of another program", {}, true},
             Row{"a new window of another launch", {.startupId = Mark::another}, false},
             Row{"a dialog of another program", {.type = dialog}, false},
         }) {
        FakeLauncher::App app = row.app;
        app.delay = 0.5;
        app.takesFocus = true;
        if (app.names == Names::entry)
            app.names = Names::nothing;
        if (app.owner == Owner::launched)
            app.owner = Owner::other;
        const Outcome expected =
            row.taken ? Outcome{true, "Maximized"} : Outcome{false, "Couldn't switch to Firefox"};
        EXPECT_EQ(maximize(app), expected) << row.window;
        EXPECT_EQ(desktop.frameOf(terminal), terminalFrame) << row.window;
        for (const platform::WindowInfo& w : desktop.windows())
            if (w.id != terminal)
                desktop.remove(w.id);
        desktop.setActive(terminal);
    }
}

// A running instance may take the launch over and bring a window it had forward.
TEST_F(ExecutorLateWindow, aWindowFromBeforeTheLaunchIsTakenOnlyWithTheLaunchsStartupId) {
    using Mark = FakeLauncher::App::Mark;
    const auto behind = window(90, "", {300, 200, 500, 300});
    EXPECT_EQ(maximize({.handsOffTo = behind}), (Outcome{false, "Couldn't switch to Firefox"}));
    EXPECT_EQ(desktop.frameOf(behind), QRectF(300, 200, 500, 300));
    desktop.setActive(terminal);
    EXPECT_EQ(maximize({.startupId = Mark::launch, .handsOffTo = terminal}),
              (Outcome{false, "Couldn't switch to Firefox"}))
        << "the window in front before the launch";
    EXPECT_EQ(desktop.frameOf(terminal), terminalFrame);
    EXPECT_EQ(maximize({.startupId = Mark::launch, .handsOffTo = behind}), (Outcome{true, "Maximized"}));
    EXPECT_EQ(desktop.frameOf(behind), QRectF(0, 25, 1440, 875));
    EXPECT_EQ(desktop.frameOf(terminal), terminalFrame);
}

TEST_F(Executor, focusingARunningAppBringsItToTheFront) {
    const auto firefox = window(77, "firefox-esr");
    desktop.setActive(window(78, "terminal"));
    EXPECT_EQ(run(Action::focusApp("Firefox!")), (Outcome{true, "Switched to Firefox"}));
    EXPECT_EQ(desktop.activeWindow(), firefox);
    EXPECT_TRUE(launched().empty());
    launcher.install("firefox-esr", {.activates = false});
    EXPECT_EQ(run(Action::focusApp("firefox")), (Outcome{false, "Couldn't switch to Firefox"}));
    // Without a desktop entry there is nothing to ask.
    window(79, "xeyes");
    EXPECT_EQ(run(Action::focusApp("xeyes")), (Outcome{false, "Couldn't switch to Xeyes"}));
}

TEST_F(Executor, quittingAsksPolitelyAndOnlyOrdinaryApps) {
    const auto firefox = window(77, "firefox-esr");
    const auto panel = window(12, "panel", {0, 0, 1440, 25});
    desktop.update(panel, [](FakeDesktop::Window& w) { w.info.type = platform::WindowType::dock; });
    install("panel", "Panel");
    EXPECT_EQ(run(Action::quitApp("firefox")), (Outcome{true, "Quit Firefox"}));
    EXPECT_EQ(desktop.closed(), std::vector<platform::WindowId>{firefox});
    EXPECT_EQ(run(Action::quitApp("Panel")), (Outcome{false, "“Panel” isn't running"}));
    EXPECT_EQ(run(Action::quitApp("Mail")), (Outcome{false, "“Mail” isn't running"}));
    window(78, "xeyes");
    EXPECT_EQ(run(Action::quitApp("xeyes")), (Outcome{false, "Couldn't quit Xeyes"}));
    EXPECT_EQ(desktop.closed(), std::vector<platform::WindowId>{firefox});
}

TEST_F(Executor, aRunningAppNeedsAScoreOfAtLeast055) {
    install("firefox-developer", "Firefox Developers");
    const auto developers = window(77, "firefox-developer");
    const QString atThreshold = "fyrafax divilapirs", below = "fyrafax divilapirz",
                  name = "firefox developers";
    ASSERT_EQ(AppIndex::score(atThreshold, name), 0.55);
    ASSERT_LT(AppIndex::score(below, name), 0.55);
    EXPECT_EQ(run(Action::quitApp(below)), (Outcome{false, "“fyrafax divilapirz” isn't running"}));
    EXPECT_EQ(run(Action::quitApp(atThreshold)), (Outcome{true, "Quit Firefox Developers"}));
    EXPECT_EQ(desktop.closed(), std::vector<platform::WindowId>{developers});
}

TEST_F(Executor, aTieGoesToTheAppListedFirst) {
    install("firefox", "Firefox");
    const auto first = window(77, "firefox-esr");
    window(78, "firefox");
    EXPECT_EQ(run(Action::quitApp("firefox")), (Outcome{true, "Quit Firefox"}));
    EXPECT_EQ(desktop.closed(), std::vector<platform::WindowId>{first});
}

// --- windows

TEST_F(Executor, sortingReportsWhatLanded) {
    desktop.setActive(window(10, "editor"));
    window(11, "terminal", {200, 200, 600, 400});
    window(12, "viewer", {300, 300, 600, 400});
    EXPECT_EQ(run(Action::sortActive(3)), (Outcome{true, "Sorted 3 windows"}));
    EXPECT_EQ(run(Action::sortActive(2)), (Outcome{true, "Sorted 2 windows"}));
    EXPECT_EQ(run(Action::sortAll()), (Outcome{true, "Sorted 3 windows"}));
    desktop.setDisplays(
        {FakeDesktop::display(1, {0, 0, 1440, 900}, 25), FakeDesktop::display(2, {1440, 0, 1440, 900})});
    EXPECT_EQ(run(Action::sortAll()), (Outcome{true, "Sorted 3 windows across displays"}));
    EXPECT_EQ(run(Action::sortActive(std::nullopt)), (Outcome{true, "Sorted 3 windows"}));
}

TEST_F(Executor, nothingToSort) {
    EXPECT_EQ(run(Action::sortAll()), (Outcome{false, "No windows to sort"}));
    EXPECT_EQ(run(Action::sortActive(2)), (Outcome{false, "No windows to sort"}));
}

TEST_F(Executor, movingTheFocusedWindow) {
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::left)), (Outcome{false, "No focused window"}));
    const auto w = window(10, "editor");
    desktop.setActive(w);
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::left)), (Outcome{true, "Left half"}));
    EXPECT_EQ(desktop.frameOf(w), QRectF(6, 31, 711, 863));
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::right)), (Outcome{true, "Right half"}));
    EXPECT_EQ(desktop.frameOf(w), QRectF(723, 31, 711, 863));
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::maximize)), (Outcome{true, "Maximized"}));
    EXPECT_EQ(desktop.frameOf(w), QRectF(0, 25, 1440, 875));
    EXPECT_EQ(run(Action::moveWindow(WindowPosition::center)), (Outcome{true, "Centered"}));

    EXPECT_EQ(run(Action::nextDisplay()), (Outcome{false, "Only one display"}));
    desktop.setDisplays(
        {FakeDesktop::display(1, {0, 0, 1440, 900}, 25), FakeDesktop::display(2, {1440, 0, 1440, 900})});
    EXPECT_EQ(run(Action::nextDisplay()), (Outcome{true, "Moved to next display"}));
    EXPECT_GE(desktop.frameOf(w).left(), 1440);
}

TEST_F(Executor, hidingTheOtherApps) {
    const auto front = window(10, "editor");
    const auto other = window(11, "terminal");
    desktop.setActive(front);
    EXPECT_EQ(run(Action::hideOthers()), (Outcome{true, "Hid other apps"}));
    EXPECT_EQ(desktop.iconified(), std::vector<platform::WindowId>{other});
}

// --- layouts

TEST_F(Executor, savingALayout) {
    EXPECT_EQ(run(Action::saveLayout("coding")), (Outcome{false, "No windows to save"}));
    window(10, "editor");
    EXPECT_EQ(run(Action::saveLayout("coding")), (Outcome{true, "Saved layout “coding” (1 windows)"}));
    window(11, "terminal", {700, 100, 600, 400});
    EXPECT_EQ(run(Action::saveLayout("coding")), (Outcome{true, "Saved layout “coding” (2 windows)"}));
    EXPECT_EQ(layouts.cachedNames(), std::vector<QString>{"coding"});
    // A folder where the file goes: nothing can be written.
    ASSERT_TRUE(QFile::remove(Paths::layoutsJSON()));
    ASSERT_TRUE(QDir().mkpath(Paths::layoutsJSON()));
    EXPECT_EQ(run(Action::saveLayout("coding")), (Outcome{false, "Couldn't save layout “coding”"}));
}

TEST_F(Executor, applyingALayout) {
    EXPECT_EQ(run(Action::applyLayout("coding")), (Outcome{false, "No layout called “coding”"}));
    const auto editor = window(10, "editor", {100, 100, 600, 400});
    const auto terminal = window(11, "terminal", {700, 100, 600, 400});
    ASSERT_TRUE(run(Action::saveLayout("coding")).success);
    desktop.update(editor, [](FakeDesktop::Window& w) { w.info.frame = QRectF(0, 300, 500, 300); });
    EXPECT_EQ(run(Action::applyLayout("Coding")), (Outcome{true, "Layout “Coding” (2/2 windows)"}));
    EXPECT_EQ(desktop.frameOf(editor), QRectF(100, 100, 600, 400));

    // Its apps gone, and one that never shows a window again.
    desktop.remove(editor);
    desktop.remove(terminal);
    launcher.install("editor", {.delay = -1});
    launcher.install("terminal", {.delay = -1});
    EXPECT_EQ(run(Action::applyLayout("coding")), (Outcome{false, "Layout “coding” (0/2 windows)"}));
}

TEST_F(Executor, aLayoutFromOtherDisplaysLandsOnTheMainOne) {
    window(10, "editor");
    ASSERT_TRUE(run(Action::saveLayout("coding")).success);
    desktop.setDisplays({FakeDesktop::display(1, {0, 0, 1920, 1080})});
    EXPECT_EQ(run(Action::applyLayout("coding")),
              (Outcome{true, "Layout saved on a different display setup — placed 1 on the main display"}));
}

// --- sound and system

TEST_F(Executor, volumeAndMute) {
    EXPECT_EQ(run(Action::setVolume(150)), (Outcome{true, "Volume 100%"}));
    EXPECT_EQ(run(Action::setVolume(-5)), (Outcome{true, "Volume 0%"}));
    system.volume = 95;
    EXPECT_EQ(run(Action::volumeUp()), (Outcome{true, "Volume 100%"}));
    system.volume = 5;
    EXPECT_EQ(run(Action::volumeDown()), (Outcome{true, "Volume 0%"}));
    system.volume = 40;
    EXPECT_EQ(run(Action::volumeUp()), (Outcome{true, "Volume 50%"}));
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
    EXPECT_EQ(
        run(Action::meetingMode()),
        (Outcome{false, "Meeting mode found nothing to do — install Teams, add a “Brisklet DND” Shortcut, or "
                        "save a layout named “meeting”"}));
    window(10, "editor");
    ASSERT_TRUE(run(Action::saveLayout("meeting")).success);
    EXPECT_EQ(run(Action::meetingMode()), (Outcome{true, "Meeting mode: layout “meeting”"}));
    install("teams", "Microsoft Teams");
    system.shortcutStatus = {{"Brisklet DND", 0}};
    EXPECT_EQ(run(Action::meetingMode()), (Outcome{true, "Meeting mode: Teams + DND + layout “meeting”"}));
    EXPECT_EQ(launched(), std::vector<QString>{"teams"});
}

// --- media

TEST_F(Executor, mediaGoesThroughAsItComes) {
    EXPECT_EQ(run(Action::mediaControl(MediaOp::next)),
              (Outcome{false, "Nothing is playing — try “play … on Spotify”"}));
    players.add("org.mpris.MediaPlayer2.spotify", {"spotify"});
    EXPECT_EQ(run(Action::mediaControl(MediaOp::play)), (Outcome{true, "Playing — Spotify"}));
    EXPECT_EQ(run(Action::playMusic("lo fi", QString("spotify"))),
              (Outcome{true, "Searching Spotify for “lo fi” — pick a result"}));
}

// --- setups

TEST_F(Executor, setupActions) {
    const QUuid id = QUuid::createUuid();
    EXPECT_EQ(run(Action::runSetup("focus")),
              (Outcome{false, "No setup called “focus” — say “save this as focus setup” to create it"}));
    EXPECT_EQ(run(Action::endSetup("focus")), (Outcome{false, "No setup called “focus”"}));
    setups.known["focus"] = {id, "Focus"};
    setups.runReport = {"Focus", 0, 0, 0, {}, {}, false, 0, {}};
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
    using U = SetupPort::UndoReport;
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

TEST_F(Executor, captureAsksForTheReviewOnTheMainThread) {
    EXPECT_EQ(run(Action::captureSetup(std::nullopt)), (Outcome{true, "Capturing — review what to save"}));
    QCoreApplication::processEvents(); // nobody listens yet: nothing happens
    std::vector<std::optional<QString>> requested;
    bool onMain = false;
    QObject::connect(&executor(), &ActionExecutor::captureRequested, [&](const std::optional<QString>& name) {
        requested.push_back(name);
        onMain = QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    EXPECT_EQ(perform({Action::captureSetup(QString("Deep work"))}),
              (Outcome{true, "Capturing — review what to save"}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !requested.empty(); }, 5000));
    EXPECT_EQ(requested, std::vector<std::optional<QString>>{QString("Deep work")});
    EXPECT_TRUE(onMain);
}
