// The settings sections' rules: what each reads when it is made (and that making
// it writes nothing), what each user change writes and whom it tells, the
// sensitivity and level numbers, the personal key in the keyring, and the
// permission checks, one at a time and never applied out of order.
#include "ui/design/DesignSystem.h"
#include "ui/settings/AskSettingsModel.h"
#include "ui/settings/GeneralSettingsModel.h"
#include "ui/settings/PermissionsSettingsModel.h"
#include "ui/settings/SettingsFixture.h"
#include "ui/settings/SettingsScale.h"
#include "ui/settings/SettingsServices.h"
#include "ui/settings/WakeSettingsModel.h"

#include "base/Prefs.h"
#include "support/ScopedEnv.h"

#include <QCoreApplication>
#include <QSettings>
#include <QThread>
#include <QThreadPool>
#include <gtest/gtest.h>
#include <memory>

using namespace brisklet;
using namespace brisklet::test;
using Status = platform::Permissions::AutomationStatus;
using Grant = SettingsServices::Grant;

namespace {

const char* const allKeys[] = {Prefs::Key::wakeKeyCode, Prefs::Key::activationStyle, Prefs::Key::clapWake,
                               Prefs::Key::sensitivity, Prefs::Key::soundsEnabled,   Prefs::Key::wakeSound,
                               Prefs::Key::soundVolume, Prefs::Key::appearance,      Prefs::Key::askEnabled};

// What another process finds in the settings file.
QVariant inFile(const char* key) {
    Prefs::sync();
    QSettings file(Prefs::settingsPath(), QSettings::IniFormat);
    return file.value(QLatin1String(key));
}

// The settings file's values of every key the sections use (absent ones left out).
QVariantMap stored() {
    Prefs::sync();
    QSettings file(Prefs::settingsPath(), QSettings::IniFormat);
    QVariantMap values;
    for (const char* key : allKeys) {
        if (file.contains(QLatin1String(key)))
            values.insert(QLatin1String(key), file.value(QLatin1String(key)));
    }
    return values;
}

class SettingsModelsTest : public ::testing::Test, protected SettingsFixture {
protected:
    void SetUp() override {
        Prefs::registerDefaults();
        before = stored();
    }
    void TearDown() override { DesignSystem::instance().setAppearance("system"); }

    // Runs the oldest background job and delivers its answer to the main thread.
    void finishJob() {
        ASSERT_FALSE(jobs.empty());
        auto job = std::move(jobs.front());
        jobs.erase(jobs.begin());
        job();
        QCoreApplication::sendPostedEvents();
    }

    template <typename Model> std::unique_ptr<Model> make() {
        auto model = std::make_unique<Model>();
        model->setServices(&services);
        return model;
    }

    QVariantMap before; // the file as the launch left it
};

} // namespace

// --- Wake ---

TEST_F(SettingsModelsTest, wakeStartsFromTheDefaultsAndTheFallbacksWithoutWritingAnything) {
    auto wake = make<WakeSettingsModel>();
    wake->start();
    EXPECT_EQ(wake->keyCode(), 54);
    EXPECT_EQ(wake->keyIndex(), 0);
    EXPECT_EQ(WakeSettingsModel::keyOptions().at(0).toMap().value("label"), "Right Super");
    EXPECT_EQ(wake->style(), "hold");
    EXPECT_TRUE(wake->styleHint().startsWith("Hold the key like a walkie-talkie"));
    EXPECT_TRUE(wake->styleHint().endsWith(
        " (This only sets which gesture Brisklet teaches — the other keeps working too.)"));
    EXPECT_FALSE(wake->clapWake());
    EXPECT_FALSE(wake->meterRunning()) << "no meter while clap wake is off";
    EXPECT_EQ(wake->sensitivityStart(), 8) << "the registered 6.0 shows as 8";
    EXPECT_EQ(stored(), before) << "making a section writes nothing";
    EXPECT_EQ(wakeReloads, 0);

    Prefs::setValue(Prefs::Key::wakeKeyCode, 0);
    Prefs::setValue(Prefs::Key::activationStyle, "");
    EXPECT_EQ(WakeSettingsModel().keyCode(), 54) << "a stored 0 is the default key";
    EXPECT_EQ(WakeSettingsModel().style(), "hold") << "anything but \"tap\" is hold";
    Prefs::setValue(Prefs::Key::wakeKeyCode, 999);
    EXPECT_EQ(WakeSettingsModel().keyIndex(), -1) << "an unknown code selects no row";
}

