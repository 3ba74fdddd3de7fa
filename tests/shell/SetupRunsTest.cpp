// brisklet::Setup runs as the rest of the app meets them, on a fake clock with a real store:
// the receipt's offer to close the rest and its buttons, drafts tried out and
// saved with the windows stepping aside, and the five-minute drift check.
#include "shell/SetupRuns.h"

#include "setups/CloseTheRest.h"
#include "shell/PreviewWindow.h"
#include "support/FakeClock.h"
#include "support/FakeFloatingSurface.h"
#include "support/FakeHUD.h"
#include "support/FakeScheduler.h"
#include "support/FileBytes.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "ui/receipts/ReceiptController.h"
#include "ui/receipts/ReceiptModel.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

const QRect screen(0, 0, 1920, 1050);

struct RecordingWindow final : PreviewWindow {
    void stepAside() override {
        parked = true;
        steps << "aside";
    }
    bool isParked() const override { return parked; }
    void settleBehind() override { steps << "behind"; }
    void returnFromPreview() override {
        parked = false;
        steps << "back";
    }
    bool parked = false;
    QStringList steps;
};

// A drift test that waits until the test lets it answer.
struct PendingTest {
    std::function<bool()> test;
    std::function<void(bool)> done;
};

class SetupRunsTest : public ::testing::Test {
protected:
    SetupRunsTest() {
        clock.setWallStart(QDateTime(QDate(2026, 3, 2), QTime(9, 0), Qt::UTC));
        store = std::make_unique<SetupStore>(home.path() + "/setups.json", scheduler);
        SetupRuns::Collaborators c;
        c.store = store.get();
        c.receipts = &receipts;
        c.hud = &hud;
        c.scheduler = &scheduler;
        c.performActions = [this](const Plan& plan) { performed.push_back(plan); };
        c.activeScreen = [] { return screen; };
        // The engine's rule over this desktop: Firefox opens the web, Files is the
        // file manager and Brisklet is pid 4242.
        c.othersToClose = [this](const QSet<QString>& keeping) {
            return CloseTheRest::asked(
                running,
                {keeping, {"firefox-esr", "org.example.Reader"}, QString("org.gnome.Nautilus"), 4242});
        };
        c.runDraft = [this](std::shared_ptr<const brisklet::Setup> draft, PlanRunner::Completion done) {
            drafts.push_back(draft->name);
            draftDone = std::move(done);
        };
        c.recordCommand = [this] { ++commandsRecorded; };
        c.previewWindows = {&homeWindow, &onboardingWindow};
        c.hasDrifted = [this](const SetupStore::ActiveRun&) { return drifted; };
        c.offMainThread = [this](std::function<bool()> test, std::function<void(bool)> done) {
            tests.push_back({std::move(test), std::move(done)});
        };
        c.showNudge = [this](const QUuid& id, const QString& name, const QRect& on) {
            nudges << name;
            EXPECT_EQ(on, screen);
            EXPECT_FALSE(id.isNull());
        };
        runs = std::make_unique<SetupRuns>(std::move(c));
    }

    brisklet::Setup stored(const QString& name, const QStringList& apps = {}) {
        brisklet::Setup setup;
        setup.id = QUuid::createUuid();
        setup.name = name;
        for (const QString& app : apps) {
            SetupItem item;
            item.id = QUuid::createUuid();
            item.bundleID = app;
            setup.items.push_back(item);
        }
        EXPECT_TRUE(store->upsert(setup));
        return *store->setup(setup.id);
    }
    void startRun(const brisklet::Setup& setup, double agoSeconds = 0) {
        SetupStore::ActiveRun run;
        run.setupID = setup.id;
        run.name = setup.name;
        run.startedAt = clock.wallNow().addMSecs(-qint64(agoSeconds * 1000));
        store->setActiveRun(run);
    }
    // One timer tick, with the test answered at once.
    void tick() {
        scheduler.advance(SetupRuns::driftInterval);
        answerTests();
    }
    void answerTests() {
        auto pending = std::move(tests);
        tests.clear();
        for (auto& p : pending)
            p.done(p.test());
    }
    // The card as the app shows it: once the default apps have been asked.
    void showRun(const SetupPort::RunReport& report, const brisklet::Setup& setup, bool canUndo) {
        runs->showRunReceipt(report, setup, canUndo);
        answerTests();
    }
    QString sweepLabel() const { return receipts.current() ? receipts.current()->sweepLabel() : "no card"; }

