#pragma once

// The whole app launched in-process on the test desktop: the real wake key,
// recogniser and window layer; only the microphone is a file player. Road tests
// derive from it, set their preferences and desktop entries, then launch.
#include "base/Prefs.h"
#include "platform/AppLauncher.h"
#include "platform/SpeechRecognizer.h"
#include "shell/AppDelegate.h"
#include "support/FileAudioBackend.h"
#include "support/FileMicPlatform.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/TestSignals.h"
#include "support/X11Session.h"
#include "voice/AudioEngine.h"
#include "voice/HotkeyEngine.h"
#include "voice/SpeechController.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <xcb/xtest.h>

#include <memory>
#include <string>
#include <vector>

namespace brisklet::test {

class RoadDesktop : public ::testing::Test {
protected:
    static constexpr uint8_t rightSuper = 134; // the default wake key

    X11Session x;
    TempHome home;
    ScopedRuntimeDir runtime;
    FileMicPlatform* platform = nullptr;
    std::unique_ptr<AppDelegate> delegate;
    // Desktop entries whose apps are quit before the app goes.
    QStringList appsToQuit;

    void SetUp() override {
        ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
        Prefs::setValue(Prefs::Key::onboarded, true);
        Prefs::setValue(Prefs::Key::soundsEnabled, false);
    }
    void TearDown() override {
        if (platform)
            for (const QString& id : appsToQuit)
                platform->launcher()->quit(id);
        delegate.reset();
    }

    void launch() {
        auto p = std::make_unique<FileMicPlatform>();
        platform = p.get();
        delegate = std::make_unique<AppDelegate>(std::move(p), AppDelegate::Options{true});
        ASSERT_EQ(delegate->launch(), AppDelegate::LaunchResult::running);
    }
    // Feeds the microphone a little noise and waits for everything a spoken request needs.
    void waitUntilListening() {
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

    // `after`: seconds the X server waits before it takes the event (XTEST's delay).
    void key(bool press, double after = 0) {
        xcb_test_fake_input(x.connection(), press ? XCB_KEY_PRESS : XCB_KEY_RELEASE, rightSuper,
                            uint32_t(after * 1000), XCB_NONE, 0, 0, 0);
        xcb_flush(x.connection());
    }
    // The key pressed and let go `seconds` later, as a finger does. The X server keeps
    // the finger's time: this process, the program's own, may be too busy to (a first
    // press keeps its main thread busy, and its other threads may wait for a turn).
    void tapKey(double seconds) {
        key(true);
        key(false, seconds);
    }
    // Queues `text` as speech with a little room noise around it; returns where it ends.
    std::size_t say(const std::string& text) {
        std::string error;
        auto clip = TestSignals::speech(text, &error, "slt");
        EXPECT_FALSE(clip.empty()) << error;
        auto noise = TestSignals::pinkNoise(0.3, 0.001f, 3);
        clip.insert(clip.begin(), noise.begin(), noise.end());
        clip.insert(clip.end(), noise.begin(), noise.end());
        platform->mic->appendSamples(clip);
        return platform->mic->samplesQueued();
    }
    bool playedUpTo(std::size_t samples, double timeout = 15) {
        return X11Session::waitUntil([&] { return platform->mic->samplesFed() >= samples; }, timeout);
    }
    // The key held while `text` is spoken, released 0.2 s after the clip ends.
    void holdAndSay(const std::string& text) {
        key(true);
        ASSERT_TRUE(X11Session::waitUntil([&] { return delegate->speech()->isListening(); }, 5))
            << "a hold window opened";
        ASSERT_EQ(delegate->speech()->mode(), SpeechController::Mode::hold);
        const std::size_t end = say(text);
        ASSERT_TRUE(playedUpTo(end));
        // The key goes up once the speech has reached the recogniser and been decoded,
        // as it has by the time a speaker lets go; a busy machine may lag behind.
        ASSERT_TRUE(X11Session::waitUntil(
            [&] {
                const auto& request = platform->recording->last;
                return delegate->audio()->bufferedSamples() < AudioEngine::chunkFrames && request &&
                       request->backlog() == 0;
            },
            60))
            << "the recogniser caught up with the speech";
        key(false);
    }

    std::vector<xcb_window_t> windowsOfClass(const QString& wmClass) {
        std::vector<xcb_window_t> found;
        for (auto w : x.clientList())
            if (x.windowClass(w) == wmClass)
                found.push_back(w);
        return found;
    }
};

} // namespace brisklet::test