TEST_F(SettingsModelsTest, eachWakeChangeWritesItsKeyThenReloadsTheHostOnce) {
    auto wake = make<WakeSettingsModel>();
    wake->start();
    wake->chooseKey(105);
    EXPECT_EQ(inFile(Prefs::Key::wakeKeyCode).toInt(), 105);
    EXPECT_EQ(wake->keyIndex(), 4);
    EXPECT_EQ(wakeReloads, 1);

    wake->chooseStyle("tap");
    EXPECT_EQ(inFile(Prefs::Key::activationStyle), "tap");
    EXPECT_TRUE(wake->styleHint().startsWith("Tap the key once and just speak."));
    EXPECT_EQ(wakeReloads, 2);

    wake->setClapWakeByUser(true);
    EXPECT_TRUE(inFile(Prefs::Key::clapWake).toBool());
    EXPECT_EQ(wakeReloads, 3);
    EXPECT_TRUE(wake->meterRunning());
    level = 0.3f;
    scheduler.advance(WakeSettingsModel::meterInterval);
    EXPECT_FLOAT_EQ(wake->level(), 0.3f) << "the meter follows the level within one tick";

    wake->setClapWakeByUser(false);
    EXPECT_FALSE(inFile(Prefs::Key::clapWake).toBool());
    EXPECT_EQ(wakeReloads, 4);
    EXPECT_FALSE(wake->meterRunning());
    level = 0.9f;
    scheduler.advance(1);
    EXPECT_FLOAT_EQ(wake->level(), 0.3f) << "the bar keeps its last value once the meter stops";
}

TEST_F(SettingsModelsTest, theMeterRunsFromTheStartWhenClapWakeIsStoredOnAndStopsWithTheSection) {
    Prefs::setValue(Prefs::Key::clapWake, true);
    auto wake = make<WakeSettingsModel>();
    EXPECT_FALSE(wake->meterRunning()) << "nothing runs before the section is shown";
    wake->start();
    EXPECT_TRUE(wake->meterRunning());
    wake.reset();
    level = 0.5f;
    scheduler.advance(1); // a dropped section's meter must not tick into freed memory
    EXPECT_EQ(scheduler.pendingCount(), 0u);
}

TEST_F(SettingsModelsTest, theSensitivityIsShownReversedAndWrittenOnEveryMove) {
    const auto shown = [](const QVariant& stored) { return SettingsScale::shownSensitivity(stored); };
    EXPECT_EQ(shown(6.0), 8);
    EXPECT_EQ(shown(12.0), 4) << "values above 10 show as the least sensitive";
    EXPECT_EQ(shown(4.0), 10);
    EXPECT_EQ(shown(3.0), 10);
    EXPECT_EQ(shown(2.5), 10);
    EXPECT_EQ(shown(QString("6.5")), 7.5) << "a number read back as text still counts";
    EXPECT_EQ(shown(QString("loud")), 10) << "not a number";
    EXPECT_EQ(shown(QVariant()), 10);

    Prefs::setValue(Prefs::Key::sensitivity, 2.5);
    auto wake = make<WakeSettingsModel>();
    EXPECT_EQ(wake->sensitivityStart(), 10);
    wake->moveSensitivity(10);
    wake->moveSensitivity(7.25);
    EXPECT_EQ(inFile(Prefs::Key::sensitivity).toDouble(), 6.75);
    EXPECT_EQ(sensitivities, (std::vector<double>{4.0, 6.75})) << "every move reaches the clap detector";
    EXPECT_EQ(wakeReloads, 0);
}