    TempHome home;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    std::unique_ptr<SetupStore> store;
    ReceiptController receipts{scheduler, [](ReceiptModel& model) {
                                   return std::make_unique<FakeFloatingSurface>(
                                       QSize(model.cardWidth(), model.panelHeight()));
                               }};
    FakeHUD hud;
    std::vector<platform::RunningApp> running;
    std::vector<Plan> performed;
    QStringList drafts;
    PlanRunner::Completion draftDone;
    int commandsRecorded = 0;
    RecordingWindow homeWindow;
    RecordingWindow onboardingWindow;
    bool drifted = false;
    std::vector<PendingTest> tests;
    QStringList nudges;
    std::unique_ptr<SetupRuns> runs;
};

platform::RunningApp app(qint64 pid, const QString& id, bool regular = true) {
    platform::RunningApp a;
    a.pid = pid;
    a.id = id;
    a.regular = regular;
    return a;
}

} // namespace

TEST_F(SetupRunsTest, theCloseTheRestOfferCountsOnlyTheAppsClosingWouldAsk) {
    const brisklet::Setup work = stored("Work", {"code", "org.gnome.Terminal"});
    // Browsers, the web handler, the file manager and the desktop's own programs are
    // never asked to quit, so they aren't counted either.
    running = {app(1, "code"),         app(2, "org.gnome.Terminal"),
               app(3, "firefox-esr"),  app(4, "org.gnome.Nautilus"),
               app(5, "thunderbird"),  app(6, "thunderbird"),
               app(7, "gimp"),         app(8, "plank", false),
               app(4242, "brisklet"),  app(9, ""),
               app(10, "chromium"),    app(11, "org.example.Reader"),
               app(12, "plasmashell"), app(13, "org.gnome.Shell")};
    showRun({}, work, true);
    EXPECT_EQ(sweepLabel(), "Close the rest (2)") << "thunderbird once and gimp";

    receipts.current()->sweep();
    ASSERT_EQ(performed.size(), 1u);
    EXPECT_EQ(performed[0], Plan{Action::closeOthers(work.id)});
}

TEST_F(SetupRunsTest, noOfferWhenNothingElseRunsOrTheRunCannotBeUndoneOrTheSetupChanged) {
    brisklet::Setup work = stored("Work", {"code"});
    running = {app(1, "code"), app(3, "firefox-esr")};
    showRun({}, work, true);
    EXPECT_EQ(sweepLabel(), "") << "a count of 0 shows none";

    running.push_back(app(5, "gimp"));
    showRun({}, work, false);
    EXPECT_EQ(sweepLabel(), "");

    brisklet::Setup sweeping = stored("Sweep", {"code"});
    sweeping.closeOthers = true;
    ASSERT_TRUE(store->upsert(sweeping));
    showRun({}, *store->setup(sweeping.id), true);
    EXPECT_EQ(sweepLabel(), "") << "a setup that closes the others itself";

    brisklet::Setup renamed = work;
    renamed.name = "Work too";
    showRun({}, renamed, true);
    EXPECT_EQ(sweepLabel(), "") << "the stored setup is no longer the one that ran";

    ASSERT_TRUE(store->markRun(work.id));
    showRun({}, work, true);
    EXPECT_EQ(sweepLabel(), "Close the rest (1)") << "the run's own stamps don't count as a change";
}

TEST_F(SetupRunsTest, theDefaultAppsAreAskedOffTheMainThreadAndOnlyTheNewestCardShows) {
    const brisklet::Setup work = stored("Work", {"code"});
    running = {app(1, "code"), app(3, "gimp")};
    runs->showRunReceipt({}, work, true);
    EXPECT_EQ(receipts.current(), nullptr) << "no card before the default apps are known";
    ASSERT_EQ(tests.size(), 1u);

    // An end card comes while the run card still waits: the run card never shows.
    runs->showEndReceipt({"Work", 1, {}}, work);
    answerTests();
    ASSERT_NE(receipts.current(), nullptr);
    EXPECT_EQ(receipts.current()->sweepLabel(), "") << "still the end card";
    receipts.current()->sweep();
    EXPECT_TRUE(performed.empty()) << "the end card's sweep is not the run's";
}

