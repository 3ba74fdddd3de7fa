#include "shell/LinuxPlatform.h"

#include "actions/BrightnessControl.h"
#include "platform/linux/BacklightBrightness.h"
#include "platform/linux/DBusNotifications.h"
#include "platform/linux/DesktopPermissions.h"
#include "platform/linux/DesktopUsageHistory.h"
#include "platform/linux/GammaBrightness.h"
#include "platform/linux/GsettingsAppearance.h"
#include "platform/linux/HeuristicSoundAnalyzer.h"
#include "platform/linux/LibsecretStore.h"
#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxSystemActions.h"
#include "platform/linux/LogindSleepWatcher.h"
#include "platform/linux/MprisPlayers.h"
#include "platform/linux/PortalAppearance.h"
#include "platform/linux/PosixProcessRunner.h"
#include "platform/linux/PulseAudioInput.h"
#include "platform/linux/PulseSampleOutput.h"
#include "platform/linux/X11WindowLook.h"
#include "platform/linux/XcbKeyTap.h"
#include "platform/linux/XdgAppIcons.h"
#include "platform/linux/XdgBrowserLauncher.h"
#include "platform/linux/XdgInstalledApps.h"
#include "platform/linux/XdgLoginItem.h"
#include "platform/linux/speech/PocketSphinxRecognizer.h"

namespace brisklet {

struct LinuxPlatform::Parts {
    platform::XdgInstalledApps installed;
    platform::LinuxDesktop desktop{[this] { return installed.entries(); }};
    platform::PosixProcessRunner runner;
    platform::LinuxSystemActions system{runner};
    platform::XdgBrowserLauncher browsers{[this] { return installed.entries(); }, &runner};
    platform::GsettingsAppearance appearance{runner};
    platform::MprisPlayers players;
    platform::LogindSleepWatcher sleep;
    platform::PulseSampleOutput sound;
    platform::LibsecretStore secrets;
    platform::PocketSphinxRecognizer recognizer;
    platform::DBusNotifications notifications;
    platform::DesktopPermissions permissions{installed};
    platform::XdgLoginItem loginItem;
    platform::XdgAppIcons icons{installed};
    platform::DesktopUsageHistory usage{&runner};
    platform::X11WindowLook look;
    Parts() { recognizer.load(); }
    ~Parts() { recognizer.shutdown(); }
};

LinuxPlatform::LinuxPlatform() = default;
LinuxPlatform::~LinuxPlatform() = default;

LinuxPlatform::Parts& LinuxPlatform::parts() {
    if (!parts_) {
        parts_ = std::make_unique<Parts>();
        // Glides follow the desktop's reduced motion as it changes, as the views do.
        parts_->desktop.ownWindows().followAppearance(appearance());
    }
    return *parts_;
}

std::unique_ptr<platform::AudioBackend> LinuxPlatform::makeAudioBackend() {
    return std::make_unique<platform::PulseAudioInput>();
}
std::unique_ptr<platform::SoundAnalyzer> LinuxPlatform::makeSoundAnalyzer() {
    return std::make_unique<platform::HeuristicSoundAnalyzer>();
}
std::unique_ptr<platform::KeyTap> LinuxPlatform::makeKeyTap() {
    return std::make_unique<platform::XcbKeyTap>();
}
std::unique_ptr<BrightnessControl> LinuxPlatform::makeBrightness() {
    platform::OwnWindows* own = ownWindows();
    return std::make_unique<BrightnessControl>(
        [] { return std::make_unique<platform::BacklightBrightness>(); },
        [] { return std::make_unique<platform::GammaBrightness>(); }, Clock::system(),
        [own] { return own->reduceMotion(); });
}
platform::SpeechRecognizer* LinuxPlatform::recognizer() {
    return &parts().recognizer;
}
platform::InstalledApps& LinuxPlatform::installedApps() {
    return parts().installed;
}
platform::RunningApps* LinuxPlatform::runningApps() {
    return &parts().desktop.runningApps();
}
platform::WindowSystem& LinuxPlatform::windowSystem() {
    return parts().desktop.windows();
}
platform::OwnWindows* LinuxPlatform::ownWindows() {
    return &parts().desktop.ownWindows();
}
platform::AppLauncher* LinuxPlatform::launcher() {
    return &parts().desktop.launcher();
}
platform::SystemActions* LinuxPlatform::systemActions() {
    return &parts().system;
}
platform::MediaPlayers* LinuxPlatform::mediaPlayers() {
    return &parts().players;
}
platform::SleepWatcher* LinuxPlatform::sleepWatcher() {
    return &parts().sleep;
}
platform::SoundOutput* LinuxPlatform::soundOutput() {
    return &parts().sound;
}

platform::SecretStore* LinuxPlatform::secretStore() {
    return &parts().secrets;
}
platform::Notifications* LinuxPlatform::notifications() {
    return &parts().notifications;
}
platform::Permissions* LinuxPlatform::permissions() {
    return &parts().permissions;
}
platform::LoginItem* LinuxPlatform::loginItem() {
    return &parts().loginItem;
}

platform::WindowLook* LinuxPlatform::windowLook() {
    return &parts().look;
}

platform::DesktopAppearance* LinuxPlatform::appearance() {
    if (!appearance_)
        appearance_ = std::make_unique<platform::PortalAppearance>();
    return appearance_.get();
}

platform::AppUsageHistory* LinuxPlatform::appUsageHistory() {
    return &parts().usage;
}

platform::BrowserLauncher* LinuxPlatform::browserLauncher() {
    return &parts().browsers;
}

platform::AppIconSource* LinuxPlatform::appIcons() {
    return &parts().icons;
}

platform::AppearanceSwitch* LinuxPlatform::appearanceSwitch() {
    return &parts().appearance;
}

} // namespace brisklet
