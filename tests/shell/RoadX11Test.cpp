// One request end to end, in-process, on the test desktop: the real wake key,
// clap detector, sound analyser, recogniser, matcher, executor and window layer;
// only the microphone is a file player fed with generated speech and claps.
#include "shell/AppDelegate.h"

#include "actions/BrightnessControl.h"
#include "base/AppState.h"
#include "base/Prefs.h"
#include "flow/RequestFlow.h"
#include "platform/AudioBackend.h"
#include "platform/KeyTap.h"
#include "platform/SoundAnalyzer.h"
#include "platform/WindowSystem.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"
#include "shell/LinuxPlatform.h"
#include "support/DesktopEntryFixture.h"
#include "support/RoadDesktop.h"
#include "support/TestSignals.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "ui/design/FloatingPanel.h"
#include "ui/hud/HUDController.h"
#include "voice/AudioEngine.h"
#include "voice/SpeechController.h"

#include <QFile>
#include <QQuickItem>
#include <QTemporaryDir>
#include <QWindow>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class RoadX11Test : public RoadDesktop {
protected:
    QTemporaryDir files;
    xcb_window_t victim = 0;
    QString keyLog;

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RoadDesktop::SetUp());
        Prefs::setValue(Prefs::Key::clapWake, true);
        Prefs::setValue(Prefs::Key::fusionDisabled, false);
        Prefs::setValue(Prefs::Key::askEnabled, false);
        Prefs::setValue(Prefs::Key::wakeKeyCode, 54);
        // A desktop entry whose program is our test client.
        writeTestClientEntry("org.example.Viewer", "Calculator",
                             {"--title", "Viewer", "--class", "roadviewer,RoadViewer"}, "RoadViewer");
        appsToQuit = {"org.example.Viewer"};

        keyLog = files.filePath("keys.log");
        victim = x.startClient({"--title", "victim", "--key-log", keyLog, "--geometry", "300x200+200+150"});
        ASSERT_NE(victim, 0u);

        ASSERT_NO_FATAL_FAILURE(launch());
        ASSERT_NO_FATAL_FAILURE(waitUntilListening());

        ASSERT_TRUE(platform->windowSystem().activate(victim));
        ASSERT_TRUE(X11Session::waitUntil([&] { return activeWindow(x) == victim; }, 5));
    }

    bool commandsRunReaches(int n) {
        return X11Session::waitUntil([&] { return delegate->appState()->commandsRun() >= n; }, 15);
    }
    QRectF workArea() {
        auto cookie =
            xcb_get_property(x.connection(), 0, x.root(), x.atom("_NET_WORKAREA"), XCB_ATOM_CARDINAL, 0, 4);
        auto* r = xcb_get_property_reply(x.connection(), cookie, nullptr);
        QRectF area;
        if (r && xcb_get_property_value_length(r) >= 16) {
            auto* v = static_cast<uint32_t*>(xcb_get_property_value(r));
            area = QRectF(v[0], v[1], v[2], v[3]);
        }
        std::free(r);
        return area;
    }
    bool victimHeardTheWakeKey() {
        QFile f(keyLog);
        return f.open(QIODevice::ReadOnly) && f.readAll().contains(" 134");
    }
    std::string hudText() { return delegate->hud()->state().text.toStdString(); }
    int victimButtonPresses() {
        QFile f(keyLog);
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count("button 1")) : -1;
    }
    // The heads-up display's own X window, once it exists.
    QWindow* hudView() {
        auto* panel = dynamic_cast<FloatingPanel*>(delegate->hud()->surface());
        return panel ? panel->window() : nullptr;
    }
    bool mappedOverrideRedirect(xcb_window_t window) {
        auto* attrs = xcb_get_window_attributes_reply(
            x.connection(), xcb_get_window_attributes(x.connection(), window), nullptr);
        const bool ok = attrs && attrs->override_redirect && attrs->map_state == XCB_MAP_STATE_VIEWABLE;
        std::free(attrs);
        return ok;
    }
};

