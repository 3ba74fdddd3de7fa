// Capturing the screen as setup items, merging a capture into a setup, and drift.
#include "base/MainThread.h"
#include "setups/SetupEngineFixture.h"
#include "support/WaitFor.h"

using namespace brisklet;
using namespace brisklet::test;

namespace {

// The fixture's displays: a 1920 × 1080 primary less a 30-point panel at its top,
// and 1280 × 1024 to its right.
const QString fingerprint = "2:1920x1080,1280x1024";

class SetupEngineCaptureTest : public SetupEngineFixture {
protected:
    static const SetupItem* titled(const std::vector<SetupItem>& items, const QString& title) {
        for (const auto& item : items)
            if (item.title == title)
                return &item;
        return nullptr;
    }
    static SetupStore::ActiveRun runOf(std::vector<SetupStore::AppliedWindow> applied) {
        SetupStore::ActiveRun run;
        run.setupID = QUuid::createUuid();
        run.name = "Focus";
        run.applied = std::move(applied);
        run.displayFingerprint = fingerprint;
        return run;
    }
    static SetupEngine::CaptureResult captureOf(std::vector<SetupItem> items) {
        return {std::move(items), "1:2560x1440", {}, {}, {}};
    }
};

void expectFrame(const SetupItem* item, const SetupFrame& expected) {
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(item->frame);
    EXPECT_NEAR(item->frame->rx, expected.rx, 1e-9);
    EXPECT_NEAR(item->frame->ry, expected.ry, 1e-9);
    EXPECT_NEAR(item->frame->rw, expected.rw, 1e-9);
    EXPECT_NEAR(item->frame->rh, expected.rh, 1e-9);
    EXPECT_EQ(item->frame->displayIndex, expected.displayIndex);
}

} // namespace

TEST_F(SetupEngineCaptureTest, framesAreFractionsOfTheirDisplaysVisibleArea) {
    desktop.addWindow(501, "code", QRectF(0, 30, 960, 1050), "Editor");
    desktop.addWindow(502, "org.gnome.Terminal", QRectF(-200, 100, 400, 300), "Half off");
    desktop.addWindow(503, "slack", QRectF(2000, 100, 640, 512), "Chat");
    desktop.addWindow(504, "slack", QRectF(9000, 9000, 100, 100), "Nowhere");
    desktop.addWindow(505, "", QRectF(100, 100, 100, 100), "No app");

    const auto result = engine->captureNow();

    EXPECT_EQ(result.fingerprint, fingerprint);
    ASSERT_EQ(result.items.size(), 3u) << "windows on no display or of no app are left out";
    expectFrame(titled(result.items, "Editor"), {0, 0, 0.5, 1, 0});
    // Bottom-left space: the window's bottom is 1080 − 400 = 680 above the primary's bottom.
    expectFrame(titled(result.items, "Half off"),
                {-200.0 / 1920, 680.0 / 1050, 400.0 / 1920, 300.0 / 1050, 0});
    // The second display's visible area starts 1080 − 1024 = 56 above the primary's bottom.
    expectFrame(titled(result.items, "Chat"), {80.0 / 1280, (1080 - 612 - 56.0) / 1024, 0.5, 0.5, 1});
    const SetupItem* editor = titled(result.items, "Editor");
    EXPECT_EQ(editor->kind, SetupItemKind::app);
    EXPECT_EQ(editor->bundleID, "code");
    EXPECT_EQ(editor->appName, "Code");
    EXPECT_FALSE(editor->projectPath);
    EXPECT_FALSE(editor->id.isNull());
    EXPECT_NE(editor->id, titled(result.items, "Chat")->id);
    EXPECT_TRUE(result.notes.isEmpty());
}

TEST_F(SetupEngineCaptureTest, windowsThatCoverEachOtherBadlyArePaired) {
    desktop.addWindow(501, "code", QRectF(0, 30, 960, 1050), "Editor");
    desktop.addWindow(502, "org.gnome.Terminal", QRectF(100, 100, 800, 800), "Shell");
    desktop.addWindow(503, "slack", QRectF(1000, 100, 800, 800), "Chat"); // beside them
    desktop.addWindow(504, "slack", QRectF(2000, 100, 800, 800), "Other display");

    const auto result = engine->captureNow();

    ASSERT_EQ(result.overlapPairs.size(), 1u);
    EXPECT_EQ(result.overlapPairs[0].first, titled(result.items, "Editor")->id);
    EXPECT_EQ(result.overlapPairs[0].second, titled(result.items, "Shell")->id);
}

