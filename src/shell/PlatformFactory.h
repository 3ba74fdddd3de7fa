#pragma once

#include <QString>
#include <memory>

namespace brisklet {

class BrightnessControl;

namespace platform {
class AppIconSource;
class AppLauncher;
class AppearanceSwitch;
class AppUsageHistory;
class BrowserLauncher;
class AudioBackend;
class DesktopAppearance;
class WindowLook;
class InstalledApps;
class KeyTap;
class LoginItem;
class MediaPlayers;
class Notifications;
class OwnWindows;
class Permissions;
class RunningApps;
class SecretStore;
class SleepWatcher;
class SoundAnalyzer;
class SoundOutput;
class SpeechRecognizer;
class SystemActions;
class WindowSystem;
} // namespace platform

// Where the composition root gets the desktop from: the Linux layer in the app,
// fakes or a recording file microphone in tests. Pieces handed out by reference
// belong to the factory, which outlives every component built over them.
class PlatformFactory {
public:
    virtual ~PlatformFactory() = default;

    virtual std::unique_ptr<platform::AudioBackend> makeAudioBackend() = 0;
    virtual std::unique_ptr<platform::SoundAnalyzer> makeSoundAnalyzer() = 0;
    virtual std::unique_ptr<platform::KeyTap> makeKeyTap() = 0;
    virtual std::unique_ptr<BrightnessControl> makeBrightness() = 0;
    // Null: no recogniser on this machine.
    virtual platform::SpeechRecognizer* recognizer() = 0;
    virtual platform::InstalledApps& installedApps() = 0;
    virtual platform::RunningApps* runningApps() = 0;
    virtual platform::WindowSystem& windowSystem() = 0;
    virtual platform::OwnWindows* ownWindows() = 0;
    virtual platform::AppLauncher* launcher() = 0;
    virtual platform::SystemActions* systemActions() = 0;
    virtual platform::MediaPlayers* mediaPlayers() = 0;
    virtual platform::SleepWatcher* sleepWatcher() = 0;
    virtual platform::SoundOutput* soundOutput() = 0;
    // Null: pages open nowhere.
    virtual platform::BrowserLauncher* browserLauncher() { return nullptr; }
    // Null: the desktop's light or dark appearance can't be switched.
    virtual platform::AppearanceSwitch* appearanceSwitch() { return nullptr; }
    // Null: no keyring (nothing stored survives the run).
    virtual platform::SecretStore* secretStore() { return nullptr; }
    // Null: no alerts, no permission pages, no login item.
    virtual platform::Notifications* notifications() { return nullptr; }
    virtual platform::Permissions* permissions() { return nullptr; }
    virtual platform::LoginItem* loginItem() { return nullptr; }
    // Null: the usage scan sees no launch counts and no dock.
    virtual platform::AppUsageHistory* appUsageHistory() { return nullptr; }
    // Null: the desktop's dark mode and reduced motion are not followed.
    virtual platform::DesktopAppearance* appearance() { return nullptr; }
    // Null: panels fade as over a compositor, title bars keep their own variant.
    virtual platform::WindowLook* windowLook() { return nullptr; }
    // Null: apps are shown with the placeholder icon.
    virtual platform::AppIconSource* appIcons() { return nullptr; }
};

} // namespace brisklet
