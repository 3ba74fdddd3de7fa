// A spoken question that matches no command, end to end on the test desktop: the
// real wake key, recogniser and matcher, the Ask client over the loopback service,
// and the executor that runs the plan it answers with.
#include "shell/AppDelegate.h"

#include "base/AppState.h"
#include "base/Prefs.h"
#include "platform/AppLauncher.h"
#include "platform/SpeechRecognizer.h"
#include "platform/WindowSystem.h"
#include "support/FakeHttpServer.h"
#include "support/FileAudioBackend.h"
#include "support/FileMicPlatform.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/TestSignals.h"
#include "support/X11Frames.h"
#include "support/X11Session.h"
#include "ui/HUDController.h"
#include "voice/AudioEngine.h"
#include "voice/HotkeyEngine.h"
#include "voice/SpeechController.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <xcb/xtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

constexpr uint8_t rightSuper = 134; // the default wake key

class AskRoadX11Test : public ::testing::Test {
protected:
    X11Session x;
    TempHome home;
    QTemporaryDir runtime;
    QByteArray oldRuntime = qgetenv("XDG_RUNTIME_DIR");
    FakeHttpServer service;
    ScopedEnv url{"BRISKLET_SERVICE_URL", service.base().toUtf8()};
    ScopedEnv noKey{"ANTHROPIC_API_KEY", std::nullopt};
    FileMicPlatform* platform = nullptr;
    std::unique_ptr<AppDelegate> delegate;

    void SetUp() override {
        ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
        qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
        Prefs::setValue(Prefs::Key::onboarded, true);
        Prefs::setValue(Prefs::Key::clapWake, false);
        Prefs::setValue(Prefs::Key::askEnabled, true);
        Prefs::setValue(Prefs::Key::soundsEnabled, false);
        Prefs::setValue(Prefs::Key::wakeKeyCode, 54);
        installCalculator();

        auto p = std::make_unique<FileMicPlatform>();
        platform = p.get();
        delegate = std::make_unique<AppDelegate>(std::move(p), AppDelegate::Options{true});
        ASSERT_EQ(delegate->launch(), AppDelegate::LaunchResult::running);
        ASSERT_NE(platform->mic, nullptr);
        platform->mic->appendSamples(TestSignals::pinkNoise(0.5, 0.01f));
        ASSERT_TRUE(X11Session::waitUntil(
            [&] {
                return platform->recognizer()->isAvailable() && delegate->hotkeyEngine()->isActive() &&
                       delegate->audio()->isRunning();
            },
            30))
            << "speech model, wake key and microphone ready";
    }
    void TearDown() override {
        if (platform)
            platform->launcher()->quit("org.example.AskCalculator");
        delegate.reset();
        qputenv("XDG_RUNTIME_DIR", oldRuntime);
    }

    // A desktop entry named Calculator whose program is our test client.
    void installCalculator() {
        const QString folder = home.dataHome() + "/applications";
        QDir().mkpath(folder);
        QFile f(folder + "/org.example.AskCalculator.desktop");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Desktop Entry]\nType=Application\nName=Calculator\nStartupWMClass=AskCalculator\nExec=" +
                QByteArray(BRISKLET_XTESTCLIENT) +
                " --title Calculator --class askcalculator,AskCalculator\n");
    }

    void key(bool press) {
        xcb_test_fake_input(x.connection(), press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, rightSuper,
                            XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(x.connection());
    }
    // The key held while `text` is spoken, released shortly after the clip ends.
    void holdAndSay(const std::string& text) {
        key(true);
        ASSERT_TRUE(X11Session::waitUntil([&] { return delegate->speech()->isListening(); }, 5))
            << "a hold window opened";
        std::string error;
        auto clip = TestSignals::speech(text, &error, "slt");
        ASSERT_FALSE(clip.empty()) << error;
        auto noise = TestSignals::pinkNoise(0.3, 0.001f, 3);
        clip.insert(clip.begin(), noise.begin(), noise.end());
        clip.insert(clip.end(), noise.begin(), noise.end());
        platform->mic->appendSamples(clip);
        const std::size_t end = platform->mic->samplesQueued();
        ASSERT_TRUE(X11Session::waitUntil([&] { return platform->mic->samplesFed() >= end; }, 15));
        X11Session::waitUntil([] { return false; }, 0.2);
        key(false);
    }
    bool calculatorIsOpen() {
        for (xcb_window_t w : x.clientList())
            if (x.windowClass(w) == "askcalculator,AskCalculator")
                return true;
        return false;
    }
};

} // namespace

TEST_F(AskRoadX11Test, aFreeQuestionGoesToTheServiceAndItsPlanRuns) {
    service.enqueue(FakeHttpServer::Answer::ok(R"([{"type":"openApp","name":"Calculator"}])"));
    holdAndSay("what is seven times eight");
    ASSERT_TRUE(X11Session::waitUntil([&] { return !service.requests().empty(); }, 15))
        << "no request; the display says " << delegate->hud()->state().text.toStdString();
    const FakeHttpServer::Request& request = service.requests()[0];
    EXPECT_EQ(request.path, "/functions/v1/ask");
    EXPECT_FALSE(QJsonDocument::fromJson(request.body).object().value("phrase").toString().isEmpty());
    EXPECT_TRUE(X11Session::waitUntil([&] { return calculatorIsOpen(); }, 10))
        << delegate->hud()->state().text.toStdString();
    EXPECT_TRUE(X11Session::waitUntil([&] { return delegate->appState()->commandsRun() == 1; }, 5));
}
