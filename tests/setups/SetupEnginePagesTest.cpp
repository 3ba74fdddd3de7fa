// The windows a setup's pages live in: a browser restoring its session while it
// starts, a second run, an update from the screen, an end after the user closed
// a page and an update of another setup while a page is open.
#include "setups/SetupEngineFixture.h"
#include "support/FileBytes.h"
#include "support/WaitFor.h"

using namespace brisklet;
using namespace brisklet::test;

namespace {

const SetupFrame leftHalf{0, 0, 0.5, 1, 0};
const SetupFrame rightHalf{0.5, 0, 0.5, 1, 0};

class SetupEnginePagesTest : public SetupEngineFixture {
protected:
    std::vector<platform::WindowInfo> windowsOf(const QString& id) {
        std::vector<platform::WindowInfo> found;
        for (auto& w : desktop.windows())
            if (w.appId == id)
                found.push_back(std::move(w));
        return found;
    }
    platform::WindowId titled(const QString& title) {
        for (const auto& w : desktop.windows())
            if (w.title == title)
                return w.id;
        return 0;
    }
    int pageLaunches() {
        return static_cast<int>(
            std::count_if(browsers.calls.begin(), browsers.calls.end(),
                          [](const auto& c) { return c.second.contains("--new-window"); }));
    }
};

} // namespace

TEST_F(SetupEnginePagesTest, aColdStartLeavesTheRestoredWindowsAloneThroughRunAndEnd) {
    // The second restored window maps while the run is already asking for the page.
    browsers.session = {{"Restored 1", 0.3}, {"Restored 2", 1.3}, {"Restored 3", 6.0}};
    Setup s = setupOf("Read", {page("https://a.com/x", "chromium", leftHalf)});
    const auto ran = engine->run(s);
    EXPECT_EQ(ran.placed, 1) << ran.notes.join(" | ").toStdString();
    const auto ledger = engine->windowLedger().at(s.id).at("chromium");
    ASSERT_EQ(ledger.size(), 1u);
    EXPECT_EQ(desktop.get(ledger.front().windowID).info.title, "https://a.com/x");

    clock.advance(10); // the slowest restored window is there too now
    ASSERT_EQ(windowsOf("chromium").size(), 4u);
    const auto end = engine->end(s);
    EXPECT_TRUE(end.notes.isEmpty()) << end.notes.join(" | ").toStdString();
    EXPECT_EQ(end.closedWindows, 1);
    EXPECT_EQ(desktop.closed(), std::vector<platform::WindowId>{ledger.front().windowID});
    for (const char* title : {"Restored 1", "Restored 2", "Restored 3"})
        EXPECT_EQ(desktop.frameOf(titled(title)), QRectF(40, 40, 800, 600)) << title;
}

TEST_F(SetupEnginePagesTest, aSecondRunPlacesTheFirstRunsPageInsteadOfOpeningItAgain) {
    const auto mine = desktop.addWindow(4242, "chromium", QRectF(0, 40, 700, 500), "Mine");
    Setup s = setupOf("Read", {page("https://a.com", "chromium", leftHalf)});
    engine->run(s);
    ASSERT_EQ(pageLaunches(), 1);
    const auto first = engine->windowLedger().at(s.id).at("chromium").front().windowID;
    const QRectF placed = desktop.frameOf(first);
    desktop.update(first, [](FakeDesktop::Window& w) { w.info.frame = QRectF(900, 500, 500, 400); });

    const auto again = engine->run(s);
    EXPECT_EQ(pageLaunches(), 1) << "the page was opened twice";
    EXPECT_EQ(again.opened, 1);
    EXPECT_EQ(again.placed, 1);
    EXPECT_TRUE(within(desktop.frameOf(first), placed, 12));
    EXPECT_EQ(engine->windowLedger().at(s.id).at("chromium").front().windowID, first);

    const auto end = engine->end(s);
    EXPECT_EQ(end.closedWindows, 1);
    EXPECT_EQ(desktop.closed(), std::vector<platform::WindowId>{first});

    // Only a page without a live window is opened again; the user's window is no page.
    engine->run(s);
    EXPECT_EQ(pageLaunches(), 2);
    EXPECT_EQ(windowsOf("chromium").size(), 2u);
    EXPECT_FALSE(BrowserScripting::openedByUs(mine));
}