TEST_F(SettingsModelsTest, theLevelBarStretchesQuietInputAndNeverVanishes) {
    EXPECT_FLOAT_EQ(SettingsScale::levelFill(0, 140), 4) << "a silent microphone leaves the stub";
    EXPECT_NEAR(SettingsScale::levelFill(0.05f, 140), 80, 0.5);
    EXPECT_NEAR(SettingsScale::levelFill(0.01f, 100), 18.5, 0.2);
    EXPECT_FLOAT_EQ(SettingsScale::levelFill(0.2f, 140), 140);
    EXPECT_FLOAT_EQ(SettingsScale::levelFill(5, 140), 140);
}

// --- General ---

TEST_F(SettingsModelsTest, generalStartsFromTheDefaultsAndClampsWithoutWritingBack) {
    login.enabled = true;
    auto general = make<GeneralSettingsModel>();
    EXPECT_EQ(general->appearance(), "system");
    EXPECT_TRUE(general->launchAtLogin()) << "the login item as the desktop has it";
    EXPECT_TRUE(general->sounds());
    EXPECT_EQ(general->wakeSound(), "droplet");
    EXPECT_DOUBLE_EQ(general->soundVolume(), 0.35);
    EXPECT_EQ(stored(), before) << "making a section writes nothing";

    Prefs::setValue(Prefs::Key::soundVolume, 1.5);
    Prefs::setValue(Prefs::Key::appearance, "sepia");
    Prefs::setValue(Prefs::Key::wakeSound, "gong");
    GeneralSettingsModel stored;
    EXPECT_DOUBLE_EQ(stored.soundVolume(), 1.0);
    EXPECT_EQ(inFile(Prefs::Key::soundVolume).toDouble(), 1.5) << "nothing is written until the slider moves";
    EXPECT_EQ(stored.appearance(), "system") << "an unknown look is Match my computer";
    EXPECT_EQ(stored.wakeSound(), "gong") << "an unknown sound stays selected, matching no option";
    Prefs::setValue(Prefs::Key::soundVolume, "loud");
    EXPECT_DOUBLE_EQ(GeneralSettingsModel().soundVolume(), 0) << "not a number";
}

TEST_F(SettingsModelsTest, theAppearanceIsWrittenAndAppliedToOurWindowsAtOnce) {
    auto general = make<GeneralSettingsModel>();
    general->chooseAppearance("dark");
    EXPECT_EQ(inFile(Prefs::Key::appearance), "dark");
    EXPECT_TRUE(DesignSystem::instance().isDark());
    EXPECT_EQ(general->appearance(), "dark");
    general->chooseAppearance("light");
    EXPECT_FALSE(DesignSystem::instance().isDark());
    general->chooseAppearance("system");
    EXPECT_EQ(inFile(Prefs::Key::appearance), "system");
    EXPECT_EQ(DesignSystem::instance().appearance(), "system");
}

TEST_F(SettingsModelsTest, theListeningSoundIsWrittenAndPreviewedAtTheStoredVolume) {
    Prefs::setValue(Prefs::Key::soundVolume, 0.6);
    auto general = make<GeneralSettingsModel>();
    general->chooseWakeSound("tick");
    EXPECT_EQ(inFile(Prefs::Key::wakeSound), "tick");
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0], std::make_pair(QString("tick"), 0.6));

    general->chooseWakeSound("none");
    EXPECT_EQ(inFile(Prefs::Key::wakeSound), "none");
    EXPECT_EQ(played.size(), 1u) << "None plays nothing";

    general->chooseWakeSound("whisper");
    played.clear();
    general->moveVolume(0.2);
    general->moveVolume(1.7);
    EXPECT_EQ(inFile(Prefs::Key::soundVolume).toDouble(), 1.0) << "each drag step is written, clamped";
    EXPECT_TRUE(played.empty()) << "nothing plays while dragging";
    general->releaseVolume();
    ASSERT_EQ(played.size(), 1u);
    EXPECT_EQ(played[0], std::make_pair(QString("whisper"), 1.0));

    general->setSoundsByUser(false);
    EXPECT_FALSE(inFile(Prefs::Key::soundsEnabled).toBool());
    EXPECT_FALSE(general->sounds());
    general->setSoundsByUser(true);
    EXPECT_EQ(general->wakeSound(), "whisper") << "the row comes back with the previous choice";
}