TEST_F(SetupRunsTest, theEndReceiptShowsAndItsSweepAsksNothing) {
    const brisklet::Setup work = stored("Work", {"code"});
    runs->showEndReceipt({"Work", 1, {}}, work);
    ASSERT_NE(receipts.current(), nullptr);
    EXPECT_EQ(receipts.current()->sweepLabel(), "");
    receipts.current()->sweep();
    EXPECT_TRUE(performed.empty());
}

TEST_F(SetupRunsTest, aFailedDraftRunBringsTheWindowsBackAtOnce) {
    brisklet::Setup draft;
    draft.id = QUuid::createUuid();
    draft.name = "Deep Work";
    runs->runDraft(draft);
    EXPECT_TRUE(runs->previewAwaitingReturn());
    EXPECT_EQ(homeWindow.steps, QStringList{"aside"});
    EXPECT_EQ(hud.state(), HUDState::executing("Setting up “Deep Work”"));
    ASSERT_EQ(drafts, QStringList{"Deep Work"});

    std::optional<DraftRunOutcome> outcome;
    QObject::connect(runs.get(), &SetupRuns::draftRunFinished,
                     [&](const DraftRunOutcome& o) { outcome = o; });
    draftDone({false, "Nothing to open."});
    EXPECT_EQ(hud.state(), HUDState::info("Nothing to open."));
    EXPECT_EQ(commandsRecorded, 0);
    ASSERT_TRUE(outcome);
    EXPECT_EQ(outcome->draftID, draft.id);
    EXPECT_FALSE(outcome->success);
    EXPECT_FALSE(outcome->stamp.isNull());
    EXPECT_FALSE(runs->previewAwaitingReturn());
    EXPECT_EQ(homeWindow.steps, (QStringList{"aside", "back"}));
    EXPECT_EQ(onboardingWindow.steps, (QStringList{"aside", "back"}));
}

TEST_F(SetupRunsTest, aSuccessfulDraftRunWaitsForTheReceipt) {
    const brisklet::Setup work = stored("Work", {"code"});
    brisklet::Setup draft;
    draft.id = QUuid::createUuid();
    draft.name = "Deep Work";
    runs->runDraft(draft);
    std::vector<DraftRunOutcome> outcomes;
    QObject::connect(runs.get(), &SetupRuns::draftRunFinished,
                     [&](const DraftRunOutcome& o) { outcomes.push_back(o); });
    draftDone({true, "Deep Work is set."});
    EXPECT_EQ(hud.state(), HUDState::done("Deep Work is set."));
    EXPECT_EQ(commandsRecorded, 1);
    EXPECT_EQ(homeWindow.steps, (QStringList{"aside", "behind"}));
    EXPECT_TRUE(homeWindow.parked);

    showRun({}, work, true);
    receipts.current()->undo();
    ASSERT_EQ(performed.size(), 1u);
    EXPECT_EQ(performed[0], Plan{Action::undoSetup()});
    EXPECT_EQ(homeWindow.steps, (QStringList{"aside", "behind", "back"}));
    EXPECT_FALSE(runs->previewAwaitingReturn());

    // "OK" brings them back too; expiry only ends the wait.
    runs->runDraft(draft);
    draftDone({true, "set"});
    showRun({}, work, true);
    receipts.current()->acknowledge();
    EXPECT_EQ(homeWindow.steps.last(), "back");
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_NE(outcomes[0], outcomes[1]) << "the same result twice is still news";

    runs->runDraft(draft);
    draftDone({true, "set"});
    showRun({}, work, true);
    scheduler.advance(ReceiptController::expirySeconds + 1);
    EXPECT_FALSE(runs->previewAwaitingReturn());
    EXPECT_EQ(homeWindow.steps.last(), "behind");
    receipts.dismiss();
    runs->returnFromPreviewIfNeeded();
    EXPECT_EQ(homeWindow.steps.last(), "behind");
}