TEST_F(SetupEngineCaptureTest, browserWindowsKeepTheirPagesWhenTheBrowserNamesThem) {
    const auto news = desktop.addWindow(700, "firefox-esr", QRectF(0, 30, 900, 700), "News");
    const auto mail = desktop.addWindow(700, "firefox-esr", QRectF(900, 30, 900, 700), "Mail");
    desktop.addWindow(700, "firefox-esr", QRectF(100, 300, 900, 700), "Drafts");
    harvestUrls = QMap<platform::WindowId, QString>{{news, "https://news.example/"},
                                                    {mail, "https://mail.example/inbox"}};

    const auto result = engine->captureNow();

    ASSERT_EQ(result.items.size(), 3u);
    EXPECT_EQ(titled(result.items, "News")->kind, SetupItemKind::url);
    EXPECT_EQ(titled(result.items, "News")->url, "https://news.example/");
    EXPECT_EQ(titled(result.items, "Mail")->url, "https://mail.example/inbox");
    EXPECT_EQ(titled(result.items, "Drafts")->kind, SetupItemKind::app);
    EXPECT_FALSE(titled(result.items, "Drafts")->url);
    EXPECT_TRUE(result.notes.isEmpty());
}

TEST_F(SetupEngineCaptureTest, pagesThatCannotBeReadBecomeAppWindowsWithANote) {
    desktop.addWindow(700, "firefox-esr", QRectF(0, 30, 900, 700), "News");
    desktop.addWindow(701, "chromium", QRectF(900, 30, 900, 700), "Mail");
    desktop.addWindow(501, "code", QRectF(0, 30, 900, 700), "Editor");

    // The browser lists its windows but no address at all.
    harvestUrls = QMap<platform::WindowId, QString>{};
    auto result = engine->captureNow();
    // The name is the one on the browser's first window.
    ASSERT_EQ(result.items.size(), 3u);
    for (const auto& item : result.items)
        EXPECT_EQ(item.kind, SetupItemKind::app) << item.title.toStdString();
    EXPECT_EQ(result.notes,
              QStringList({"Firefox-esr can't share page addresses (no scripting support) — its "
                           "windows are saved without URLs.",
                           "Chromium can't share page addresses (no scripting support) — its "
                           "windows are saved without URLs."}));

    harvestUrls.reset(); // reading fails
    result = engine->captureNow();
    EXPECT_EQ(result.notes.front(),
              "Couldn't read Firefox-esr's page addresses — its windows are saved without URLs.");

    auto refusing = collaborators();
    refusing.harvest = [](const QString&) {
        return BrowserScripting::HarvestResult{BrowserScripting::HarvestResult::Kind::denied, {}};
    };
    SetupEngine other(windows, store, refusing);
    result = other.captureNow();
    EXPECT_EQ(result.items.size(), 3u);
    EXPECT_EQ(result.notes.front(),
              "Firefox-esr page addresses unavailable — the desktop refused access. Its "
              "windows are saved without URLs.");
}

TEST_F(SetupEngineCaptureTest, aCapturedSetupPutsMovedWindowsBackWhenRun) {
    const auto editor = desktop.addWindow(501, "code", QRectF(0, 30, 960, 1050), "Editor");
    const auto shell = desktop.addWindow(502, "org.gnome.Terminal", QRectF(2100, 200, 700, 500), "Shell");
    const auto result = engine->captureNow();
    Setup s = setupOf("Captured", result.items);
    s.fingerprint = result.fingerprint;

    desktop.update(editor, [](FakeDesktop::Window& w) { w.info.frame = QRectF(400, 300, 600, 400); });
    desktop.update(shell, [](FakeDesktop::Window& w) { w.info.frame = QRectF(50, 50, 500, 500); });
    engine->run(s);

    EXPECT_TRUE(within(desktop.frameOf(editor), QRectF(0, 30, 960, 1050), 1)) << "editor";
    EXPECT_TRUE(within(desktop.frameOf(shell), QRectF(2100, 200, 700, 500), 1)) << "shell";
}

