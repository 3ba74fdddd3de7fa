#pragma once

#include "shell/PlatformFactory.h"

#include <memory>

namespace brisklet::platform {
class PortalAppearance;
}

namespace brisklet {

// The Linux desktop: X11 windows and wake key, XDG apps, PulseAudio microphone,
// PocketSphinx, MPRIS players, logind. Made on first use, so an instance that
// defers to another never opens a display connection or loads the speech model.
class LinuxPlatform final : public PlatformFactory {
public:
    LinuxPlatform();
    ~LinuxPlatform() override;

    std::unique_ptr<platform::AudioBackend> makeAudioBackend() override;
    std::unique_ptr<platform::SoundAnalyzer> makeSoundAnalyzer() override;
    std::unique_ptr<platform::KeyTap> makeKeyTap() override;
    std::unique_ptr<BrightnessControl> makeBrightness() override;
    platform::SpeechRecognizer* recognizer() override;
    platform::InstalledApps& installedApps() override;
    platform::RunningApps* runningApps() override;
    platform::WindowSystem& windowSystem() override;
    platform::OwnWindows* ownWindows() override;
    platform::AppLauncher* launcher() override;
    platform::SystemActions* systemActions() override;
    platform::MediaPlayers* mediaPlayers() override;
    platform::SleepWatcher* sleepWatcher() override;
    platform::SoundOutput* soundOutput() override;
    platform::BrowserLauncher* browserLauncher() override;
    platform::AppearanceSwitch* appearanceSwitch() override;
    platform::SecretStore* secretStore() override;
    platform::Notifications* notifications() override;
    platform::Permissions* permissions() override;
    platform::LoginItem* loginItem() override;
    platform::DesktopAppearance* appearance() override;
    platform::WindowLook* windowLook() override;
    platform::AppIconSource* appIcons() override;
    platform::AppUsageHistory* appUsageHistory() override;

private:
    struct Parts;
    Parts& parts();
    // The appearance first: the parts read it until they go.
    std::unique_ptr<platform::PortalAppearance> appearance_;
    std::unique_ptr<Parts> parts_;
};

} // namespace brisklet