TEST_F(SetupRunsTest, aDraftWhoseNameClashesIsSavedUnderACopyName) {
    stored("Deep Work!");
    brisklet::Setup draft;
    draft.id = QUuid::createUuid();
    draft.name = "deep work";
    EXPECT_TRUE(runs->saveDraft(draft));
    const auto saved = store->setup(draft.id);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->name, "deep work copy");
    EXPECT_EQ(hud.state(), HUDState::done("Saved “deep work copy” — say “deep work copy” anytime"));

    // Saved again (a second press): no second write, no rename.
    const auto updatedAt = saved->updatedAt;
    clock.advance(5);
    EXPECT_TRUE(runs->saveDraft(draft));
    EXPECT_EQ(store->setup(draft.id)->updatedAt, updatedAt);
    EXPECT_EQ(store->setups().size(), 2u);
}

TEST_F(SetupRunsTest, aDraftTheStoreAlreadyHoldsCountsAsSavedAndIsNotWritten) {
    // Tuned in the editor and saved there; the card's Save still holds the old draft.
    brisklet::Setup draft;
    draft.id = QUuid::createUuid();
    draft.name = "Code";
    brisklet::Setup tuned = draft;
    tuned.name = "Code and notes";
    tuned.phrases = QStringList{"code time"};
    ASSERT_TRUE(store->upsert(tuned));
    EXPECT_TRUE(runs->saveDraft(draft));
    const auto kept = store->setup(draft.id);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->name, "Code and notes");
    EXPECT_EQ(kept->phrases, QStringList{"code time"});
    EXPECT_EQ(store->setups().size(), 1u);
}

TEST_F(SetupRunsTest, aDraftThatCannotBeWrittenIsNotReportedSaved) {
    writeBytes(home.path() + "/blocker", "not a folder");
    store = std::make_unique<SetupStore>(home.path() + "/blocker/setups.json", scheduler);
    SetupRuns::Collaborators c;
    c.store = store.get();
    c.hud = &hud;
    SetupRuns blocked(std::move(c));
    brisklet::Setup draft;
    draft.id = QUuid::createUuid();
    draft.name = "Focus";
    EXPECT_FALSE(blocked.saveDraft(draft));
    EXPECT_EQ(hud.state().kind, HUDState::Kind::info);
    EXPECT_FALSE(hud.state().text.contains("Saved"));
}

TEST_F(SetupRunsTest, theNudgeNeedsTwoSightingsInARowOncePerRun) {
    const brisklet::Setup work = stored("Work", {"code"});
    runs->startDriftTimer();
    startRun(work);
    drifted = true;
    scheduler.advance(SetupRuns::driftInterval - 1);
    EXPECT_TRUE(tests.empty()) << "no check before 300 s";
    scheduler.advance(1);
    answerTests();
    EXPECT_TRUE(store->activeRun()->driftSeenOnce);
    EXPECT_TRUE(nudges.isEmpty());

    drifted = false;
    tick();
    EXPECT_FALSE(store->activeRun()->driftSeenOnce) << "gone again: start over";

    drifted = true;
    tick();
    EXPECT_TRUE(nudges.isEmpty()) << "one sighting after the gap is not enough";
    tick();
    EXPECT_EQ(nudges, QStringList{"Work"});
    EXPECT_TRUE(store->activeRun()->nudgeShown);

    tick();
    tick();
    EXPECT_EQ(nudges, QStringList{"Work"}) << "once per run";
    EXPECT_TRUE(tests.empty()) << "a nudged run is not tested again";
}

TEST_F(SetupRunsTest, oldRunsAndRunsOfDeletedSetupsAreDropped) {
    const brisklet::Setup work = stored("Work", {"code"});
    drifted = true;
    startRun(work, 5 * 3600);
    runs->checkDrift();
    EXPECT_FALSE(store->activeRun());
    EXPECT_TRUE(tests.empty());

    startRun(work, 4 * 3600 - 1);
    runs->checkDrift();
    EXPECT_TRUE(store->activeRun()) << "just under four hours";
    answerTests();

    ASSERT_TRUE(store->remove(work.id));
    runs->checkDrift();
    EXPECT_FALSE(store->activeRun());
    EXPECT_TRUE(nudges.isEmpty());
}

