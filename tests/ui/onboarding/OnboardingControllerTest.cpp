// The first-run window's owner without a display: opening and reopening, closing
// and finishing, the permission poll (one read at a time), the "Allow…" buttons,
// the events it follows while open, the level feed, stepping aside and the Magic
// step's run, save and undo.
#include "ui/onboarding/OnboardingController.h"

#include "base/Prefs.h"
#include "platform/LoginItem.h"
#include "platform/Permissions.h"
#include "support/FakeClock.h"
#include "support/FakePermissionCheck.h"
#include "support/FakeScheduler.h"
#include "support/TempHome.h"

#include <QStringList>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

MagicProposal proposal(const QString& title) {
    MagicProposal p;
    p.title = title;
    p.draft.id = QUuid::createUuid();
    p.draft.name = title;
    return p;
}

struct RecordingPermissions final : platform::Permissions {
    QStringList calls;
    AutomationStatus determine(const QString&) override { return AutomationStatus::granted; }
    void requestAutomation(const QString&, std::function<void(AutomationStatus)> done) override {
        done(AutomationStatus::granted);
    }
    void requestMicrophone() override { calls << "requestMicrophone"; }
    void requestSpeech() override { calls << "requestSpeech"; }
    void openPane(const QString& anchor) override { calls << anchor; }
};

struct RecordingLoginItem final : platform::LoginItem {
    QList<bool> sets;
    bool enabled = false;
    bool refuse = false; // every change fails, the state stays
    bool set(bool on) override {
        sets << on;
        if (refuse)
            return false;
        enabled = on;
        return true;
    }
    bool isEnabled() const override { return enabled; }
};

class OnboardingControllerTest : public ::testing::Test {
protected:
    OnboardingControllerTest() {
        check.grants = {true, true, false, true};
        OnboardingController::Collaborators c;
        c.permissionCheck = &check;
        c.permissions = &permissions;
        c.loginItem = &login;
        c.scheduler = &scheduler;
        controller = std::make_unique<OnboardingController>(c);
        controller->onPermissionsChanged = [this] { ++permissionCallbacks; };
        controller->onFinished = [this] { ++finished; };
        controller->onWakeConfigChange = [this] { ++wakeConfigChanges; };
    }
    OnboardingModel& model() { return controller->model(); }

    TempHome home;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakePermissionCheck check;
    RecordingPermissions permissions;
    RecordingLoginItem login;
    std::unique_ptr<OnboardingController> controller;
    int permissionCallbacks = 0;
    int finished = 0;
    int wakeConfigChanges = 0;
};

} // namespace

TEST_F(OnboardingControllerTest, aSecondShowKeepsTheOpenWindowAndAReopenStartsOverFromTheStoredChoices) {
    controller->show();
    ASSERT_TRUE(controller->isVisible());
    EXPECT_EQ(permissionCallbacks, 1) << "the first read always tells the host";
    EXPECT_TRUE(model().micOK());
    model().setStep(3);
    model().setLaunchAtLogin(false);
    model().setMagicRanID(QUuid::createUuid());
    model().addMagicSaved(QUuid::createUuid(), "Code");
    controller->show();
    EXPECT_EQ(model().step(), 3);
    EXPECT_FALSE(model().launchAtLogin());
    EXPECT_EQ(permissionCallbacks, 1) << "an open window starts nothing new";

    controller->close();
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(controller->isVisible());
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::onboarded)) << "the close button doesn't finish onboarding";
    EXPECT_TRUE(login.sets.isEmpty());

    Prefs::setValue(Prefs::Key::activationStyle, "tap");
    Prefs::setValue(Prefs::Key::clapWake, true);
    model().setMagicScanned(true);
    controller->show();
    EXPECT_EQ(model().step(), 0);
    EXPECT_TRUE(model().launchAtLogin());
    EXPECT_FALSE(model().magicRanID().has_value());
    EXPECT_TRUE(model().magicSaved().isEmpty());
    EXPECT_EQ(model().style(), OnboardingRules::Style::tap);
    EXPECT_TRUE(model().clapEnabled());
    EXPECT_TRUE(model().magicScanned()) << "the host's scan result stays";
    EXPECT_EQ(permissionCallbacks, 2);
}

