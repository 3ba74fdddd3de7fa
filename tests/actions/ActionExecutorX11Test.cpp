// Opening and quitting a real application through the executor: a desktop entry
// whose program is our X test client, on the test desktop; a plan that stops when
// the app it names won't take the focus; and apps started through a wrapper script.
#include "actions/ActionExecutor.h"
#include "commands/AppIndex.h"
#include "platform/linux/LinuxDesktop.h"
#include "support/TempHome.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "windows/LayoutStore.h"
#include "windows/WindowEngine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <tuple>

using namespace brisklet;
using namespace brisklet::platform;
using brisklet::test::X11Session;

namespace {
class ExecutorX11Test : public ::testing::Test {
protected:
    struct Installed final : InstalledApps {
        std::shared_ptr<const DesktopEntries>* entries = nullptr;
        std::vector<AppEntry> installedApps() override {
            std::vector<AppEntry> apps;
            for (const DesktopEntry& e : (*entries)->listed())
                apps.push_back({e.id, e.name, e.path});
            return apps;
        }
    };

    X11Session x;
    QTemporaryDir dir;
    std::shared_ptr<const DesktopEntries> entries;
    std::unique_ptr<LinuxDesktop> desktop;
    LinuxAppLauncher* launcher = nullptr;
    Installed installed;
    std::unique_ptr<AppIndex> index;
    brisklet::test::TempHome home;
    std::unique_ptr<WindowEngine> engine;
    std::unique_ptr<LayoutStore> store;
    std::unique_ptr<ActionExecutor> executor;

    void SetUp() override {
        ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
        QDir().mkpath(dir.path() + "/applications");
        for (const auto& [id, name, wmClass, args] :
             {std::tuple{"org.example.Viewer", "Example Viewer", "FancyViewer",
                         " --count 2 --title Viewer --class viewer,FancyViewer"},
              std::tuple{"org.example.Clock", "Example Clock", "ExampleClock",
                         " --refuse-focus --title Clock --class clock,ExampleClock --geometry 300x200+80+80"},
              std::tuple{
                  "org.example.Sketchpad", "Sketchpad", "Sketchpad",
                  " --map-after 3 --title Sketchpad --class sketchpad,Sketchpad --geometry 300x200+80+80"}}) {
            QFile f(dir.path() + "/applications/" + id + ".desktop");
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("[Desktop Entry]\nType=Application\nName=") + name +
                    "\nStartupWMClass=" + wmClass + "\nExec=" + BRISKLET_XTESTCLIENT + args + "\n");
        }
        // Started through a shell that stays on as the program's parent, with a
        // window class and a program that name no entry: nothing but the launch ties
        // the window to the entry. Almanac's script starts nothing.
        const QString terminal = dir.path() + "/bin/xterm";
        ASSERT_TRUE(QDir().mkpath(dir.path() + "/bin"));
        ASSERT_TRUE(QFile::copy(BRISKLET_XTESTCLIENT, terminal));
        const QByteArray ledger =
            terminal.toUtf8() + " --class xterm,Ledgerwin --title Ledger --geometry 600x400+300+200; ";
        for (const auto& [id, name, program] :
             {std::tuple{"ledger", "Ledger", ledger}, std::tuple{"almanac", "Almanac", QByteArray()}}) {
            QFile f(dir.path() + "/applications/" + id + ".desktop");
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(QByteArray("[Desktop Entry]\nType=Application\nName=") + name +
                    "\nExec=sh -c \"sleep 0.3; " + program + "true\"\n");
        }
        // The terminal's entry as its package installs it: Ledger's window carries
        // its class as the instance, and Ledger's program has its name.
        QFile xterm(dir.path() + "/applications/debian-xterm.desktop");
        ASSERT_TRUE(xterm.open(QIODevice::WriteOnly));
        xterm.write("[Desktop Entry]\nType=Application\nName=XTerm\nExec=xterm\nStartupWMClass=XTerm\n");
        xterm.close();
        entries = DesktopEntries::scan({dir.path() + "/applications"}, DesktopLocale::parse("C"));
        desktop = std::make_unique<LinuxDesktop>([this] { return entries; });
        launcher = &desktop->launcher();
        installed.entries = &entries;
        index = std::make_unique<AppIndex>(&installed, nullptr);
        index->refresh();
        index->waitForScans();
        engine = std::make_unique<WindowEngine>(desktop->windows(), nullptr, launcher);
        store = std::make_unique<LayoutStore>(*engine);
        ActionExecutor::Collaborators c;
        c.windows = engine.get();
        c.layouts = store.get();
        c.apps = index.get();
        c.running = &desktop->runningApps();
        c.launcher = launcher;
        executor = std::make_unique<ActionExecutor>(c);
    }
    void TearDown() override {
        if (launcher)
            for (const char* id :
                 {"org.example.Viewer", "org.example.Clock", "org.example.Sketchpad", "ledger"})
                launcher->quit(id);
    }

