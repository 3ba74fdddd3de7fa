// Phrasings with a name in them, spoken into the test microphone while the wake key
// is held, heard by the real recogniser and carried out by the app on the test
// desktop: new names nobody set up before, and an app named after a verb.
#include "shell/AppDelegate.h"

#include "base/AppState.h"
#include "base/Prefs.h"
#include "flow/HUDState.h"
#include "flow/RequestFlow.h"
#include "platform/AppLauncher.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "support/DesktopEntryFixture.h"
#include "support/RoadDesktop.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "ui/hud/HUDController.h"
#include "ui/setups/CapturePreviewModel.h"
#include "ui/setups/SetupCaptureController.h"
#include "windows/LayoutStore.h"

#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class SpokenPhrasingsRoadX11Test : public RoadDesktop {
protected:
    static constexpr const char* viewerClass = "roadviewer,RoadViewer";

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RoadDesktop::SetUp());
        Prefs::setValue(Prefs::Key::askEnabled, false);
        // An app the desktop knows as "Calculator", whose program is our test client.
        writeTestClientEntry("org.example.Viewer", "Calculator",
                             {"--title", "Viewer", "--class", viewerClass, "--geometry", "300x200+100+100"},
                             "RoadViewer");
        appsToQuit = {"org.example.Viewer"};
        ASSERT_NO_FATAL_FAILURE(launch());
        ASSERT_NO_FATAL_FAILURE(waitUntilListening());
    }

    // What the HUD shows, and how the recogniser came to it.
    std::string heard() const {
        const auto d =
            static_cast<platform::PocketSphinxRecognizer*>(platform->linux.recognizer())->lastDecision();
        return delegate->hud()->state().text.toStdString() + " (phrases \"" + d.fixed.raw.toStdString() +
               "\" " + std::to_string(d.fixed.scorePerFrame) + ", free slots \"" +
               d.shapes.raw.toStdString() + "\" " + std::to_string(d.shapes.scorePerFrame) + " sure " +
               std::to_string(d.shapes.freeSure) + ", general \"" + d.generalText.toStdString() + "\")";
    }
    // The app has finished with what came before: nothing listens and the display is gone.
    bool settled() {
        return X11Session::waitUntil(
            [&] { return !delegate->speech()->isListening() && !delegate->hud()->isVisible(); }, 15);
    }
    xcb_window_t openViewer() {
        delegate->flow()->performActions({Action::openApp("Calculator")});
        xcb_window_t found = 0;
        X11Session::waitUntil(
            [&] {
                const auto windows = windowsOfClass(viewerClass);
                found = windows.empty() ? 0 : windows.front();
                return found != 0;
            },
            10);
        return settled() ? found : 0;
    }
};

} // namespace

TEST_F(SpokenPhrasingsRoadX11Test, aNewLayoutNameIsSavedAndANewSetupNameStartsItsCapture) {
    ASSERT_NE(openViewer(), 0u) << "a window for the layout to hold";
    holdAndSay("save layout as reading");
    EXPECT_TRUE(X11Session::waitUntil(
        [&] {
            const auto names = delegate->layouts()->cachedNames();
            return std::find(names.begin(), names.end(), QStringLiteral("reading")) != names.end();
        },
        15))
        << heard();

    ASSERT_TRUE(settled()) << heard();
    holdAndSay("create a setup called weekend");
    EXPECT_TRUE(X11Session::waitUntil(
        [&] {
            auto* preview = delegate->captureController()->preview();
            return preview && preview->name().compare(QLatin1String("weekend"), Qt::CaseInsensitive) == 0;
        },
        15))
        << heard();
}

TEST_F(SpokenPhrasingsRoadX11Test, playTakesAnyQuery) {
    holdAndSay("play jazz");
    EXPECT_TRUE(X11Session::waitUntil(
        [&] { return delegate->hud()->state().text.contains(QLatin1String("jazz"), Qt::CaseInsensitive); },
        15))
        << heard();
}

TEST_F(SpokenPhrasingsRoadX11Test, maximizingAnAppByNameMaximizesItsWindow) {
    const xcb_window_t viewer = openViewer();
    ASSERT_NE(viewer, 0u);
    holdAndSay("maximize calculator");
    const QRectF area = platform->windowSystem().displays().front().visibleFrame;
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, viewer), area, 16); }, 15)) << heard();
}

// A quit is taken only where the general model heard its verb too ("quit" is often
// heard as "the"): then the app stays and the display says nothing was run, never
// another action.
TEST_F(SpokenPhrasingsRoadX11Test, everyQuitVerbQuitsTheNamedAppOrIsMissed) {
    int quit = 0;
    for (const char* verb : {"quit", "close", "kill", "shut down", "stop", "end"}) {
        if (windowsOfClass(viewerClass).empty()) {
            ASSERT_NE(openViewer(), 0u) << verb;
        }
        const int ran = delegate->appState()->commandsRun();
        holdAndSay(std::string(verb) + " calculator");
        if (X11Session::waitUntil([&] { return windowsOfClass(viewerClass).empty(); }, 15)) {
            ++quit;
            continue;
        }
        EXPECT_EQ(delegate->hud()->state().kind, HUDState::Kind::miss) << verb << ": " << heard();
        EXPECT_EQ(delegate->appState()->commandsRun(), ran) << verb << ": " << heard();
        ASSERT_TRUE(settled()) << heard();
    }
    EXPECT_GE(quit, 4) << "of 6 quit verbs";
}