TEST_F(OnboardingControllerTest, finishingAppliesTheLoginChoiceMarksOnboardingDoneAndCloses) {
    controller->show();
    model().setStep(4);
    model().setLaunchAtLogin(false);
    controller->finish();
    EXPECT_EQ(login.sets, QList<bool>{false});
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::onboarded));
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(controller->isVisible());
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "poll and level feed stopped";
}

// The autostart folder takes no writes: Finish stays on the last step, says so, and
// its box shows what is true; Finish again goes on with that, while a new choice
// is tried again.
TEST_F(OnboardingControllerTest, aLoginChoiceThatDoesNotTakeIsSaidOnTheLastStepBeforeFinishing) {
    controller->show();
    model().setStep(4);
    login.refuse = true;
    controller->finish();
    EXPECT_EQ(login.sets, QList<bool>{true});
    EXPECT_EQ(model().loginFailure(),
              "Couldn't start Brisklet at login — the autostart folder can't be written");
    EXPECT_FALSE(model().launchAtLogin()) << "the box shows what is true";
    EXPECT_TRUE(controller->isVisible());
    EXPECT_EQ(finished, 0);
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::onboarded));

    login.refuse = false;
    model().setLaunchAtLogin(true);
    EXPECT_EQ(model().loginFailure(), "") << "a new choice clears the line";
    controller->finish();
    EXPECT_EQ(login.sets, (QList<bool>{true, true}));
    EXPECT_TRUE(login.isEnabled());
    EXPECT_EQ(finished, 1);
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::onboarded));
}

TEST_F(OnboardingControllerTest, aSecondFinishAfterAFailedLoginChoiceGoesOnWithWhatIsTrue) {
    controller->show();
    model().setStep(4);
    login.refuse = true;
    controller->finish();
    controller->finish();
    EXPECT_EQ(login.sets, QList<bool>{true}) << "not tried again unasked";
    EXPECT_EQ(finished, 1);
    EXPECT_FALSE(controller->isVisible());
}

TEST_F(OnboardingControllerTest, thePollFollowsAChangeWithinOneTickAndTellsTheHostOnce) {
    controller->show();
    scheduler.advance(0.6);
    EXPECT_EQ(permissionCallbacks, 1) << "nothing changed";
    check.grants.microphone = false;
    scheduler.advance(0.6);
    EXPECT_FALSE(model().micOK());
    EXPECT_EQ(permissionCallbacks, 2);
    scheduler.advance(1.2);
    EXPECT_EQ(permissionCallbacks, 2);
    check.grants.onDeviceSpeech = false;
    scheduler.advance(0.6);
    EXPECT_FALSE(model().onDeviceSpeech());
    EXPECT_EQ(permissionCallbacks, 2) << "on-device speech alone is no permission change";
}

TEST_F(OnboardingControllerTest, aSlowReadIsNeverJoinedByASecondOneAndItsAnswerServesTheForcedRefresh) {
    check.hold = true;
    controller->show();
    ASSERT_EQ(check.checks, 1);
    scheduler.advance(3.0); // five poll ticks while the first read hangs
    EXPECT_EQ(check.checks, 1) << "single flight";
    EXPECT_EQ(permissionCallbacks, 0);
    check.answer();
    EXPECT_EQ(permissionCallbacks, 1) << "the opening read still tells the host";
    EXPECT_TRUE(model().micOK());
    scheduler.advance(0.6);
    EXPECT_EQ(check.checks, 2) << "the next tick reads again";
    check.answer();
    EXPECT_EQ(permissionCallbacks, 1);
}

TEST_F(OnboardingControllerTest, allowAsksWhileUndeterminedElseOpensTheSettingsPage) {
    check.grants = {false, false, false, true, true, true};
    controller->show();
    controller->allowMicrophone();
    controller->allowSpeech();
    EXPECT_EQ(permissions.calls, (QStringList{"requestMicrophone", "requestSpeech"}));
    permissions.calls.clear();

    check.grants.microphoneUndetermined = check.grants.speechUndetermined = false;
    scheduler.advance(0.6);
    controller->allowMicrophone();
    controller->allowSpeech();
    controller->allowAccessibility();
    EXPECT_EQ(permissions.calls,
              (QStringList{"Privacy_Microphone", "Privacy_SpeechRecognition", "Privacy_Accessibility"}));
}

