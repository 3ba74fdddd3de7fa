// The first run on the test desktop with the real wake key, recogniser and window
// layer: a fresh home opens onboarding, the user walks it with the keyboard and a
// spoken first command, finishing stores the login item, and the next start from
// it goes straight to the background.
#include "support/RoadDesktop.h"
#include "support/X11Frames.h"

#include "base/AppState.h"
#include "base/Prefs.h"
#include "flow/RequestFlow.h"
#include "platform/WindowSystem.h"
#include "ui/home/HomeWindowController.h"
#include "ui/onboarding/OnboardingController.h"

#include <QFile>
#include <QFileInfo>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class OnboardingRoadX11Test : public RoadDesktop {
protected:
    static constexpr uint8_t returnKey = 36;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RoadDesktop::SetUp());
        // A home that has never run Brisklet.
        const QString settings = Prefs::settingsPath();
        Prefs::reset(); // writes what it holds, so the file goes after it
        QFile::remove(settings);
        ASSERT_FALSE(QFileInfo::exists(settings));
    }
    OnboardingModel& model() { return delegate->onboarding()->model(); }
    std::vector<xcb_window_t> windowsTitled(const QString& title) {
        std::vector<xcb_window_t> found;
        for (auto w : x.clientList())
            if (x.windowTitle(w) == title)
                found.push_back(w);
        return found;
    }
    void press(uint8_t code) {
        for (const bool down : {true, false}) {
            xcb_test_fake_input(x.connection(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code,
                                XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
            xcb_flush(x.connection());
        }
    }
    // Return in the onboarding window, then the step it leads to.
    void forwardTo(int step) {
        press(returnKey);
        ASSERT_TRUE(X11Session::waitUntil([&] { return model().step() == step; }, 5))
            << "step " << model().step() << " instead of " << step;
    }
};

} // namespace

TEST_F(OnboardingRoadX11Test, aFreshHomeWalksTheFirstRunThenStartsInTheBackground) {
    // Two windows, so a spoken "sort windows" has something to tile.
    ASSERT_NE(x.startClient({"--title", "one", "--geometry", "300x200+40+40"}), 0u);
    ASSERT_NE(x.startClient({"--title", "two", "--geometry", "300x200+400+300"}), 0u);
    ASSERT_NO_FATAL_FAILURE(launch());

    std::vector<xcb_window_t> welcome;
    ASSERT_TRUE(
        X11Session::waitUntil([&] { return !(welcome = windowsTitled("Welcome to Brisklet")).empty(); }, 10))
        << "a fresh home opens onboarding";
    EXPECT_FALSE(delegate->home()->isVisible());
    ASSERT_NO_FATAL_FAILURE(waitUntilListening());
    ASSERT_TRUE(X11Session::waitUntil([&] { return model().micOK() && model().speechOK(); }, 10))
        << "microphone and speech read as granted";
    EXPECT_TRUE(model().axOK()) << "the test desktop has a window manager, XTEST and XInput";
    ASSERT_TRUE(platform->windowSystem().activate(welcome.front()));
    ASSERT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == welcome.front(); }, 5));

    ASSERT_NO_FATAL_FAILURE(forwardTo(1));
    EXPECT_EQ(model().style(), OnboardingRules::Style::hold);
    ASSERT_NO_FATAL_FAILURE(forwardTo(2));
    EXPECT_EQ(model().footerLabel(), "Skip");

    ASSERT_NO_FATAL_FAILURE(holdAndSay("sort windows"));
    ASSERT_TRUE(X11Session::waitUntil([&] { return model().commandSucceeded(); }, 15))
        << "the spoken command succeeded; commands run: " << delegate->appState()->commandsRun();
    EXPECT_EQ(model().footerLabel(), "Continue");
    ASSERT_TRUE(platform->windowSystem().activate(welcome.front()));
    ASSERT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == welcome.front(); }, 5));

    ASSERT_NO_FATAL_FAILURE(forwardTo(3));
    EXPECT_TRUE(model().magicScanned());
    ASSERT_NO_FATAL_FAILURE(forwardTo(4));
    EXPECT_EQ(model().footerLabel(), "Start using Brisklet");
    press(returnKey);
    ASSERT_TRUE(X11Session::waitUntil([&] { return windowsTitled("Welcome to Brisklet").empty(); }, 5))
        << "finishing closes the window";
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::onboarded));
    EXPECT_TRUE(delegate->home()->isVisible()) << "home follows the last step";
    EXPECT_FALSE(delegate->flow()->onboardingClapPreview());

    QFile autostart(qEnvironmentVariable("XDG_CONFIG_HOME") + "/autostart/brisklet.desktop");
    ASSERT_TRUE(autostart.open(QIODevice::ReadOnly)) << "the login item is stored";
    EXPECT_TRUE(autostart.readAll().contains("--autostart"));

    // The next start, as the login item makes it: nothing on screen.
    delegate.reset();
    ASSERT_TRUE(X11Session::waitUntil([&] { return windowsTitled("Brisklet").empty(); }, 5));
    ASSERT_NO_FATAL_FAILURE(launch());
    X11Session::waitUntil([] { return false; }, 1.0);
    EXPECT_FALSE(delegate->onboarding()->isVisible());
    EXPECT_FALSE(delegate->home()->isVisible());
    EXPECT_TRUE(windowsTitled("Welcome to Brisklet").empty());
    EXPECT_TRUE(windowsTitled("Brisklet").empty());
}