TEST_F(SetupEnginePagesTest, undoingARerunMovesTheFirstRunsPageBackInsteadOfClosingIt) {
    Setup s = setupOf("Read", {page("https://a.com", "chromium", leftHalf)});
    engine->run(s);
    const auto first = engine->windowLedger().at(s.id).at("chromium").front().windowID;
    const QRectF moved(900, 500, 500, 400);
    desktop.update(first, [&](FakeDesktop::Window& w) { w.info.frame = moved; });

    engine->run(s);
    ASSERT_FALSE(within(desktop.frameOf(first), moved, 12)) << "the rerun placed the page again";
    ASSERT_TRUE(engine->undoLast());
    EXPECT_TRUE(desktop.closed().empty()) << "undo closed a window the rerun had only placed";
    EXPECT_TRUE(within(desktop.frameOf(first), moved, 12)) << "it goes back where it was";
    // The window is still the setup's page: ending the setup closes it.
    EXPECT_EQ(engine->end(s).closedWindows, 1);
    EXPECT_EQ(desktop.closed(), std::vector<platform::WindowId>{first});
}

TEST_F(SetupEnginePagesTest, updatingFoldsThePagesWindowIntoItsPageAndLeavesTheStartWindowOut) {
    desktop.addWindow(501, "code", QRectF(300, 300, 700, 500), "Code");
    Setup s = setupOf("Read",
                      {app("code", "Code", rightHalf, "Code"), page("https://a.com", "chromium", leftHalf)});
    ASSERT_TRUE(store.upsert(s));
    engine->run(s);
    ASSERT_EQ(windowsOf("chromium").size(), 2u) << "the browser's start window and the page's";
    const auto pageWindow = engine->windowLedger().at(s.id).at("chromium").front().windowID;
    desktop.update(pageWindow, [](FakeDesktop::Window& w) { w.info.frame = QRectF(960, 30, 960, 1050); });

    std::optional<Setup> updated;
    engine->updateFromCurrent(s, [&](const Setup& u) { updated = u; });
    ASSERT_TRUE(waitFor([&] { return updated.has_value(); }));
    ASSERT_EQ(updated->items.size(), 2u);
    const auto pages = updated->urlItems();
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_TRUE(pages.front().frame);
    EXPECT_NEAR(pages.front().frame->rx, 0.5, 1e-9) << "the page took its window's new frame";

    ASSERT_TRUE(store.upsert(*updated));
    const auto again = engine->run(*updated);
    EXPECT_EQ(again.total, 2);
    EXPECT_EQ(again.placed, 2) << again.notes.join(" | ").toStdString();
    EXPECT_EQ(pageLaunches(), 1);
    EXPECT_EQ(windowsOf("chromium").size(), 2u);
}

TEST_F(SetupEnginePagesTest, endingAfterTheUserClosedThePageLeavesNothingOpenToMention) {
    desktop.addWindow(4242, "chromium", QRectF(0, 40, 700, 500), "Mine");
    Setup s = setupOf("Read", {page("https://a.com", "chromium", leftHalf)});
    engine->run(s);
    desktop.remove(engine->windowLedger().at(s.id).at("chromium").front().windowID);

    const auto end = engine->end(s);
    EXPECT_TRUE(end.notes.isEmpty()) << end.notes.join(" | ").toStdString();
    EXPECT_EQ(end.closedWindows, 0);
    EXPECT_TRUE(desktop.closed().empty());
}