QQuickItem* findItem(QQuickItem* under, const QString& name) {
    for (QQuickItem* child : under->childItems()) {
        if (child->objectName() == name)
            return child;
        if (QQuickItem* found = findItem(child, name))
            return found;
    }
    return nullptr;
}

} // namespace

TEST_F(RoadX11Test, holdingTheWakeKeyAndSayingMaximizeMaximizesTheFocusedWindow) {
    holdAndSay("maximize");
    ASSERT_TRUE(commandsRunReaches(1)) << hudText();
    const QRectF area = workArea();
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, victim), area, 16); }, 5))
        << "frame " << outerFrame(x, victim)->width() << "x" << outerFrame(x, victim)->height();
    EXPECT_EQ(delegate->hud()->state().kind, HUDState::Kind::done);
    EXPECT_FALSE(victimHeardTheWakeKey());
}

TEST_F(RoadX11Test, holdingTheWakeKeyAndSayingLeftHalfMovesTheWindow) {
    holdAndSay("left half");
    ASSERT_TRUE(commandsRunReaches(1)) << hudText();
    const QRectF area = workArea();
    const QRectF left(area.x(), area.y(), area.width() / 2, area.height());
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, victim), left, 16); }, 5));
}

TEST_F(RoadX11Test, holdingTheWakeKeyAndSayingOpenCalculatorOpensTheApp) {
    holdAndSay("open calculator");
    const bool ran = commandsRunReaches(1);
    auto d = static_cast<platform::PocketSphinxRecognizer*>(platform->linux.recognizer())->lastDecision();
    ASSERT_TRUE(ran) << hudText() << " vocab " << delegate->vocabulary().join("|").toStdString() << " G "
                     << d.grammarText.toStdString() << " " << d.scorePerFrame << " " << d.coverage << " L "
                     << d.generalText.toStdString();
    EXPECT_TRUE(X11Session::waitUntil([&] { return !windowsOfClass("roadviewer,RoadViewer").empty(); }, 10));
}

TEST_F(RoadX11Test, aDoubleClapThenAPhraseMovesTheWindow) {
    std::vector<float> claps = TestSignals::pinkNoise(3.0, 0.01f, 5);
    TestSignals::addClap(claps, 1.5);
    TestSignals::addClap(claps, 1.85, 0.6f, 11);
    platform->mic->appendSamples(claps);
    ASSERT_TRUE(X11Session::waitUntil([&] { return delegate->speech()->isListening(); }, 10))
        << "the double clap opened a window";
    EXPECT_EQ(delegate->speech()->mode(), SpeechController::Mode::timed);
    say("left half");
    ASSERT_TRUE(commandsRunReaches(1)) << hudText();
    const QRectF area = workArea();
    const QRectF left(area.x(), area.y(), area.width() / 2, area.height());
    EXPECT_TRUE(X11Session::waitUntil([&] { return near(*outerFrame(x, victim), left, 16); }, 5));
}

TEST_F(RoadX11Test, aTappedKeyListensHandsFreeAndAQuestionIsAMissWhileAskIsOff) {
    // The first press after the start: the program may take a while to show that it
    // listens, but the finger is quick all the same.
    tapKey(0.15);
    ASSERT_TRUE(
        X11Session::waitUntil([&] { return delegate->speech()->mode() == SpeechController::Mode::open; }, 10))
        << "the tap made the window hands-free";
    const std::size_t end = say("what is the weather like tomorrow");
    ASSERT_TRUE(playedUpTo(end));
    ASSERT_TRUE(
        X11Session::waitUntil([&] { return delegate->hud()->state().kind == HUDState::Kind::miss; }, 10))
        << hudText();
    EXPECT_FALSE(delegate->hud()->state().text.isEmpty());
    EXPECT_EQ(delegate->appState()->commandsRun(), 0);
}