    std::vector<xcb_window_t> viewerWindows() {
        std::vector<xcb_window_t> found;
        for (xcb_window_t w : x.clientList())
            if (x.windowClass(w) == "viewer,FancyViewer")
                found.push_back(w);
        return found;
    }
    std::optional<xcb_window_t> activeWindow() {
        auto cookie = xcb_get_property(x.connection(), 0, x.root(), x.atom("_NET_ACTIVE_WINDOW"),
                                       XCB_ATOM_WINDOW, 0, 1);
        auto* reply = xcb_get_property_reply(x.connection(), cookie, nullptr);
        std::optional<xcb_window_t> active;
        if (reply && xcb_get_property_value_length(reply) == 4)
            active = *static_cast<xcb_window_t*>(xcb_get_property_value(reply));
        std::free(reply);
        return active;
    }
    // Another app's window in front, with the focus.
    std::optional<xcb_window_t> frontWindow(const QString& windowClass = "viewer,FancyViewer") {
        const auto front =
            x.startClient({"--class", windowClass, "--title", "Front", "--geometry", "500x400+40+40"});
        if (!front)
            return std::nullopt;
        x.sendToRoot(front, "_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME, 0});
        if (!X11Session::waitUntil([&] { return activeWindow() == front; }, 3))
            return std::nullopt;
        return front;
    }
    // "maximize <app>" stops with `failure` and the window in front stays where it was.
    void maximizeIsRefused(const QString& app, const QString& failure, xcb_window_t front) {
        const auto before = outerFrame(x, front);
        EXPECT_EQ(perform({Action::focusApp(app), Action::moveWindow(WindowPosition::maximize)}),
                  (ActionExecutor::Outcome{false, failure}));
        QTest::qWait(300); // a move that went astray would land by now
        EXPECT_EQ(outerFrame(x, front), before) << "the front window was moved";
    }
    ActionExecutor::Outcome perform(Plan plan) {
        std::optional<ActionExecutor::Outcome> outcome;
        executor->performPlan(std::move(plan), [&](const ActionExecutor::Outcome& o) { outcome = o; });
        if (!QTest::qWaitFor([&] { return outcome.has_value(); }, 10000))
            return {false, "no completion"};
        return *outcome;
    }
};
} // namespace

TEST_F(ExecutorX11Test, opensAnAppToTheFrontAndQuitsItPolitely) {
    EXPECT_EQ(executor->execute(Action::quitApp("Example Viewer")),
              (ActionExecutor::Outcome{false, "“Example Viewer” isn't running"}));

    EXPECT_EQ(executor->execute(Action::openApp("example viewer")),
              (ActionExecutor::Outcome{true, "Opened Example Viewer"}));
    ASSERT_TRUE(X11Session::waitUntil([&] { return viewerWindows().size() == 2; }, 5.0));
    ASSERT_TRUE(X11Session::waitUntil(
        [&] {
            auto active = activeWindow();
            auto mine = viewerWindows();
            return active && std::find(mine.begin(), mine.end(), *active) != mine.end();
        },
        5.0))
        << "the app came to the front";

    EXPECT_EQ(executor->execute(Action::focusApp("Example Viewer")),
              (ActionExecutor::Outcome{true, "Switched to Example Viewer"}));

    EXPECT_EQ(executor->execute(Action::quitApp("example viewer")),
              (ActionExecutor::Outcome{true, "Quit Example Viewer"}));
    EXPECT_TRUE(X11Session::waitUntil([&] { return viewerWindows().empty(); }, 5.0))
        << "both windows closed on request";
}

TEST_F(ExecutorX11Test, movesWindowsAndSavesAndAppliesLayouts) {
    ASSERT_TRUE(executor->execute(Action::openApp("Example Viewer")).success);
    ASSERT_TRUE(X11Session::waitUntil([&] { return viewerWindows().size() == 2; }, 5.0));
    EXPECT_EQ(executor->execute(Action::moveWindow(WindowPosition::left)),
              (ActionExecutor::Outcome{true, "Left half"}));
    EXPECT_EQ(executor->execute(Action::saveLayout("Work")),
              (ActionExecutor::Outcome{true, "Saved layout “Work” (2 windows)"}));
    EXPECT_EQ(executor->execute(Action::moveWindow(WindowPosition::maximize)),
              (ActionExecutor::Outcome{true, "Maximized"}));
    EXPECT_EQ(executor->execute(Action::applyLayout("work")),
              (ActionExecutor::Outcome{true, "Layout “work” (2/2 windows)"}));
    EXPECT_EQ(executor->execute(Action::applyLayout("play")),
              (ActionExecutor::Outcome{false, "No layout called “play”"}));
}

TEST_F(ExecutorX11Test, aWindowThatNeverTakesTheFocusStopsThePlanBeforeTheFrontWindowIsMaximized) {
    ASSERT_TRUE(executor->execute(Action::openApp("Example Clock")).success);
    ASSERT_TRUE(X11Session::waitUntil(
        [&] {
            const auto all = x.clientList();
            return std::any_of(all.begin(), all.end(),
                               [&](xcb_window_t w) { return x.windowClass(w) == "clock,ExampleClock"; });
        },
        5.0));
    const auto front = frontWindow();
    ASSERT_TRUE(front);
    maximizeIsRefused("example clock", "Couldn't switch to Example Clock", *front);
}