TEST_F(SetupEnginePagesTest, updatingAnotherSetupTakesAPageWindowForItsPage) {
    Setup reading = setupOf("Read", {page("https://a.com/inbox", "chromium", leftHalf, "Inbox")});
    ASSERT_TRUE(store.upsert(reading));
    engine->run(reading);
    const auto pageWindow = engine->windowLedger().at(reading.id).at("chromium").front().windowID;
    desktop.update(pageWindow, [](FakeDesktop::Window& w) { w.info.frame = QRectF(960, 30, 960, 1050); });
    desktop.addWindow(501, "code", QRectF(0, 30, 960, 1050), "Code");
    Setup coding = setupOf("Code", {app("code", "Code", leftHalf, "Code")});
    ASSERT_TRUE(store.upsert(coding));

    std::optional<Setup> updated;
    engine->updateFromCurrent(coding, [&](const Setup& u) { updated = u; });
    ASSERT_TRUE(waitFor([&] { return updated.has_value(); }));
    std::vector<SetupItem> onPageFrame;
    for (const auto& item : updated->items)
        if (item.frame && std::abs(item.frame->rx - 0.5) < 1e-9)
            onPageFrame.push_back(item);
    ASSERT_EQ(onPageFrame.size(), 1u);
    EXPECT_EQ(onPageFrame.front().kind, SetupItemKind::url);
    EXPECT_EQ(onPageFrame.front().url, "https://a.com/inbox");
    EXPECT_EQ(onPageFrame.front().bundleID, "chromium");
    EXPECT_EQ(*onPageFrame.front().frame, (SetupFrame{0.5, 0, 0.5, 1, 0}));
}

TEST_F(SetupEnginePagesTest, oneNoteNamesEveryPageLeftOpenOnAGuess) {
    // A browser that drops the startup id restores a window around the pages, whose
    // titles name nothing: each page's window is a guess.
    browsers.passesStartupId = false;
    browsers.pageTitle = "Loading";
    browsers.session = {{"Restored 1", 0.3}};
    Setup s = setupOf("Read", {page("https://a.com/x", "chromium", leftHalf, "Mail"),
                               page("https://b.com", "chromium", rightHalf, "News")});
    engine->run(s);

    const auto end = engine->end(s);
    EXPECT_EQ(end.closedWindows, 0);
    EXPECT_EQ(end.notes,
              QStringList{"“Mail” and “News” were left open in Chromium: Brisklet couldn't be sure "
                          "it opened those windows."});
    EXPECT_TRUE(desktop.closed().empty());
}

TEST_F(SetupEnginePagesTest, aHandEditedEntryOfTheKeptWindowsIsDroppedAndTheRestStillCloseAtTheEnd) {
    Setup s = setupOf("Read", {page("https://a.com", "chromium", leftHalf)});
    engine->run(s);
    const auto w = engine->windowLedger().at(s.id).at("chromium").front();
    const auto other = desktop.addWindow(4242, "chromium", QRectF(0, 40, 700, 500), "Mine");
    // A window id with a fraction, and a pid no number of 64 bits holds.
    writeBytes(Paths::dataFolder() + "/setup-windows.json",
               QStringLiteral(R"({"%1": {"pages": {"chromium": [
                   {"window": 0.5, "pid": %3, "page": "%4", "guessed": false},
                   {"window": %2, "pid": %3, "page": "%4", "guessed": false},
                   {"window": %5, "pid": 1.2e37, "page": "%4", "guessed": false}]}}})")
                   .arg(s.id.toString(QUuid::WithoutBraces).toUpper())
                   .arg(w.windowID)
                   .arg(w.pid)
                   .arg(w.prefix)
                   .arg(other)
                   .toUtf8());

    // Brisklet starts again over the edited file.
    engine = std::make_unique<SetupEngine>(windows, store, collaborators());
    const auto kept = engine->windowLedger().at(s.id).at("chromium");
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept.front().windowID, w.windowID);
    EXPECT_EQ(engine->end(s).closedWindows, 1);
    EXPECT_EQ(desktop.closed(), std::vector<platform::WindowId>{w.windowID});
}
