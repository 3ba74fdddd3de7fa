// The Settings pane's reach into the running app: the login item, the keyring,
// the permission checks and the sound preview. The wake callbacks come through the
// home window's own callbacks (connectWindows).
#include "shell/AppDelegate.h"

#include "platform/Apps.h"
#include "platform/BrowserLauncher.h"
#include "shell/MainMenu.h"
#include "shell/SpeechModel.h"
#include "ui/home/HomeWindowController.h"
#include "ui/settings/SettingsServices.h"
#include "voice/AudioEngine.h"
#include "voice/Chime.h"
#include "voice/HotkeyEngine.h"

#include <QPointer>

namespace brisklet {

namespace {

// The browser's shown name from its desktop entry; the ID when no entry names it.
std::optional<SettingsServices::Browser> browserOf(platform::BrowserLauncher* launcher,
                                                   platform::InstalledApps& apps) {
    const std::optional<QString> id = launcher ? launcher->defaultBrowser() : std::nullopt;
    if (!id)
        return std::nullopt;
    for (const auto& entry : apps.installedApps()) {
        if (entry.id == *id)
            return SettingsServices::Browser{*id, entry.name};
    }
    return SettingsServices::Browser{*id, {}};
}

} // namespace

void AppDelegate::connectSettings() {
    SettingsServices& services = home_->settings();
    QPointer<AppDelegate> self(this);
    services.loginItem = platform_->loginItem();
    services.secrets = platform_->secretStore();
    services.permissions = platform_->permissions();
    services.playSound = [self](const QString& id, double volume) {
        if (self && self->chime_)
            self->chime_->preview(id, volume);
    };
    using Grant = SettingsServices::Grant;
    // No consent to wait for here: a microphone and a model are there or not.
    services.microphone = [self] {
        AudioEngine* audio = self ? self->liveAudio() : nullptr;
        return audio && audio->inputAvailable() ? Grant::granted : Grant::denied;
    };
    platform::SpeechRecognizer* recognizer = platform_->recognizer();
    services.speech = [recognizer] {
        switch (speechModelOf(recognizer)) {
        case SpeechModel::loading:
            return Grant::notDetermined;
        case SpeechModel::ready:
            return Grant::granted;
        case SpeechModel::off:
            break;
        }
        return Grant::denied;
    };
    services.accessibility = [self] {
        return self && self->hotkeyEngine_ && self->hotkeyEngine_->isTrusted();
    };
    // The factory outlives every component, so its pieces may be used from the pool.
    platform::BrowserLauncher* launcher = platform_->browserLauncher();
    platform::InstalledApps* apps = &platform_->installedApps();
    services.defaultBrowser = [launcher, apps] { return browserOf(launcher, *apps); };
    services.openHelp = [] { MainMenu::openHelp(); };
    services.reportProblem = [] { MainMenu::reportProblem(); };
}

} // namespace brisklet