TEST_F(SettingsModelsTest, theLoginToggleShowsWhatTheDesktopReportsAndWritesNoSetting) {
    auto general = make<GeneralSettingsModel>();
    login.refuse = true;
    general->setLaunchAtLoginByUser(true);
    EXPECT_FALSE(general->launchAtLogin()) << "a refused registration snaps the toggle back";
    EXPECT_EQ(general->loginFailure(),
              "Couldn't start Brisklet at login — the autostart folder can't be written")
        << "and says why under it";
    login.refuse = false;
    general->setLaunchAtLoginByUser(true);
    EXPECT_TRUE(general->launchAtLogin());
    EXPECT_EQ(general->loginFailure(), "");
    EXPECT_TRUE(login.enabled);
    general->setLaunchAtLoginByUser(false);
    EXPECT_FALSE(login.enabled);
    EXPECT_EQ(login.sets, 3);
    EXPECT_EQ(stored(), before) << "making a section writes nothing";
}

// --- Ask ---

TEST_F(SettingsModelsTest, askShowsTheRouteThatWillAnswer) {
    ScopedEnv noEnvKey("ANTHROPIC_API_KEY", std::nullopt);
    {
        ScopedEnv service("BRISKLET_SERVICE_URL", QByteArray("https://ask.example.org"));
        auto ask = make<AskSettingsModel>();
        EXPECT_TRUE(ask->askEnabled());
        EXPECT_FALSE(ask->hasStoredKey());
        EXPECT_EQ(ask->route(), "service");
        EXPECT_EQ(stored(), before) << "making a section writes nothing";
    }
    {
        ScopedEnv placeholder("BRISKLET_SERVICE_URL", QByteArray("https://YOUR-PROJECT.example.org"));
        EXPECT_EQ(make<AskSettingsModel>()->route(), "none");
        secrets.items.insert("anthropic-api-key", "sk-stored");
        EXPECT_EQ(make<AskSettingsModel>()->route(), "personal");
    }
    ScopedEnv envKey("ANTHROPIC_API_KEY", QByteArray("sk-env"));
    secrets.items.clear();
    auto ask = make<AskSettingsModel>();
    EXPECT_TRUE(ask->hasEnvKey());
    EXPECT_EQ(ask->route(), "personal");
}

TEST_F(SettingsModelsTest, savingAKeyStoresItTrimmedAndTurnsAskOnOnlyWhenItWasOff) {
    Prefs::setValue(Prefs::Key::askEnabled, false);
    auto ask = make<AskSettingsModel>();
    ASSERT_FALSE(ask->askEnabled());
    EXPECT_TRUE(ask->save("  sk-first\n"));
    EXPECT_EQ(secrets.items.value("anthropic-api-key"), "sk-first");
    EXPECT_TRUE(ask->hasStoredKey());
    EXPECT_EQ(ask->keyStatus(), "Saved to your keyring.");
    EXPECT_TRUE(ask->askEnabled());
    EXPECT_TRUE(inFile(Prefs::Key::askEnabled).toBool());

    Prefs::remove(Prefs::Key::askEnabled);
    EXPECT_TRUE(ask->save("sk-second"));
    EXPECT_FALSE(Prefs::contains(Prefs::Key::askEnabled)) << "with Ask on nothing is written";
    EXPECT_EQ(secrets.items.value("anthropic-api-key"), "sk-second");
}

TEST_F(SettingsModelsTest, aKeyOfOnlyWhiteSpaceIsRefusedAndTheStoredKeyStays) {
    secrets.items.insert("anthropic-api-key", "sk-kept");
    auto ask = make<AskSettingsModel>();
    for (const QString& blank :
         {QString("   "), QString("\t\n"), QString::fromUtf8("\u00a0\u2003\r\n"), QString()}) {
        EXPECT_FALSE(AskSettingsModel::canSave(blank));
        EXPECT_FALSE(ask->save(blank));
    }
    EXPECT_EQ(secrets.items.value("anthropic-api-key"), "sk-kept");
    EXPECT_TRUE(ask->hasStoredKey());
    EXPECT_TRUE(ask->keyStatus().isEmpty()) << "a refused save claims nothing";
    EXPECT_TRUE(AskSettingsModel::canSave(" sk "));
}