TEST_F(SetupEngineCaptureTest, aCaptureMergesIntoTheSetupWithoutLosingWhatItCannotSee) {
    Setup s =
        setupOf("Work", {app("code", "Code", SetupFrame{0, 0, 1, 1, 0}, "Old editor"),
                         page("https://news.example/", "firefox-esr", SetupFrame{0, 0, 1, 1, 0}, "News"),
                         page("https://docs.example", "firefox-esr", SetupFrame{0, 0, 0.5, 1, 0}, "Docs"),
                         app("org.gnome.Terminal", "Terminal", {}, "Project"),
                         app("slack", "Slack", {}, "Gone project")});
    s.items[3].projectPath = "/home/me/project";
    s.items[4].projectPath = "/home/me/other";
    s.phrases = {"work time"};
    s.closeOthers = true;

    const SetupFrame newsFrame{0.5, 0, 0.5, 1, 0};
    const SetupFrame terminalFrame{0, 0, 0.5, 0.5, 0};
    auto capture = captureOf({app("code", "Code", SetupFrame{0, 0, 0.5, 1, 0}, "Editor"),
                              app("firefox-esr", "Firefox", newsFrame, "News — Mozilla Firefox"),
                              app("firefox-esr", "Firefox", SetupFrame{0, 0, 0.3, 0.3, 0}, "Other tab"),
                              app("org.gnome.Terminal", "Terminal", terminalFrame, "bash")});

    const Setup merged = SetupEngine::withCapture(s, capture);

    ASSERT_EQ(merged.items.size(), 6u);
    // Captured windows first, less the one folded into its page…
    EXPECT_EQ(merged.items[0].title, "Editor");
    EXPECT_EQ(merged.items[1].title, "Other tab");
    EXPECT_EQ(merged.items[2].title, "bash");
    EXPECT_EQ(merged.items[2].projectPath, "/home/me/project") << "the folder goes to its app's window";
    // …then what the capture could not see, in its old order.
    EXPECT_EQ(merged.items[3].url, "https://news.example/");
    EXPECT_EQ(merged.items[3].frame, newsFrame) << "a page takes the frame of its browser window, "
                                                   "whose title names the browser after the page";
    EXPECT_EQ(merged.items[4].url, "https://docs.example");
    EXPECT_EQ(merged.items[4].frame, (SetupFrame{0, 0, 0.5, 1, 0})) << "an unseen page keeps its frame";
    EXPECT_EQ(merged.items[5].projectPath, "/home/me/other") << "an uncaptured project stays as it was";
    EXPECT_EQ(merged.fingerprint, "1:2560x1440");
    EXPECT_EQ(merged.phrases, s.phrases);
    EXPECT_TRUE(merged.closeOthers);
    EXPECT_EQ(merged.createdAt, s.createdAt);

    EXPECT_EQ(SetupEngine::withCapture(s, captureOf({})), s) << "an empty capture never wipes a setup";

    // A page the capture itself read replaces the old item of that page.
    SetupItem read = page("https://news.example", "firefox-esr", newsFrame, "News");
    const Setup withRead = SetupEngine::withCapture(s, captureOf({read}));
    EXPECT_EQ(std::count_if(withRead.items.begin(), withRead.items.end(),
                            [](const SetupItem& i) { return i.url && i.url->startsWith("https://news"); }),
              1);
}

