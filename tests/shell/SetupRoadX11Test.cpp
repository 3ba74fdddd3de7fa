// "set up <name>" as recognised text, end to end on the test desktop: the matcher,
// the executor and the setup engine over the real window layer, two apps of our
// X test client behind desktop entries and the fake browser for one page.
#include "shell/AppDelegate.h"

#include "base/Prefs.h"
#include "flow/RequestFlow.h"
#include "platform/WindowSystem.h"
#include "setups/SetupEngine.h"
#include "setups/SetupStore.h"
#include "shell/SetupRoadDesktop.h"
#include "support/DesktopEntryFixture.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "ui/receipts/ReceiptController.h"
#include "ui/receipts/ReceiptModel.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class SetupRoadX11Test : public SetupRoadDesktop {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(SetupRoadDesktop::SetUp());
        installFakeBrowser();
        appsToQuit << "firefox-esr";
        ASSERT_NO_FATAL_FAILURE(launch());
    }

    // Where a relative frame lands on the one display (top-left space).
    QRectF target(const SetupFrame& f) {
        const QRectF v = platform->windowSystem().displays().front().visibleFrame;
        return QRectF(v.x() + f.rx * v.width(), v.y() + v.height() - (f.ry + f.rh) * v.height(),
                      f.rw * v.width(), f.rh * v.height());
    }
};

SetupItem item(SetupItemKind kind, const QString& id, const QString& name, const SetupFrame& frame,
               std::optional<QString> url = {}) {
    SetupItem i;
    i.id = QUuid::createUuid();
    i.kind = kind;
    i.bundleID = id;
    i.appName = name;
    i.frame = frame;
    i.url = std::move(url);
    return i;
}

} // namespace

TEST_F(SetupRoadX11Test, theSpokenPhraseRunsTheStoredSetupAndItsWindowsLand) {
    // Notes runs already; Board has to be started.
    const xcb_window_t notes = x.startClient({"--title", "Notes", "--class", "roadnotes,RoadNotes"});
    ASSERT_NE(notes, 0u);

    const SetupFrame left{0, 0.5, 0.45, 0.5, 0};
    const SetupFrame right{0.5, 0.5, 0.45, 0.5, 0};
    const SetupFrame bottom{0.1, 0, 0.6, 0.4, 0};
    brisklet::Setup s;
    s.id = QUuid::createUuid();
    s.name = "Writing Room";
    s.fingerprint = "1:" + QString::number(int(platform->windowSystem().displays().front().frame.width())) +
                    "x" + QString::number(int(platform->windowSystem().displays().front().frame.height()));
    s.items = {item(SetupItemKind::app, "org.example.Notes", "Notes", left),
               item(SetupItemKind::app, "org.example.Board", "Board", right),
               item(SetupItemKind::url, "firefox-esr", "Firefox ESR", bottom, "https://example.com/plan")};
    ASSERT_TRUE(delegate->setups()->upsert(s));

    int receipts = 0;
    bool onMainThread = false;
    SetupPort::RunReport report;
    QObject::connect(delegate->setupEngine(), &SetupEngine::runReceipt,
                     [&](const SetupPort::RunReport& r, const brisklet::Setup& ran, bool canUndo) {
                         ++receipts;
                         onMainThread = QThread::currentThread() == QCoreApplication::instance()->thread();
                         report = r;
                         EXPECT_EQ(ran.id, s.id);
                         EXPECT_TRUE(canUndo);
                     });

    delegate->flow()->dispatch("set up writing room");
    ASSERT_TRUE(X11Session::waitUntil([&] { return receipts > 0; }, 60)) << "the run never reported";
    X11Session::waitUntil([] { return false; }, 0.5); // a second receipt would have come by now

    EXPECT_EQ(receipts, 1);
    EXPECT_TRUE(onMainThread);
    EXPECT_EQ(report.total, 3);
    EXPECT_EQ(report.opened, 3) << report.notes.join(" | ").toStdString();
    EXPECT_EQ(report.placed, 3) << report.notes.join(" | ").toStdString();
    EXPECT_TRUE(report.failedItems.isEmpty());
    EXPECT_FALSE(report.fingerprintMismatch);

    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, notes), target(left)); }, 5))
        << "Notes is not on its slot";
    const auto board = windowsOfClass("roadboard,RoadBoard");
    ASSERT_EQ(board.size(), 1u);
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, board.front()), target(right)); }, 5));
    // The browser was started first, so its own first window is there too.
    std::vector<xcb_window_t> page;
    for (auto w : windowsOfClass("Navigator,firefox-esr"))
        if (x.windowTitle(w) == "https://example.com/plan")
            page.push_back(w);
    ASSERT_EQ(page.size(), 1u);
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, page.front()), target(bottom)); }, 5));
    // The last item's app ends in front.
    EXPECT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == page.front(); }, 5));

    ASSERT_TRUE(delegate->setups()->activeRun());
    EXPECT_EQ(delegate->setups()->activeRun()->setupID, s.id);
    EXPECT_TRUE(delegate->setups()->setup(s.id)->lastRunAt);
}

TEST_F(SetupRoadX11Test, theReceiptCardsUndoPutsTheWindowsBack) {
    const xcb_window_t notes = x.startClient({"--title", "Notes", "--class", "roadnotes,RoadNotes"});
    ASSERT_NE(notes, 0u);
    ASSERT_TRUE(X11Session::waitUntil([&] { return outerFrame(x, notes).has_value(); }, 5));
    const QRectF before = *outerFrame(x, notes);

    const SetupFrame left{0, 0.5, 0.45, 0.5, 0};
    const SetupFrame right{0.5, 0.5, 0.45, 0.5, 0};
    brisklet::Setup s;
    s.id = QUuid::createUuid();
    s.name = "Writing Room";
    s.items = {item(SetupItemKind::app, "org.example.Notes", "Notes", left),
               item(SetupItemKind::app, "org.example.Board", "Board", right)};
    ASSERT_TRUE(delegate->setups()->upsert(s));

    delegate->flow()->dispatch("set up writing room");
    ReceiptController* receipts = delegate->receipts();
    ASSERT_TRUE(X11Session::waitUntil([&] { return receipts->current() != nullptr; }, 60))
        << "no receipt card";
    ASSERT_NE(receipts->currentSurface(), nullptr);
    EXPECT_TRUE(X11Session::waitUntil([&] { return receipts->currentSurface()->isVisible(); }, 5));
    EXPECT_EQ(receipts->current()->undoLabel(), "Put it back");
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, notes), target(left)); }, 5))
        << "Notes is not on its slot";
    ASSERT_EQ(windowsOfClass("roadboard,RoadBoard").size(), 1u);

    receipts->current()->undo();
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, notes), before); }, 10))
        << "Notes did not go back";
    EXPECT_TRUE(X11Session::waitUntil([&] { return !delegate->setups()->activeRun(); }, 5))
        << "the undone run is still the active one";
    EXPECT_EQ(receipts->current(), nullptr);
}