TEST_F(ExecutorX11Test, anAppWhoseWindowMapsLateIsWaitedForBeforeItIsMaximized) {
    const auto front = frontWindow();
    ASSERT_TRUE(front);
    const auto before = outerFrame(x, *front);

    EXPECT_EQ(perform({Action::focusApp("sketchpad"), Action::moveWindow(WindowPosition::maximize)}),
              (ActionExecutor::Outcome{true, "Maximized"}));
    QTest::qWait(300);
    EXPECT_EQ(outerFrame(x, *front), before) << "the front window was moved";
    const auto all = x.clientList();
    const auto late = std::find_if(all.begin(), all.end(),
                                   [&](xcb_window_t w) { return x.windowClass(w) == "sketchpad,Sketchpad"; });
    ASSERT_NE(late, all.end());
    EXPECT_GT(outerFrame(x, *late).value_or(QRectF()).width(), 1000) << "the late window was maximized";
}

// "switch to ledger", "maximize ledger" and "quit ledger" with a terminal in front,
// Ledger stopped or running: Ledger's window belongs to the wrapper's child, its
// class names no entry, and its instance and program name the terminal's. Each
// reaches the one Ledger window and opens no other; "quit xterm" leaves it open.
TEST_F(ExecutorX11Test, anAppStartedThroughAWrapperIsTakenWhenItsWindowComesToTheFront) {
    const auto front = frontWindow("xterm,XTerm");
    ASSERT_TRUE(front);
    const auto before = outerFrame(x, *front);
    const auto ledgerWindow = [&]() -> std::optional<xcb_window_t> {
        for (xcb_window_t w : x.clientList())
            if (x.windowClass(w) == "xterm,Ledgerwin")
                return w;
        return std::nullopt;
    };
    const auto ledgerCount = [&] {
        const auto all = x.clientList();
        return std::count_if(all.begin(), all.end(),
                             [&](xcb_window_t w) { return x.windowClass(w) == "xterm,Ledgerwin"; });
    };
    const auto terminalToTheFront = [&] {
        x.sendToRoot(*front, "_NET_ACTIVE_WINDOW", {2, XCB_CURRENT_TIME, 0});
        return X11Session::waitUntil([&] { return activeWindow() == front; }, 3);
    };

    EXPECT_EQ(perform({Action::focusApp("ledger")}), (ActionExecutor::Outcome{true, "Opened Ledger"}));
    const auto first = ledgerWindow();
    ASSERT_TRUE(first);
    EXPECT_EQ(activeWindow(), first);

    // Running, it is found by its entry's name.
    ASSERT_TRUE(terminalToTheFront());
    EXPECT_EQ(perform({Action::focusApp("ledger")}), (ActionExecutor::Outcome{true, "Switched to Ledger"}));
    EXPECT_EQ(activeWindow(), first);
    ASSERT_TRUE(terminalToTheFront());
    EXPECT_EQ(perform({Action::focusApp("ledger"), Action::moveWindow(WindowPosition::maximize)}),
              (ActionExecutor::Outcome{true, "Maximized"}));
    EXPECT_EQ(activeWindow(), first);
    EXPECT_GT(outerFrame(x, *first).value_or(QRectF()).width(), 1000) << "Ledger's window was maximized";
    QTest::qWait(500); // a second start would have mapped by now
    EXPECT_EQ(ledgerCount(), 1) << "another Ledger was opened";
    EXPECT_EQ(perform({Action::quitApp("ledger")}), (ActionExecutor::Outcome{true, "Quit Ledger"}));
    ASSERT_TRUE(X11Session::waitUntil([&] { return !ledgerWindow(); }, 5.0));
    ASSERT_TRUE(terminalToTheFront());

    EXPECT_EQ(perform({Action::focusApp("ledger"), Action::moveWindow(WindowPosition::maximize)}),
              (ActionExecutor::Outcome{true, "Maximized"}));
    const auto second = ledgerWindow();
    ASSERT_TRUE(second);
    EXPECT_EQ(activeWindow(), second);
    EXPECT_GT(outerFrame(x, *second).value_or(QRectF()).width(), 1000) << "Ledger's window was maximized";
    EXPECT_EQ(outerFrame(x, *front), before) << "the terminal was moved";

    EXPECT_EQ(perform({Action::quitApp("xterm")}), (ActionExecutor::Outcome{true, "Quit XTerm"}));
    EXPECT_TRUE(X11Session::waitUntil(
        [&] {
            const auto all = x.clientList();
            return std::find(all.begin(), all.end(), *front) == all.end();
        },
        5.0))
        << "the terminal stayed";
    QTest::qWait(300); // a close that went astray would land by now
    EXPECT_EQ(ledgerWindow(), second) << "quitting the terminal closed Ledger";
}

TEST_F(ExecutorX11Test, aWrapperWhoseAppNeverComesLeavesTheFrontWindowAlone) {
    const auto front = frontWindow("xterm,XTerm");
    ASSERT_TRUE(front);
    maximizeIsRefused("almanac", "Couldn't switch to Almanac", *front);
    EXPECT_EQ(activeWindow(), front);
}