TEST_F(SetupEngineCaptureTest, updatingFromCurrentStartsFromTheStoredSetup) {
    Setup stored = setupOf("Stored name", {app("code", "Code", SetupFrame{0, 0, 1, 1, 0}, "Editor")});
    ASSERT_TRUE(store.upsert(stored));
    Setup stale = stored;
    stale.name = "Stale name";
    desktop.addWindow(501, "code", QRectF(0, 30, 960, 1050), "Editor");

    std::optional<Setup> handed;
    engine->updateFromCurrent(stale, [&](const Setup& s) {
        EXPECT_TRUE(MainThread::isCurrent());
        handed = s;
    });
    ASSERT_TRUE(waitFor([&] { return handed.has_value(); }));
    EXPECT_EQ(handed->name, "Stored name");
    EXPECT_EQ(handed->id, stored.id);
    ASSERT_EQ(handed->items.size(), 1u);
    expectFrame(&handed->items[0], {0, 0, 0.5, 1, 0});
    EXPECT_EQ(handed->fingerprint, fingerprint);

    // Nothing on screen: the setup comes back as it was.
    desktop.remove(desktop.windows().front().id);
    handed.reset();
    engine->updateFromCurrent(stored, [&](const Setup& s) { handed = s; });
    ASSERT_TRUE(waitFor([&] { return handed.has_value(); }));
    EXPECT_EQ(handed->items, store.setup(stored.id)->items);
}

TEST_F(SetupEngineCaptureTest, driftNeedsTwoMovedWindowsUnlessOnlyOneWasPlaced) {
    const QRectF a(0, 30, 960, 1050);
    const QRectF b(960, 30, 960, 1050);
    const auto editor = desktop.addWindow(501, "code", a, "Editor");
    desktop.addWindow(502, "org.gnome.Terminal", b, "Shell");
    const auto both = runOf({{"code", "Editor", a}, {"org.gnome.Terminal", "Shell", b}});
    const auto one = runOf({{"code", "Editor", a}});

    EXPECT_FALSE(engine->hasDrifted(both));
    desktop.update(editor, [&](FakeDesktop::Window& w) { w.info.frame = a.translated(81, 0); });
    EXPECT_FALSE(engine->hasDrifted(both)) << "one of two windows moved";
    EXPECT_TRUE(engine->hasDrifted(one)) << "the only window moved";

    desktop.update(editor, [&](FakeDesktop::Window& w) { w.info.frame = a.translated(79, 0); });
    EXPECT_FALSE(engine->hasDrifted(one)) << "80 points is not yet a move";

    // 10 % wider and 6 % taller adds up to more than 0.15.
    desktop.update(
        editor, [&](FakeDesktop::Window& w) { w.info.frame = QRectF(a.x() - 48, a.y() - 31.5, 1056, 1113); });
    EXPECT_TRUE(engine->hasDrifted(one));
}

TEST_F(SetupEngineCaptureTest, noDriftAfterTheDisplaysChangedOrWithNothingToCompare) {
    const QRectF a(0, 30, 960, 1050);
    desktop.addWindow(501, "code", a.translated(300, 0), "Editor");
    auto run = runOf({{"code", "Editor", a}});
    ASSERT_TRUE(engine->hasDrifted(run));

    run.displayFingerprint.clear();
    EXPECT_FALSE(engine->hasDrifted(run));
    run.displayFingerprint = "1:1920x1080";
    EXPECT_FALSE(engine->hasDrifted(run)) << "a new display arrangement is not drift";
    EXPECT_FALSE(engine->hasDrifted(runOf({{"slack", "Chat", a}}))) << "no window of that app";
    EXPECT_FALSE(engine->hasDrifted(runOf({})));
}

TEST_F(SetupEngineCaptureTest, driftPrefersTheWindowWithTheSameTitle) {
    const QRectF a(0, 30, 960, 1050);
    desktop.addWindow(501, "code", a, "Other"); // exactly where the run put its window
    desktop.addWindow(501, "code", a.translated(500, 0), "Editor");
    EXPECT_TRUE(engine->hasDrifted(runOf({{"code", "Editor", a}})));
    EXPECT_FALSE(engine->hasDrifted(runOf({{"code", "Renamed", a}}))) << "no title: the nearest window";
}

TEST_F(SetupEngineCaptureTest, aCaptureAskedForJustBeforeTheEngineGoesStillAnswers) {
    desktop.addWindow(501, "code", QRectF(0, 30, 960, 1050), "Editor");
    int answers = 0;
    for (int i = 0; i < 3; ++i)
        engine->captureCurrent([&](const SetupEngine::CaptureResult& result) {
            EXPECT_TRUE(MainThread::isCurrent());
            EXPECT_LE(result.items.size(), 1u);
            answers += 1;
        });
    engine.reset();
    EXPECT_TRUE(waitFor([&] { return answers == 3; })) << "no completion is lost";
}
