// A first start while the speech model still loads: the health check, the
// onboarding's permission rows and a wake all take it for what it is, not for a
// permission the user must grant; a load that failed is reported as before.
#include "shell/AppDelegate.h"

#include "base/Prefs.h"
#include "flow/RequestFlow.h"
#include "flow/WatchdogPort.h"
#include "support/FakeNotifications.h"
#include "support/FakePermissions.h"
#include "support/FakePlatform.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "ui/hud/HUDController.h"
#include "ui/onboarding/OnboardingController.h"
#include "voice/AudioEngine.h"
#include "voice/SpeechController.h"
#include "voice/WakeController.h"

#include <gtest/gtest.h>

#include <atomic>

using namespace brisklet;
using namespace brisklet::test;

namespace {

struct AlertingPlatform final : FakePlatform {
    FakeNotifications alerts;
    platform::Notifications* notifications() override { return &alerts; }
};

// A load that lands the moment availability is asked: what a read on another
// thread sees when the model finishes between two questions.
class LandingRecognizer final : public platform::SpeechRecognizer {
public:
    bool isAvailable() const override {
        const bool before = available_.exchange(true);
        loading_ = false;
        return before;
    }
    bool isLoading() const override { return loading_; }
    bool supportsOnDeviceRecognition() const override { return true; }
    void recognize(std::shared_ptr<platform::RecognitionRequest>, ResultHandler) override {}

private:
    mutable std::atomic<bool> available_{false};
    mutable std::atomic<bool> loading_{true};
};

struct LandingPlatform final : FakePlatform {
    LandingRecognizer landing;
    FakePermissions permissionsFake;
    platform::SpeechRecognizer* recognizer() override { return &landing; }
    platform::Permissions* permissions() override { return &permissionsFake; }
};

} // namespace

TEST(SpeechLoading, aModelStillLoadingIsNoMissingPermissionButAFailedLoadIs) {
    TempHome home;
    ScopedRuntimeDir runtime;
    auto owned = std::make_unique<AlertingPlatform>();
    AlertingPlatform& platform = *owned;
    platform.speech.available = false;
    platform.speech.loading = true;
    AppDelegate delegate(std::move(owned));
    ASSERT_EQ(delegate.launch(), AppDelegate::LaunchResult::running);
    ASSERT_TRUE(delegate.onboarding()->isVisible()) << "a new user's first start";

    // The onboarding's first read runs the health check: no alert, no warning row.
    // The checks below come right after each other, so the microphone must be
    // running by then, or two of them in a row would rightly report it stopped.
    const OnboardingModel& model = delegate.onboarding()->model();
    ASSERT_TRUE(waitFor([&] { return model.grants().microphone; })) << "the permission rows were read";
    ASSERT_TRUE(waitFor([&] { return delegate.audio()->isRunning(); }, 30000)) << "the microphone started";
    delegate.watchdog()->check();
    EXPECT_TRUE(platform.alerts.alerts.empty());
    EXPECT_TRUE(model.onDeviceSpeech()) << "no on-device warning while the model loads";
    EXPECT_FALSE(model.grants().speech);

    // A wake now opens its window; the recogniser hears it once the model is there.
    delegate.flow()->handleWake(WakeSource::clap);
    EXPECT_TRUE(delegate.speech()->isListening());
    EXPECT_EQ(delegate.hud()->state().kind, HUDState::Kind::listening);
    EXPECT_EQ(platform.speech.tasks.size(), 1u);
    delegate.speech()->cancel();

    // The load failed: the same check now reports it, and a wake says so.
    platform.speech.loading = false;
    delegate.watchdog()->check();
    ASSERT_EQ(platform.alerts.alerts.size(), 1u);
    EXPECT_EQ(platform.alerts.alerts[0].body,
              QStringLiteral("Speech Recognition is off \u2014 commands can't be understood"));
    delegate.flow()->handleWake(WakeSource::clap);
    EXPECT_EQ(delegate.hud()->state(),
              HUDState::info(QString::fromUtf8("Grant Speech Recognition in Brisklet \xE2\x86\x92 Settings "
                                               "\xE2\x86\x92 Permissions")));
}

TEST(SpeechLoading, aLoadEndingDuringThePermissionReadIsNeverTakenForARefusal) {
    TempHome home;
    ScopedRuntimeDir runtime;
    auto owned = std::make_unique<LandingPlatform>();
    LandingPlatform& platform = *owned;
    AppDelegate delegate(std::move(owned));
    ASSERT_EQ(delegate.launch(), AppDelegate::LaunchResult::running);
    ASSERT_TRUE(delegate.onboarding()->isVisible()) << "a new user's first start";
    const OnboardingModel& model = delegate.onboarding()->model();
    ASSERT_TRUE(waitFor([&] { return model.grants().microphone; })) << "the permission rows were read";

    // Speech was read as still loading, not refused: "Allow…" asks rather than
    // sending the user to the settings to grant what nobody took away.
    delegate.onboarding()->allowSpeech();
    EXPECT_EQ(platform.permissionsFake.speechRequests, 1);
    EXPECT_TRUE(platform.permissionsFake.openedPanes.isEmpty());
    EXPECT_TRUE(model.onDeviceSpeech());
}