TEST_F(RoadX11Test, whilePausedTheWakeKeyReachesTheFocusedWindowAndNothingListens) {
    delegate->flow()->togglePause();
    key(true);
    X11Session::waitUntil([] { return false; }, 0.3);
    key(false);
    EXPECT_TRUE(X11Session::waitUntil([&] { return victimHeardTheWakeKey(); }, 5));
    EXPECT_FALSE(delegate->speech()->isListening());
    EXPECT_FALSE(delegate->audio()->isRunning());
}

TEST_F(RoadX11Test, theHeadsUpDisplayShowsEachStepWithoutTakingFocusAndLetsClicksThroughUnlessItAsks) {
    QStringList kinds;
    bool focusKept = true;
    HUDModel& model = delegate->hud()->model();
    QObject::connect(&model, &HUDModel::stateChanged, [&] {
        if (kinds.isEmpty() || kinds.last() != model.stateKey())
            kinds << model.stateKey();
        focusKept = focusKept && activeWindow(x) == victim;
    });
    holdAndSay("maximize");
    ASSERT_TRUE(commandsRunReaches(1)) << hudText();
    ASSERT_TRUE(X11Session::waitUntil([&] { return model.stateKey() == "done"; }, 5)) << hudText();
    ASSERT_GE(kinds.size(), 3) << kinds.join(' ').toStdString();
    EXPECT_EQ(kinds.first(), "listening") << kinds.join(' ').toStdString();
    EXPECT_LT(kinds.indexOf("listening"), kinds.indexOf("heard")) << kinds.join(' ').toStdString();
    EXPECT_EQ(kinds.last(), "done") << kinds.join(' ').toStdString();
    EXPECT_TRUE(focusKept);

    QWindow* view = hudView();
    ASSERT_NE(view, nullptr);
    const auto hudWindow = xcb_window_t(view->winId());
    EXPECT_TRUE(X11Session::waitUntil([&] { return mappedOverrideRedirect(hudWindow); }, 2))
        << "shown, outside the window manager's care";
    EXPECT_EQ(activeWindow(x), victim);
    // Centred 48 above the bottom of the focused window's work area.
    const QRectF area = workArea();
    EXPECT_NEAR(view->x() + view->width() / 2.0, area.center().x(), 1);
    EXPECT_NEAR(view->y() + view->height(), area.bottom() - 48, 1);
    // It goes by itself.
    EXPECT_TRUE(X11Session::waitUntil([&] { return !view->isVisible(); }, 3));

    // A notice over the (maximized) window lets a click through to it.
    const int before = victimButtonPresses();
    delegate->hud()->show(HUDState::info(QStringLiteral("Clicks pass through")));
    ASSERT_TRUE(X11Session::waitUntil([&] { return mappedOverrideRedirect(hudWindow); }, 2));
    x.click(view->geometry().center());
    EXPECT_TRUE(X11Session::waitUntil([&] { return victimButtonPresses() == before + 1; }, 3))
        << "the click reached the window below";

    // A question takes the click on its button; the window below hears nothing.
    int runs = 0;
    delegate->hud()->showConfirm(
        QStringLiteral("Close 4 windows?"), [&] { ++runs; }, [] {});
    QQuickItem* runIt = nullptr;
    ASSERT_TRUE(X11Session::waitUntil(
        [&] {
            return (runIt = findItem(view->property("contentItem").value<QQuickItem*>(),
                                     QStringLiteral("runIt"))) &&
                   runIt->isVisible();
        },
        3));
    X11Session::waitUntil([] { return false; }, 0.5); // the content's transition settles
    const QPointF inView = runIt->mapToScene(QPointF(runIt->width() / 2, runIt->height() / 2));
    x.click(view->position() + inView.toPoint());
    EXPECT_TRUE(X11Session::waitUntil([&] { return runs == 1; }, 3)) << "the question took the click";
    X11Session::waitUntil([] { return false; }, 0.3);
    EXPECT_EQ(victimButtonPresses(), before + 1);
    EXPECT_EQ(activeWindow(x), victim) << "answering takes no focus";
}
