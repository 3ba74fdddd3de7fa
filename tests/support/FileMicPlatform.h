#pragma once

#include "actions/BrightnessControl.h"
#include "platform/AudioBackend.h"
#include "platform/KeyTap.h"
#include "platform/SoundAnalyzer.h"
#include "shell/LinuxPlatform.h"
#include "support/FileAudioBackend.h"
#include "support/RecordingRecognizer.h"

#include <memory>

namespace brisklet::test {

// The Linux desktop, except that the microphone plays what the test queues (in
// real time, as a microphone would), and the recogniser's latest request is kept so
// a test can wait until it has caught up with the audio.
struct FileMicPlatform final : PlatformFactory {
    LinuxPlatform linux;
    FileAudioBackend* mic = nullptr;
    std::unique_ptr<RecordingRecognizer> recording;

    std::unique_ptr<platform::AudioBackend> makeAudioBackend() override {
        auto backend = std::make_unique<FileAudioBackend>(FileAudioBackend::Pace::realTime);
        mic = backend.get();
        return backend;
    }
    std::unique_ptr<platform::SoundAnalyzer> makeSoundAnalyzer() override {
        return linux.makeSoundAnalyzer();
    }
    std::unique_ptr<platform::KeyTap> makeKeyTap() override { return linux.makeKeyTap(); }
    std::unique_ptr<BrightnessControl> makeBrightness() override { return linux.makeBrightness(); }
    platform::SpeechRecognizer* recognizer() override {
        if (!recording)
            if (platform::SpeechRecognizer* inner = linux.recognizer())
                recording = std::make_unique<RecordingRecognizer>(*inner);
        return recording.get();
    }
    platform::InstalledApps& installedApps() override { return linux.installedApps(); }
    platform::RunningApps* runningApps() override { return linux.runningApps(); }
    platform::WindowSystem& windowSystem() override { return linux.windowSystem(); }
    platform::OwnWindows* ownWindows() override { return linux.ownWindows(); }
    platform::AppLauncher* launcher() override { return linux.launcher(); }
    platform::SystemActions* systemActions() override { return linux.systemActions(); }
    platform::MediaPlayers* mediaPlayers() override { return linux.mediaPlayers(); }
    platform::SleepWatcher* sleepWatcher() override { return linux.sleepWatcher(); }
    platform::SoundOutput* soundOutput() override { return linux.soundOutput(); }
    platform::SecretStore* secretStore() override { return linux.secretStore(); }
    platform::BrowserLauncher* browserLauncher() override { return linux.browserLauncher(); }
    platform::AppearanceSwitch* appearanceSwitch() override { return linux.appearanceSwitch(); }
    platform::Permissions* permissions() override { return linux.permissions(); }
    platform::LoginItem* loginItem() override { return linux.loginItem(); }
};

} // namespace brisklet::test