TEST_F(OnboardingControllerTest, accessibilityGrantedSinceTheLastPollOpensNothingAndShowsAtOnce) {
    controller->show();
    ASSERT_FALSE(model().axOK());
    check.grants.accessibility = true;
    controller->allowAccessibility();
    EXPECT_TRUE(permissions.calls.isEmpty());
    EXPECT_TRUE(model().axOK());
}

TEST_F(OnboardingControllerTest, aCommandCountsOnlyWhenItSucceedsOnTheFirstCommandStep) {
    controller->show();
    model().setStep(1);
    controller->noteCommandDone(true);
    EXPECT_FALSE(model().commandSucceeded());
    model().setStep(2);
    controller->noteCommandDone(false);
    EXPECT_FALSE(model().commandSucceeded());
    controller->noteCommandDone(true);
    EXPECT_TRUE(model().commandSucceeded());
    controller->noteCommandDone(false);
    EXPECT_TRUE(model().commandSucceeded()) << "never taken back by an event";
    model().setStep(3);
    EXPECT_EQ(model().footerLabel(), "Continue");
}

TEST_F(OnboardingControllerTest, flashesLastTheirTimeAndTheFirstResetEndsALaterFlash) {
    controller->noteWake();
    EXPECT_FALSE(model().wakeFlash()) << "nothing is followed while closed";
    controller->show();
    controller->noteWake();
    controller->noteClapDemo();
    controller->notePeak();
    EXPECT_TRUE(model().wakeFlash() && model().clapFlash() && model().peakFlash());
    scheduler.advance(0.2);
    controller->notePeak();
    scheduler.advance(0.05);
    EXPECT_FALSE(model().peakFlash()) << "the first peak's reset clears the second";
    scheduler.advance(0.75);
    EXPECT_FALSE(model().wakeFlash());
    EXPECT_TRUE(model().clapFlash());
    scheduler.advance(0.2);
    EXPECT_FALSE(model().clapFlash());

    controller->close();
    controller->notePeak();
    EXPECT_FALSE(model().peakFlash());
}

TEST_F(OnboardingControllerTest, theLevelIsFedOnlyOnTheLastStepAndKeepsItsValueElsewhere) {
    float level = 0.3f;
    controller->levelProvider = [&] { return level; };
    controller->show();
    scheduler.advance(0.1);
    EXPECT_EQ(model().level(), 0.0f);
    model().setStep(4);
    scheduler.advance(0.05);
    EXPECT_FLOAT_EQ(model().level(), 0.3f);
    model().setStep(3);
    level = 0.9f;
    scheduler.advance(0.5);
    EXPECT_FLOAT_EQ(model().level(), 0.3f);
}

TEST_F(OnboardingControllerTest, theGestureAndClapChoicesAreStoredAtOnceAndTellTheHostEachTime) {
    controller->show();
    controller->chooseStyle("tap");
    controller->chooseStyle("tap");
    EXPECT_EQ(Prefs::stringValue(Prefs::Key::activationStyle), "tap");
    EXPECT_EQ(model().style(), OnboardingRules::Style::tap);
    EXPECT_EQ(wakeConfigChanges, 2) << "choosing the chosen card again still tells the host";
    controller->setClapEnabled(true);
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::clapWake));
    controller->setClapEnabled(false);
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::clapWake));
    EXPECT_EQ(wakeConfigChanges, 4);
    model().setLaunchAtLogin(false);
    EXPECT_TRUE(login.sets.isEmpty()) << "the login choice waits for the end";
}

