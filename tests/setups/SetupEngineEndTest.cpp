// Ending a setup, closing the rest after a run, and undoing either.
#include "setups/SetupEngineFixture.h"

using namespace brisklet;
using namespace brisklet::test;

namespace {

const SetupFrame leftHalf{0, 0, 0.5, 1, 0};

class SetupEngineEndTest : public SetupEngineFixture {};

} // namespace

TEST_F(SetupEngineEndTest, endingClosesTheRunsPagesAndQuitsItsAppsButNeverABrowser) {
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    desktop.addWindow(502, "chromium", QRectF(0, 40, 700, 500), "Mine");
    Setup s = setupOf("Work", {app("code", "Code"), app("chromium", "Chromium"),
                               page("https://a.com/x/", "firefox-esr", leftHalf)});
    engine->run(s);
    const auto pageWindow = engine->windowLedger().at(s.id).at("firefox-esr").front().windowID;

    const auto report = engine->end(s);
    EXPECT_EQ(report.closedApps, 1);
    EXPECT_TRUE(report.notes.isEmpty()) << report.notes.join(" | ").toStdString();
    const auto closed = desktop.closed();
    EXPECT_EQ(std::count(closed.begin(), closed.end(), pageWindow), 1);
    EXPECT_EQ(closed.size(), 2u) << "the page's window and Code; Chromium stays";
    EXPECT_FALSE(engine->windowLedger().contains(s.id));
    ASSERT_TRUE(engine->lastUndo());
    EXPECT_EQ(engine->lastUndo()->kind, SetupEngine::UndoCheckpoint::Kind::end);

    // A page with no window of ours can only be left open, and it says so.
    Setup keep = setupOf("Keep", {app("slack", "Slack"), page("https://b.com", "firefox-esr")});
    keep.endQuitsApps = false;
    desktop.addWindow(503, "slack", QRectF(0, 40, 700, 500), "Slack");
    const auto kept = engine->end(keep);
    EXPECT_EQ(kept.closedApps, 0);
    EXPECT_EQ(kept.notes, QStringList{"Firefox tabs can't be closed by script — left open."});
    EXPECT_EQ(desktop.closed().size(), 2u);
}

TEST_F(SetupEngineEndTest, closingTheRestAppliesOnlyRightAfterThatSetupsRun) {
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    Setup s = setupOf("Focus", {app("code", "Code", leftHalf), page("https://a.com", "chromium")});
    store.upsert(s);
    engine->run(s);
    EXPECT_FALSE(engine->closeOthersForLastRun(QUuid::createUuid()));

    desktop.addWindow(600, "slack", QRectF(0, 0, 400, 400), "Slack");
    desktop.addWindow(601, "org.gnome.Nautilus", QRectF(0, 0, 400, 400), "Files");
    EXPECT_EQ(engine->closeOthersForLastRun(s.id), 1)
        << "slack only: never the setup's apps or the file manager";
    EXPECT_EQ(engine->lastUndo()->quitApps, QStringList{"slack"});

    engine->end(s);
    EXPECT_FALSE(engine->closeOthersForLastRun(s.id)) << "an end came between";
}

TEST_F(SetupEngineEndTest, undoingARunPutsWindowsBackAndStartsTheAppsItClosed) {
    const auto code = desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    desktop.addWindow(600, "slack", QRectF(0, 0, 400, 400), "Slack");
    Setup s = setupOf("Focus", {app("code", "Code", leftHalf)});
    s.closeOthers = true;
    engine->run(s);
    ASSERT_NE(desktop.frameOf(code), QRectF(300, 300, 700, 500));

    const auto undo = engine->undoLast();
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->restoredWindows, 1);
    EXPECT_EQ(undo->relaunchedApps, 1);
    EXPECT_TRUE(within(desktop.frameOf(code), QRectF(300, 300, 700, 500), 12));
    EXPECT_EQ(launcher.launches().back().id, "slack");
    EXPECT_FALSE(engine->undoLast()) << "undo takes the checkpoint";
}

TEST_F(SetupEngineEndTest, afterADisplayChangeUndoLeavesWindowsWhereTheyAre) {
    const auto code = desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    Setup s = setupOf("Focus", {app("code", "Code", leftHalf)});
    engine->run(s);
    const QRectF placed = desktop.frameOf(code);
    useOneDisplay();
    const auto undo = engine->undoLast();
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->restoredWindows, 0);
    EXPECT_EQ(undo->notes,
              QStringList{"Your displays changed since that run, so windows were left where they are — "
                          "putting them back would have moved them off screen."});
    EXPECT_EQ(desktop.frameOf(code), placed);
}

TEST_F(SetupEngineEndTest, undoingAnEndRunsTheSetupAgainUnlessItWasDeleted) {
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    Setup s = setupOf("Focus", {app("code", "Code", leftHalf)});
    store.upsert(s);
    engine->end(s);
    auto undo = engine->undoLast();
    ASSERT_TRUE(undo);
    EXPECT_TRUE(undo->reranSetup);

    engine->end(s);
    store.remove(s.id);
    undo = engine->undoLast();
    ASSERT_TRUE(undo);
    EXPECT_FALSE(undo->reranSetup);
    EXPECT_EQ(undo->notes, QStringList{"“Focus” doesn't exist anymore."});
}

TEST_F(SetupEngineEndTest, nineWindowsToPutBackAreSetDirectlyAndEightGlide) {
    for (int count : {8, 9}) {
        std::vector<platform::WindowId> ids;
        std::vector<SetupItem> items;
        for (int i = 0; i < count; ++i) {
            const QString title = QString("n%1-%2").arg(count).arg(i);
            ids.push_back(desktop.addWindow(700 + count, "code", QRectF(20 * i, 40, 400, 300), title));
            items.push_back(app("code", "Code", SetupFrame{0.05 * i, 0, 0.3, 0.3, 0}, title));
        }
        own.reducedMotion = true; // the run itself moves them without glides
        engine->run(setupOf("Many", items));
        own.reducedMotion = false;
        int requests = 0;
        desktop.onRequest([&](platform::WindowId, const QRectF&) { ++requests; });
        const auto undo = engine->undoLast();
        desktop.onRequest({});
        ASSERT_TRUE(undo);
        EXPECT_EQ(undo->restoredWindows, count);
        EXPECT_EQ(requests > 0, count == 8) << count << " windows";
        for (auto id : ids)
            desktop.remove(id);
    }
}

TEST_F(SetupEngineEndTest, closingTheRestSparesWebAppsTheFileManagerAndThisProgram) {
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    Setup s = setupOf("Focus", {app("code", "Code", leftHalf)});
    store.upsert(s);
    engine->run(s);

    browsers.otherWebHandlers = {"org.example.Reader"};
    browsers.fileManagerId = QString("org.example.Files");
    desktop.addWindow(612, "org.example.Files", QRectF(0, 0, 400, 400), "Home");
    desktop.addWindow(610, "org.example.Reader", QRectF(0, 0, 400, 400), "Reader");
    desktop.addWindow(611, "firefox-esr", QRectF(0, 0, 400, 400), "Web"); // a known browser
    desktop.addWindow(ownPid, "brisklet", QRectF(0, 0, 400, 400), "Settings");
    desktop.addWindow(600, "slack", QRectF(0, 0, 400, 400), "Slack");
    EXPECT_EQ(engine->closeOthersForLastRun(s.id), 1);
    EXPECT_EQ(engine->lastUndo()->quitApps, QStringList{"slack"});
}