TEST_F(SettingsModelsTest, keyRemovedIsSaidOnlyWhenTheKeyringLetGo) {
    secrets.items.insert("anthropic-api-key", "sk-kept");
    auto ask = make<AskSettingsModel>();
    ASSERT_TRUE(ask->hasStoredKey());

    secrets.failWrites = true;
    EXPECT_FALSE(ask->save("sk-new"));
    EXPECT_EQ(ask->keyStatus(), "Couldn't save to keyring.");
    EXPECT_TRUE(ask->hasStoredKey());
    ask->remove();
    EXPECT_EQ(ask->keyStatus(), "Couldn't remove from keyring.");
    EXPECT_TRUE(ask->hasStoredKey()) << "Remove stays offered while the key is still there";
    EXPECT_EQ(secrets.items.value("anthropic-api-key"), "sk-kept");

    secrets.failWrites = false;
    ask->remove();
    EXPECT_EQ(ask->keyStatus(), "Key removed.");
    EXPECT_FALSE(ask->hasStoredKey());
    EXPECT_FALSE(secrets.items.contains("anthropic-api-key"));
    EXPECT_TRUE(ask->askEnabled()) << "removing a key leaves Ask on";

    ask->setAskEnabledByUser(false);
    EXPECT_FALSE(inFile(Prefs::Key::askEnabled).toBool());
}

TEST_F(SettingsModelsTest, withoutAKeyringNothingIsClaimedSaved) {
    services.secrets = nullptr;
    auto ask = make<AskSettingsModel>();
    EXPECT_FALSE(ask->save("sk-nowhere"));
    EXPECT_EQ(ask->keyStatus(), "Couldn't save to keyring.");
}

// --- Permissions ---

TEST_F(SettingsModelsTest, permissionsAreReadWhenShownAndFollowedEveryTwoSeconds) {
    mic = Grant::denied;
    ax = false;
    auto p = make<PermissionsSettingsModel>();
    p->start();
    EXPECT_FALSE(p->mic());
    EXPECT_TRUE(p->speech());
    EXPECT_FALSE(p->ax());
    mic = Grant::granted;
    scheduler.advance(1.9);
    EXPECT_FALSE(p->mic());
    scheduler.advance(0.1);
    EXPECT_TRUE(p->mic()) << "a grant shows within one poll, without a click";
}

TEST_F(SettingsModelsTest, eachAllowTakesTheWayThatCanStillGrant) {
    auto p = make<PermissionsSettingsModel>();
    mic = Grant::notDetermined;
    p->allowMicrophone();
    EXPECT_EQ(permissions.microphoneRequests, 1);
    mic = Grant::denied;
    p->allowMicrophone();
    EXPECT_EQ(permissions.microphoneRequests, 1) << "a denial is not asked again";
    speech = Grant::notDetermined;
    p->allowSpeech();
    speech = Grant::denied;
    p->allowSpeech();
    EXPECT_EQ(permissions.speechRequests, 1);
    ax = true;
    p->allowAccessibility();
    ax = false;
    p->allowAccessibility();
    EXPECT_EQ(permissions.openedPanes,
              (QStringList{"Privacy_Microphone", "Privacy_SpeechRecognition", "Privacy_Accessibility"}))
        << "a window control granted since the last refresh opens nothing";
    p->runOnboarding();
    EXPECT_EQ(tours, 1);
}

TEST_F(SettingsModelsTest, withoutADefaultBrowserTheRowAsksAboutYourBrowserAndAllowDoesNothing) {
    auto p = make<PermissionsSettingsModel>();
    p->start();
    finishJob();
    EXPECT_EQ(p->browserTitle(), "Control your browser");
    EXPECT_EQ(p->browserStatus(), Status::notDetermined);
    EXPECT_EQ(p->browserDetail(), "Lets setups save which pages you had open and bring them back.");
    p->allowBrowser();
    EXPECT_TRUE(permissions.requests.empty());
}