TEST_F(SetupRunsTest, theResultLandsOnTheRunAsItIsNowNotOnTheCopyItStartedWith) {
    const brisklet::Setup work = stored("Work", {"code"});
    const brisklet::Setup play = stored("Play", {"gimp"});
    drifted = true;
    startRun(work);
    runs->checkDrift();
    answerTests();
    ASSERT_TRUE(store->activeRun()->driftSeenOnce);

    // Something else changes the run while the test is out.
    runs->checkDrift();
    auto changed = *store->activeRun();
    changed.displayFingerprint = "two displays";
    store->setActiveRun(changed);
    answerTests();
    EXPECT_EQ(store->activeRun()->displayFingerprint, "two displays") << "not overwritten by the old copy";
    EXPECT_TRUE(store->activeRun()->nudgeShown);

    // The run is replaced meanwhile: the new one is left alone.
    startRun(work);
    runs->checkDrift();
    startRun(play);
    answerTests();
    EXPECT_FALSE(store->activeRun()->driftSeenOnce);
    EXPECT_EQ(store->activeRun()->setupID, play.id);

    // The same setup started again later is another run.
    startRun(work);
    runs->checkDrift();
    clock.advance(1);
    startRun(work);
    answerTests();
    EXPECT_FALSE(store->activeRun()->driftSeenOnce);
}

TEST_F(SetupRunsTest, aStartDateReadBackFromTextStillMatches) {
    const brisklet::Setup work = stored("Work", {"code"});
    drifted = true;
    startRun(work);
    auto run = *store->activeRun();
    runs->checkDrift();
    // The same moment, as a date read back from ISO 8601 text.
    run.startedAt = QDateTime::fromString(run.startedAt.toString(Qt::ISODateWithMs), Qt::ISODateWithMs);
    store->setActiveRun(run);
    answerTests();
    EXPECT_TRUE(store->activeRun()->driftSeenOnce);
}

TEST_F(SetupRunsTest, theTestRunsOnAWorkerAndItsResultLandsOnTheMainThread) {
    const brisklet::Setup work = stored("Work", {"code"});
    std::atomic<bool> testedOnMain{true};
    SetupRuns::Collaborators c;
    c.store = store.get();
    c.scheduler = &scheduler;
    c.hasDrifted = [&](const SetupStore::ActiveRun&) {
        testedOnMain = QThread::currentThread() == QCoreApplication::instance()->thread();
        return true;
    };
    SetupRuns pooled(std::move(c));
    startRun(work);
    bool changedOnMain = false;
    QObject::connect(store.get(), &SetupStore::activeRunChanged, [&] {
        changedOnMain = QThread::currentThread() == QCoreApplication::instance()->thread();
    });
    pooled.checkDrift();
    ASSERT_TRUE(waitFor([&] { return store->activeRun()->driftSeenOnce; }));
    EXPECT_FALSE(testedOnMain);
    EXPECT_TRUE(changedOnMain);
}

// The apps to close are asked of the engine and the platform, which the app takes
// down right after the runs: a card's question still being asked is waited for, not
// left running into what is gone.
TEST_F(SetupRunsTest, goingAwayWaitsForTheQuestionStillAskedOffTheMainThread) {
    const brisklet::Setup work = stored("Work", {"code"});
    std::atomic<bool> asking{false};
    std::atomic<bool> answered{false};
    SetupRuns::Collaborators c;
    c.store = store.get();
    c.receipts = &receipts;
    c.othersToClose = [&](const QSet<QString>&) {
        asking = true;
        QThread::msleep(200);
        answered = true;
        return QStringList{};
    };
    auto pooled = std::make_unique<SetupRuns>(std::move(c));
    pooled->showRunReceipt(SetupPort::RunReport{}, work, true);
    ASSERT_TRUE(waitFor([&] { return asking.load(); }));
    pooled.reset();
    EXPECT_TRUE(answered);
}
