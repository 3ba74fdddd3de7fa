// The Settings pane's sections over a launched app: each change reaches what it
// drives without a restart — the wake key and clap pipeline, the clap detector's
// meter, the chime, the login item, the keyring and the permission checks.
#include "shell/AppDelegate.h"

#include "base/Prefs.h"
#include "flow/RequestFlow.h"
#include "support/FakeBrowserLauncher.h"
#include "support/FakeLoginItem.h"
#include "support/FakePermissions.h"
#include "support/FakePlatform.h"
#include "support/FakeSecretStore.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "ui/design/DesignSystem.h"
#include "ui/home/HomeWindowController.h"
#include "ui/settings/AskSettingsModel.h"
#include "ui/settings/GeneralSettingsModel.h"
#include "ui/settings/PermissionsSettingsModel.h"
#include "ui/settings/SettingsServices.h"
#include "ui/settings/WakeSettingsModel.h"
#include "voice/ClapDetector.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

// The fakes plus what only the settings reach: the login item, the keyring, the
// permission answers and a default browser.
struct SettingsPlatform final : FakePlatform {
    FakeLoginItem login;
    FakeSecretStore secrets;
    FakePermissions permissionsFake;
    FakeBrowserLauncher browsers{desktop, Clock::system()};

    std::unique_ptr<platform::AudioBackend> makeAudioBackend() override {
        auto backend = FakePlatform::makeAudioBackend();
        audioBackend->setFormat(platform::InputFormat{16000, 1});
        return backend;
    }
    platform::LoginItem* loginItem() override { return &login; }
    platform::SecretStore* secretStore() override { return &secrets; }
    platform::Permissions* permissions() override { return &permissionsFake; }
    platform::BrowserLauncher* browserLauncher() override { return &browsers; }
};

class SettingsWiringTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto p = std::make_unique<SettingsPlatform>();
        platform = p.get();
        platform->installed.setInstalled({{"chromium", "Chromium", "/c.desktop"}});
        delegate = std::make_unique<AppDelegate>(std::move(p));
        ASSERT_EQ(delegate->launch(), AppDelegate::LaunchResult::running);
        services = &delegate->home()->settings();
    }
    void TearDown() override {
        delegate->shutdown();
        DesignSystem::instance().setAppearance("system");
    }

    template <typename Model> std::unique_ptr<Model> make() {
        auto model = std::make_unique<Model>();
        model->setServices(services);
        return model;
    }

    TempHome home;
    ScopedRuntimeDir runtime;
    SettingsPlatform* platform = nullptr;
    std::unique_ptr<AppDelegate> delegate;
    SettingsServices* services = nullptr;
};

} // namespace

TEST_F(SettingsWiringTest, wakeChangesReachTheKeyTapAndTheClapPipelineAtOnce) {
    auto wake = make<WakeSettingsModel>();
    wake->start();
    const int before = platform->keyTap->key;
    wake->chooseKey(105);
    EXPECT_NE(platform->keyTap->key, before) << "the tap now waits for F13";
    ASSERT_FALSE(delegate->flow()->clapModeActive());
    wake->setClapWakeByUser(true);
    EXPECT_TRUE(delegate->flow()->clapModeActive());
    EXPECT_TRUE(wake->meterRunning());
    wake->setClapWakeByUser(false);
    EXPECT_FALSE(delegate->flow()->clapModeActive());

    wake->moveSensitivity(9.5);
    EXPECT_DOUBLE_EQ(delegate->clapDetector()->sensitivity(), 4.5) << "the detector takes the stored value";
}

TEST_F(SettingsWiringTest, soundLoginAndKeyChangesReachTheirOwners) {
    auto general = make<GeneralSettingsModel>();
    Prefs::setValue(Prefs::Key::soundVolume, 0.5);
    general->chooseWakeSound("tick");
    ASSERT_FALSE(platform->sound.played.empty());
    EXPECT_EQ(platform->sound.played.back(), std::make_pair(QString("tick"), 0.5));
    general->setLaunchAtLoginByUser(true);
    EXPECT_TRUE(platform->login.enabled);
    EXPECT_TRUE(general->launchAtLogin());
    general->chooseAppearance("dark");
    EXPECT_TRUE(DesignSystem::instance().isDark());

    ScopedEnv noEnvKey("ANTHROPIC_API_KEY", std::nullopt);
    auto ask = make<AskSettingsModel>();
    EXPECT_TRUE(ask->save("sk-live"));
    EXPECT_EQ(platform->secrets.items.value("anthropic-api-key"), "sk-live");
    EXPECT_TRUE(make<AskSettingsModel>()->hasStoredKey()) << "the next visit finds it in the keyring";
}

TEST_F(SettingsWiringTest, permissionsComeFromTheRunningAppAndTheDefaultBrowsersEntry) {
    platform->permissionsFake.statuses.insert("chromium", platform::Permissions::AutomationStatus::granted);
    auto permissions = make<PermissionsSettingsModel>();
    permissions->refresh();
    EXPECT_TRUE(permissions->speech()) << "the recogniser is there";
    EXPECT_TRUE(waitFor([&] { return !permissions->checkRunning(); }));
    EXPECT_EQ(permissions->browserTitle(), "Control Chromium");
    EXPECT_EQ(permissions->browserStatus(), platform::Permissions::AutomationStatus::granted);

    platform->speech.available = false;
    permissions->refresh();
    EXPECT_FALSE(permissions->speech());
    permissions->allowSpeech();
    EXPECT_EQ(platform->permissionsFake.openedPanes, QStringList{"Privacy_SpeechRecognition"});
}