TEST_F(SettingsModelsTest, theBrowserRowNamesTheBrowserAndShowsItsConsent) {
    browser = SettingsServices::Browser{"firefox-esr", "Firefox ESR"};
    permissions.statuses.insert("firefox-esr", Status::denied);
    auto p = make<PermissionsSettingsModel>();
    p->start();
    finishJob();
    EXPECT_EQ(p->browserTitle(), "Control Firefox ESR");
    EXPECT_EQ(p->browserStatusName(), "denied");
    EXPECT_EQ(p->browserDetail(),
              "Brisklet was told it can't control Firefox ESR, so setups save browser windows without their "
              "pages. Turn Brisklet on next to Firefox ESR to fix it.");
    p->fixBrowser();
    EXPECT_EQ(permissions.openedPanes, QStringList{"Privacy_Automation"});

    permissions.statuses.insert("firefox-esr", Status::granted);
    scheduler.advance(PermissionsSettingsModel::pollInterval);
    finishJob();
    EXPECT_EQ(p->browserDetail(), "Setups can save and reopen your web pages.");

    browser.reset();
    scheduler.advance(PermissionsSettingsModel::pollInterval);
    finishJob();
    EXPECT_EQ(p->browserTitle(), "Control Firefox ESR") << "no browser found keeps what was shown";
}

TEST_F(SettingsModelsTest, onlyOneBrowserCheckRunsAtATime) {
    browser = SettingsServices::Browser{"firefox", "Firefox"};
    auto p = make<PermissionsSettingsModel>();
    p->start();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_TRUE(p->checkRunning());
    p->refresh();
    scheduler.advance(3 * PermissionsSettingsModel::pollInterval);
    EXPECT_EQ(jobs.size(), 1u) << "ticks while a check runs start none";
    finishJob();
    EXPECT_FALSE(p->checkRunning());
    scheduler.advance(PermissionsSettingsModel::pollInterval);
    EXPECT_EQ(jobs.size(), 1u) << "the next tick after it starts the next check";
}

TEST_F(SettingsModelsTest, anAllowAnswerIsNewerThanAnyCheckStillOnItsWay) {
    browser = SettingsServices::Browser{"firefox", "Firefox"};
    auto p = make<PermissionsSettingsModel>();
    p->start();
    finishJob(); // learns the browser: not installed → not running
    scheduler.advance(PermissionsSettingsModel::pollInterval);
    ASSERT_EQ(jobs.size(), 1u);
    p->allowBrowser();
    ASSERT_EQ(permissions.requests.size(), 1u);
    EXPECT_EQ(permissions.requests[0].first, "firefox");
    permissions.requests[0].second(Status::granted);
    EXPECT_EQ(p->browserStatus(), Status::granted);
    finishJob(); // the older check says targetNotRunning
    EXPECT_EQ(p->browserStatus(), Status::granted) << "a stale result is dropped";
    scheduler.advance(PermissionsSettingsModel::pollInterval);
    finishJob();
    EXPECT_EQ(p->browserStatus(), Status::targetNotRunning) << "a later check overrides the request";
}

TEST_F(SettingsModelsTest, answersArrivingAfterTheSectionWentAreIgnored) {
    browser = SettingsServices::Browser{"firefox", "Firefox"};
    auto p = make<PermissionsSettingsModel>();
    p->start();
    finishJob();
    scheduler.advance(PermissionsSettingsModel::pollInterval);
    p->allowBrowser();
    p.reset();
    finishJob();
    permissions.requests[0].second(Status::granted);
    EXPECT_EQ(scheduler.pendingCount(), 0u) << "the poll went with the section";
}

TEST_F(SettingsModelsTest, onTheThreadPoolASlowCheckIsNeverJoinedByASecond) {
    services.runInBackground = nullptr;
    browser = SettingsServices::Browser{"firefox", "Firefox"};
    permissions.slowMs = 20;
    auto p = make<PermissionsSettingsModel>();
    p->start();
    // Ticks come faster than the answers: each one that finds a check running adds none.
    for (int i = 0; i < 30; ++i) {
        scheduler.advance(PermissionsSettingsModel::pollInterval);
        QThread::msleep(3);
        QCoreApplication::sendPostedEvents();
    }
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(permissions.mostAtOnce.load(), 1);
    EXPECT_LT(permissions.determined.load(), 30);
    EXPECT_GE(permissions.determined.load(), 1);
    EXPECT_FALSE(p->checkRunning());
}