TEST_F(OnboardingControllerTest, steppingAsideNeedsAVisibleWindowAndAShowDuringTheFadeWins) {
    controller->stepAside();
    EXPECT_FALSE(controller->parkedForPreview()) << "no window";
    controller->show();
    controller->stepAside();
    EXPECT_TRUE(controller->parkedForPreview());
    scheduler.advance(0.1);
    controller->show();
    scheduler.advance(0.2);
    EXPECT_FALSE(controller->parkedForPreview());
    EXPECT_TRUE(controller->isVisible()) << "the fade's end leaves a re-shown window alone";

    controller->stepAside();
    scheduler.advance(0.2);
    EXPECT_TRUE(controller->parkedForPreview());
    EXPECT_FALSE(controller->isVisible());
    controller->stepAside();
    EXPECT_TRUE(controller->parkedForPreview()) << "a hidden window changes nothing";
    controller->show();
    EXPECT_TRUE(controller->isVisible());
    EXPECT_FALSE(controller->parkedForPreview());
}

TEST_F(OnboardingControllerTest, undoClearsTheRunWithOrWithoutAHostAndOnlyAFailedRunOfThatDraftShows) {
    controller->show();
    const QUuid p = QUuid::createUuid();
    model().setMagicRanID(p);
    controller->magicUndo();
    EXPECT_FALSE(model().magicRanID().has_value());
    int undos = 0;
    controller->onMagicUndo = [&] { ++undos; };
    model().setMagicRanID(p);
    controller->magicUndo();
    EXPECT_EQ(undos, 1);
    EXPECT_FALSE(model().magicRanID().has_value());

    model().setMagicRunOutcome(p, false, "Firefox didn't open.");
    EXPECT_EQ(model().magicRunFailure(p), "Firefox didn't open.");
    EXPECT_TRUE(model().magicRunFailure(QUuid::createUuid()).isEmpty());
    model().setMagicRunOutcome(p, true, "Done.");
    EXPECT_TRUE(model().magicRunFailure(p).isEmpty());
}

TEST_F(OnboardingControllerTest, runningTheFirstProposalMarksItRanAtOnceAndAFailureReturnsTheSkipLabel) {
    controller->show();
    model().setStep(3);
    model().setMagicProposals({proposal("Code"), proposal("Write")});
    EXPECT_EQ(model().footerLabel(), "Skip for now");
    const QUuid first = model().magicProposals().front().id();
    model().setMagicRunOutcome(first, false, "An earlier failure.");
    QList<QUuid> ran;
    controller->onMagicRun = [&](const MagicProposal& p) { ran << p.id(); };
    controller->runFirstProposal();
    EXPECT_EQ(ran, QList<QUuid>{first});
    EXPECT_TRUE(model().magicFirstRan());
    EXPECT_TRUE(model().magicFirstFailure().isEmpty()) << "the old failure line goes with the new run";
    EXPECT_EQ(model().footerLabel(), "Continue");
    // The host takes a failed run back.
    model().setMagicRanID(std::nullopt);
    model().setMagicRunOutcome(first, false, "Code didn't open.");
    EXPECT_EQ(model().magicFirstFailure(), "Code didn't open.");
    EXPECT_EQ(model().footerLabel(), "Skip for now");
    EXPECT_TRUE(model().magicMoreWaiting().startsWith("1 more waiting"));
}

TEST_F(OnboardingControllerTest, aSaveCountsOnlyWhenTheHostKeptTheDraftAndOnlyOnce) {
    controller->show();
    model().setStep(3);
    model().setMagicProposals({proposal("Code")});
    controller->saveFirstProposal();
    EXPECT_TRUE(model().magicSaved().isEmpty()) << "no host to keep it";
    bool keep = false;
    int asked = 0;
    controller->onMagicSave = [&](const MagicProposal&) -> std::optional<QString> {
        ++asked;
        return keep ? std::optional<QString>("Code") : std::nullopt;
    };
    controller->saveFirstProposal();
    EXPECT_TRUE(model().magicSaved().isEmpty()) << "a refused save leaves the card unsaved";
    keep = true;
    controller->saveFirstProposal();
    controller->saveFirstProposal();
    EXPECT_EQ(model().magicSaved().size(), 1);
    EXPECT_TRUE(model().magicFirstSaved());
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(model().footerLabel(), "Continue");
    EXPECT_TRUE(model().magicMoreWaiting().isEmpty()) << "one proposal: nothing more waiting";
}
