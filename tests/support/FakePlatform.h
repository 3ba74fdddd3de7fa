#pragma once

#include "actions/BrightnessControl.h"
#include "shell/PlatformFactory.h"
#include "support/FakeApps.h"
#include "support/FakeAudioBackend.h"
#include "support/FakeDesktop.h"
#include "support/FakeKeyTap.h"
#include "support/FakeMediaPlayers.h"
#include "support/FakeRecognizer.h"
#include "support/FakeSleepWatcher.h"
#include "support/FakeSoundAnalyzer.h"
#include "support/FakeSoundOutput.h"
#include "support/FakeSystemActions.h"

#include <memory>

namespace brisklet::test {

// Fakes for every platform piece the app is composed from, on the system clock;
// remembers the key tap and audio backend it handed out. No brightness engines.
class FakePlatform : public PlatformFactory {
public:
    FakeDesktop desktop{Clock::system()};
    FakeOwnWindows own;
    FakeLauncher launcherFake{desktop, Clock::system()};
    FakeApps installed{desktop};
    FakeSystemActions system;
    FakeMediaPlayers players;
    FakeSleepWatcher sleep;
    FakeSoundOutput sound;
    FakeRecognizer speech;
    FakeKeyTap* keyTap = nullptr;
    FakeAudioBackend* audioBackend = nullptr;

    std::unique_ptr<platform::AudioBackend> makeAudioBackend() override {
        auto backend = std::make_unique<FakeAudioBackend>();
        audioBackend = backend.get();
        return backend;
    }
    std::unique_ptr<platform::SoundAnalyzer> makeSoundAnalyzer() override {
        return std::make_unique<FakeSoundAnalyzer>();
    }
    std::unique_ptr<platform::KeyTap> makeKeyTap() override {
        auto tap = std::make_unique<FakeKeyTap>();
        keyTap = tap.get();
        return tap;
    }
    std::unique_ptr<BrightnessControl> makeBrightness() override {
        return std::make_unique<BrightnessControl>(
            [] { return std::unique_ptr<platform::BrightnessEngine>(); },
            [] { return std::unique_ptr<platform::BrightnessEngine>(); }, Clock::system(),
            [] { return true; });
    }
    platform::SpeechRecognizer* recognizer() override { return &speech; }
    platform::InstalledApps& installedApps() override { return installed; }
    platform::RunningApps* runningApps() override { return nullptr; }
    platform::WindowSystem& windowSystem() override { return desktop; }
    platform::OwnWindows* ownWindows() override { return &own; }
    platform::AppLauncher* launcher() override { return &launcherFake; }
    platform::SystemActions* systemActions() override { return &system; }
    platform::MediaPlayers* mediaPlayers() override { return &players; }
    platform::SleepWatcher* sleepWatcher() override { return &sleep; }
    platform::SoundOutput* soundOutput() override { return &sound; }
};

} // namespace brisklet::test
