// The launch and its wiring over a fake desktop: what the launch sets going, the
// first window, reopening, the phrase tables, the shutdown and the layouts file.
#include "shell/AppDelegate.h"
#include "shell/MainMenu.h"
#include "shell/SetupRuns.h"

#include "actions/BrightnessControl.h"
#include "base/JsonFile.h"
#include "base/Paths.h"
#include "base/Prefs.h"
#include "commands/Action.h"
#include "commands/CommandRegistry.h"
#include "commands/ReservedPhrases.h"
#include "flow/RequestFlow.h"
#include "magic/MagicBuilder.h"
#include "magic/MagicController.h"
#include "magic/MagicProposal.h"
#include "platform/Apps.h"
#include "platform/SleepWatcher.h"
#include "setups/SetupStore.h"
#include "support/FakeBrightnessEngine.h"
#include "support/FakeBrowserLauncher.h"
#include "support/FakePlatform.h"
#include "support/FileFaults.h"
#include "support/ScopedEnv.h"
#include "support/TempHome.h"
#include "support/WaitFor.h"
#include "ui/home/HomeWindowController.h"
#include "ui/hud/HUDController.h"
#include "ui/magic/MagicPaneHost.h"
#include "ui/onboarding/OnboardingController.h"
#include "ui/receipts/ReceiptController.h"
#include "ui/receipts/SetupNudgeController.h"
#include "ui/setups/SetupCaptureController.h"
#include "ui/setups/SetupEditorController.h"
#include "ui/setups/SetupsPaneModel.h"
#include "voice/AudioEngine.h"
#include "voice/SpeechController.h"
#include "voice/WakeController.h"
#include "windows/LayoutStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

// The fakes with a 16 kHz microphone and a gamma engine that logs each step.
struct RecordingPlatform final : FakePlatform {
    std::shared_ptr<BrightnessLog> gamma = std::make_shared<BrightnessLog>();
    std::unique_ptr<FakeBrowserLauncher> browsers; // none unless a test sets one

    platform::BrowserLauncher* browserLauncher() override { return browsers.get(); }

    std::unique_ptr<platform::AudioBackend> makeAudioBackend() override {
        auto backend = FakePlatform::makeAudioBackend();
        audioBackend->setFormat(platform::InputFormat{16000, 1});
        return backend;
    }
    std::unique_ptr<BrightnessControl> makeBrightness() override {
        auto log = gamma;
        return std::make_unique<BrightnessControl>(
            [] { return std::unique_ptr<platform::BrightnessEngine>(); },
            [log] { return std::make_unique<FakeBrightnessEngine>(log, Clock::system()); }, Clock::system(),
            [] { return true; });
    }
};

class AppDelegateTest : public ::testing::Test {
protected:
    TempHome home;
    ScopedRuntimeDir runtime;
    RecordingPlatform* platform = nullptr;

    std::unique_ptr<AppDelegate> make(bool autostart = false) {
        auto p = std::make_unique<RecordingPlatform>();
        platform = p.get();
        AppDelegate::Options options;
        options.autostart = autostart;
        return std::make_unique<AppDelegate>(std::move(p), options);
    }

    // A setup named "Focus", not yet stored.
    static brisklet::Setup focusSetup() {
        brisklet::Setup focus;
        focus.id = QUuid::createUuid();
        focus.name = QStringLiteral("Focus");
        return focus;
    }

    // A setup named "Studio" with nothing in it, said by its phrase "everyday", stored.
    static void storeEverydayStudio(AppDelegate& delegate) {
        brisklet::Setup studio = focusSetup();
        studio.name = QStringLiteral("Studio");
        studio.phrases = {QStringLiteral("everyday")};
        ASSERT_TRUE(delegate.setups()->upsert(studio));
    }

    // Dispatches what was heard and waits until that Studio has run (with nothing to do).
    static void expectStudioRuns(AppDelegate& delegate, const QString& heard) {
        delegate.flow()->dispatch(heard);
        ASSERT_TRUE(waitFor([&] { return delegate.hud()->state().text.contains(": nothing to do"); }))
            << delegate.hud()->state().text.toStdString();
        EXPECT_TRUE(delegate.hud()->state().text.startsWith("“Studio”"))
            << delegate.hud()->state().text.toStdString();
    }
};

} // namespace

TEST_F(AppDelegateTest, aLaunchWatchesTheWakeKeyAndAllowsKeyringPromptsAgainAfterwards) {
    auto delegate = make();
    ASSERT_EQ(delegate->launch(), AppDelegate::LaunchResult::running);
    EXPECT_TRUE(AppDelegate::keychainInteractionAllowed()) << "switched back on after the launch";
    EXPECT_TRUE(platform->keyTap->running) << "the wake key is watched";
    EXPECT_EQ(platform->keyTap->key, 54);
}

TEST_F(AppDelegateTest, snapshotModeStopsBeforeAnythingElse) {
    QTemporaryDir shots;
    qputenv("BRISKLET_SNAPSHOT_DIR", shots.path().toUtf8() + "/shots");
    auto delegate = make();
    const auto result = delegate->launch();
    qunsetenv("BRISKLET_SNAPSHOT_DIR");
    EXPECT_EQ(result, AppDelegate::LaunchResult::running) << "the pictures are written from the event loop";
    EXPECT_TRUE(
        QDir(runtime.dir.path()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot).isEmpty())
        << "no instance socket";
    EXPECT_EQ(delegate->audio(), nullptr);
    EXPECT_EQ(delegate->home(), nullptr);
    EXPECT_TRUE(QFile::exists(shots.path() + "/shots/fixtures/many.json")) << "only the fixtures are stored";
}

TEST_F(AppDelegateTest, theFirstWindowDependsOnOnboardingAndOnHowWeWereStarted) {
    {
        // A first launch opens onboarding; listening starts once the grants are read.
        auto delegate = make();
        delegate->launch();
        EXPECT_TRUE(delegate->onboarding()->isVisible());
        EXPECT_FALSE(delegate->home()->isVisible());
        EXPECT_TRUE(delegate->flow()->onboardingClapPreview()) << "the finish step's clap preview";
        ASSERT_TRUE(waitFor([&] { return delegate->onboarding()->model().micOK(); }));
        delegate->audio()->waitForControl();
        EXPECT_TRUE(delegate->audio()->isRunning()) << "nothing to consent to here: listening starts";
        EXPECT_FALSE(Prefs::boolValue(Prefs::Key::onboarded));

        delegate->onboarding()->finish();
        EXPECT_TRUE(Prefs::boolValue(Prefs::Key::onboarded));
        EXPECT_FALSE(delegate->onboarding()->isVisible());
        EXPECT_TRUE(delegate->home()->isVisible());
        EXPECT_FALSE(delegate->flow()->onboardingClapPreview()) << "no clap analysis while clap wake is off";
    }
    Prefs::setValue(Prefs::Key::onboarded, true);
    {
        auto delegate = make();
        delegate->launch();
        EXPECT_TRUE(delegate->home()->isVisible());
        EXPECT_FALSE(delegate->onboarding()->isVisible());
    }
    {
        auto delegate = make(true);
        delegate->launch();
        EXPECT_FALSE(delegate->home()->isVisible()) << "a login start shows nothing";
        delegate->handleReopen();
        EXPECT_TRUE(delegate->home()->isVisible());
        delegate->handleReopen();
        EXPECT_EQ(delegate->home()->shown(), 1) << "visible: nothing more";
    }
}

TEST_F(AppDelegateTest, changedWakeSettingsReachTheKeyAndTheClapPipeline) {
    auto delegate = make();
    delegate->launch();
    Prefs::setValue(Prefs::Key::wakeKeyCode, 61);
    Prefs::setValue(Prefs::Key::clapWake, true);
    delegate->home()->onWakeConfigChange();
    EXPECT_NE(platform->keyTap->key, 54);
    EXPECT_TRUE(delegate->flow()->clapModeActive());

    // The onboarding's own choices take the same road.
    delegate->onboarding()->setClapEnabled(false);
    EXPECT_FALSE(delegate->flow()->clapModeActive());
    delegate->onboarding()->chooseStyle("tap");
    EXPECT_EQ(Prefs::stringValue(Prefs::Key::activationStyle), "tap");
    delegate->onboarding()->close();
    EXPECT_FALSE(delegate->flow()->onboardingClapPreview());
    EXPECT_TRUE(delegate->home()->isVisible()) << "closing onboarding shows home";
    EXPECT_FALSE(Prefs::boolValue(Prefs::Key::onboarded)) << "only the last step marks it done";
}

TEST_F(AppDelegateTest, reopeningShowsOnboardingUntilItIsFinishedThenHome) {
    auto delegate = make(true);
    delegate->launch();
    ASSERT_TRUE(delegate->onboarding()->isVisible()) << "even a login start: onboarding isn't done";
    delegate->onboarding()->model().setStep(2);
    delegate->handleReopen();
    EXPECT_EQ(delegate->onboarding()->model().step(), 2) << "the open window keeps its place";
    delegate->onboarding()->close();
    delegate->home()->hide();
    delegate->handleReopen();
    EXPECT_TRUE(delegate->onboarding()->isVisible());
    EXPECT_EQ(delegate->onboarding()->model().step(), 0) << "a new window starts over";
    delegate->onboarding()->finish();
    delegate->home()->hide();
    delegate->handleReopen();
    EXPECT_FALSE(delegate->onboarding()->isVisible());
    EXPECT_TRUE(delegate->home()->isVisible());
    EXPECT_FALSE(delegate->flow()->onboardingClapPreview());
}

TEST_F(AppDelegateTest, theHomeWindowsMenuBarHasTheMainMenuAndItsEntriesReachTheWindow) {
    Prefs::setValue(Prefs::Key::onboarded, true);
    auto delegate = make(true);
    delegate->launch();
    HomeWindowController* home = delegate->home();
    EXPECT_EQ(home->menus().size(), MainMenu::menus().size());
    home->show();
    ASSERT_TRUE(home->isVisible());
    home->chooseMenuCommand(static_cast<int>(MainMenu::Command::hide));
    EXPECT_FALSE(home->isVisible());
}

TEST_F(AppDelegateTest, theMicrophoneIsAskedAboutOnlyOnTheAudioControlThread) {
    auto delegate = make();
    delegate->launch();
    // Listening starts once the onboarding has read the grants.
    ASSERT_TRUE(waitFor([&] { return delegate->onboarding()->model().micOK(); }));
    delegate->audio()->waitForControl();
    ASSERT_TRUE(delegate->audio()->isRunning());
    delegate->flow()->togglePause();
    delegate->flow()->togglePause(); // resuming asks whether there is a microphone
    delegate->audio()->waitForControl();
    EXPECT_TRUE(delegate->audio()->isRunning());
    EXPECT_GT(platform->audioBackend->count("format"), 0);
    EXPECT_EQ(platform->audioBackend->mainThreadCalls(), 0);
}

TEST_F(AppDelegateTest, afterShutdownNothingRestartsTheKeyTapOrReachesTheAudioEngine) {
    auto delegate = make();
    delegate->launch();
    delegate->shutdown();
    ASSERT_FALSE(platform->keyTap->running);
    const int starts = platform->keyTap->starts;
    Prefs::setValue(Prefs::Key::wakeKeyCode, 61);
    delegate->home()->onWakeConfigChange();
    delegate->onboarding()->onPermissionsChanged();
    delegate->handleReopen();
    platform->sleep.wake();
    EXPECT_FALSE(platform->keyTap->running);
    EXPECT_EQ(platform->keyTap->starts, starts);
    // Pausing and resuming stop and start the microphone: the engine is gone.
    delegate->flow()->togglePause();
    delegate->flow()->togglePause();
    delegate->flow()->startPipelineIfPermitted();
    EXPECT_EQ(delegate->audio(), nullptr);
}

TEST_F(AppDelegateTest, theRecogniserExpectsOnlyEnabledCommandsButEveryPhraseStaysReserved) {
    auto delegate = make();
    delegate->launch();
    CommandEntry off;
    off.id = "custom-abcd1234";
    off.phrases = {"Play Jazz!"};
    off.action = "runShortcut";
    off.params = {{"name", "Jazz"}};
    off.enabled = false;
    delegate->registry()->setEntries({off});
    EXPECT_TRUE(ReservedPhrases::of(*delegate->registry()).contains("play jazz"));
    EXPECT_FALSE(delegate->vocabulary().contains("Play Jazz!")) << "disabled: not expected by the recogniser";
    off.enabled = true;
    delegate->registry()->setEntries({off});
    EXPECT_TRUE(delegate->vocabulary().contains("Play Jazz!"));
}

TEST_F(AppDelegateTest, theMicrophoneComesPromptlyOnlyWhileAWindowListens) {
    auto delegate = make(true);
    Prefs::setValue(Prefs::Key::onboarded, true);
    delegate->launch();
    delegate->flow()->handleWake(WakeSource::clap);
    ASSERT_TRUE(delegate->speech()->isListening());
    delegate->audio()->waitForControl();
    EXPECT_EQ(platform->audioBackend->count("listen"), 1);
    EXPECT_EQ(platform->audioBackend->count("idle"), 0);
    delegate->flow()->handleTranscript(std::nullopt);
    delegate->audio()->waitForControl();
    EXPECT_EQ(platform->audioBackend->count("idle"), 1);
}

TEST_F(AppDelegateTest, theLevelProviderAnswersZeroOnceTheDelegateIsGone) {
    auto delegate = make();
    delegate->launch();
    auto level = delegate->levelProvider();
    delegate.reset();
    EXPECT_EQ(level(), 0.0f);
}

TEST_F(AppDelegateTest, anUndecodableLayoutsFileIsKeptAndBackedUpBeforeItIsReplaced) {
    Paths::ensure();
    const QString path = Paths::layoutsJSON();
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("{ not json");
    }
    auto delegate = make();
    delegate->launch();
    EXPECT_TRUE(delegate->layouts()->cachedNames().empty());
    QFile kept(path);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("{ not json")) << "the launch leaves the file as it was";

    delegate->layouts()->save();
    QFile backup(QFileInfo(path).dir().filePath(LayoutStore::corruptBackupName));
    ASSERT_TRUE(backup.open(QIODevice::ReadOnly));
    EXPECT_EQ(backup.readAll(), QByteArray("{ not json"));
}

TEST_F(AppDelegateTest, theSavedSetupsReachTheRecogniser) {
    Paths::ensure();
    QFile f(Paths::setupsJSON());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"([{"id": "2F1C3B1E-5A57-4D49-9C55-1B1A2C3D4E04", "name": "Gym", "phrases": ["workout"],
                 "createdAt": "2026-11-02T08:15:00Z"}])");
    f.close();
    auto delegate = make();
    delegate->launch();
    EXPECT_TRUE(delegate->vocabulary().contains("Gym"));
    EXPECT_TRUE(delegate->vocabulary().contains("workout"));
}

TEST_F(AppDelegateTest, aWakeFromSleepRebuildsALostKeyTap) {
    auto delegate = make();
    delegate->launch();
    const int starts = platform->keyTap->starts;
    platform->keyTap->lose();
    platform->sleep.wake();
    EXPECT_GT(platform->keyTap->starts, starts);
    EXPECT_TRUE(platform->keyTap->running);
}

TEST_F(AppDelegateTest, quittingRestoresGammaChangedByTheFallbackAndStopsTheWorkers) {
    auto delegate = make();
    delegate->launch();
    ASSERT_TRUE(delegate->brightness()->apply(50));
    QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
    QCoreApplication::exec();
    EXPECT_EQ(platform->gamma->restores, 1);
    EXPECT_EQ(delegate->audio(), nullptr) << "the audio threads are gone";
    EXPECT_FALSE(platform->keyTap->running);
}

TEST_F(AppDelegateTest, anUnknownAppearanceFollowsTheSystem) {
    const struct {
        const char* stored;
        AppDelegate::Appearance expected;
    } cases[] = {{"dark", AppDelegate::Appearance::dark},
                 {"light", AppDelegate::Appearance::light},
                 {"system", AppDelegate::Appearance::system},
                 {"purple", AppDelegate::Appearance::system}};
    for (const auto& c : cases) {
        Prefs::setValue(Prefs::Key::appearance, QString::fromLatin1(c.stored));
        auto delegate = make();
        delegate->launch();
        EXPECT_EQ(delegate->appearance(), c.expected) << c.stored;
    }
}

TEST_F(AppDelegateTest, aTapslyUsersDataAndSettingsArrivePlacedBeforeAnythingReadsThem) {
    const QString legacyData = home.dataHome() + "/Tapsly";
    ASSERT_TRUE(QDir().mkpath(legacyData));
    QFile marker(legacyData + "/notes.txt");
    ASSERT_TRUE(marker.open(QIODevice::WriteOnly));
    marker.write("kept");
    marker.close();
    ASSERT_TRUE(QDir().mkpath(home.configHome() + "/Tapsly"));
    {
        QSettings legacy(home.configHome() + "/Tapsly/Tapsly.conf", QSettings::IniFormat);
        legacy.setValue("tapsly.wakeKeyCode", 61);
    }
    auto delegate = make();
    ASSERT_EQ(delegate->launch(), AppDelegate::LaunchResult::running);
    EXPECT_TRUE(QFile::exists(Paths::dataFolder() + "/notes.txt"));
    EXPECT_EQ(platform->keyTap->key, 61) << "the imported wake key is the one watched";
    EXPECT_TRUE(Prefs::boolValue(Prefs::Key::migratedFromLegacy));
}

TEST_F(AppDelegateTest, updatingFromTheNudgeEndsTheDriftedRunAndSavesTheSetupFromTheScreen) {
    auto delegate = make();
    delegate->launch();
    const brisklet::Setup focus = focusSetup();
    ASSERT_TRUE(delegate->setups()->upsert(focus));
    SetupStore::ActiveRun run;
    run.setupID = focus.id;
    run.name = focus.name;
    run.startedAt = QDateTime::currentDateTimeUtc();
    delegate->setups()->setActiveRun(run);

    // A setup that has gone meanwhile: nothing happens.
    emit delegate->nudge()->updateRequested(QUuid::createUuid());
    QTest::qWait(50);
    EXPECT_TRUE(delegate->setups()->activeRun().has_value());

    emit delegate->nudge()->updateRequested(focus.id);
    EXPECT_TRUE(waitFor([&] { return delegate->hud()->state().text == "“Focus” now matches your screen"; }))
        << delegate->hud()->state().text.toStdString();
    EXPECT_FALSE(delegate->setups()->activeRun().has_value());
    EXPECT_TRUE(delegate->setups()->setup(focus.id).has_value());
}

TEST_F(AppDelegateTest, aCardRunsAndEndsTheSetupItShowsWhenAnotherIsSaidAlike) {
    auto delegate = make();
    delegate->launch();
    brisklet::Setup desk = focusSetup();
    desk.name = QStringLiteral("Desk setup");
    brisklet::Setup alike = focusSetup();
    alike.name = QStringLiteral("Desk set up");
    ASSERT_TRUE(delegate->setups()->upsert(desk));
    ASSERT_TRUE(delegate->setups()->upsert(alike));
    const auto answered = [&] {
        const QString text = delegate->hud()->state().text;
        return text.contains(QStringLiteral(": nothing to do")) || text.contains(QStringLiteral(" ended"));
    };

    delegate->home()->onRunSetup(alike);
    ASSERT_TRUE(waitFor(answered)) << delegate->hud()->state().text.toStdString();
    EXPECT_TRUE(delegate->hud()->state().text.startsWith("“Desk set up"))
        << delegate->hud()->state().text.toStdString();

    delegate->hud()->show(HUDState::info(QStringLiteral("before")));
    delegate->home()->onEndSetup(alike);
    ASSERT_TRUE(waitFor(answered)) << delegate->hud()->state().text.toStdString();
    // By now the store has read its file back and freed the later name as a copy.
    EXPECT_TRUE(delegate->hud()->state().text.startsWith("“Desk set up"))
        << delegate->hud()->state().text.toStdString();
}

TEST_F(AppDelegateTest, anUpdateThatCannotBeWrittenSaysSoInsteadOfMatching) {
    auto delegate = make();
    delegate->launch();
    const brisklet::Setup focus = focusSetup();
    ASSERT_TRUE(delegate->setups()->upsert(focus));

    // The disk is full from here on: the setups file can't be written.
    FileSizeLimit full(16);
    emit delegate->nudge()->updateRequested(focus.id);
    EXPECT_TRUE(waitFor([&] {
        return delegate->hud()->state().text == "Couldn't save “Focus” — the setups file can't be written";
    })) << delegate->hud()->state().text.toStdString();
    EXPECT_EQ(delegate->hud()->state().kind, HUDState::Kind::info);
}

TEST_F(AppDelegateTest, aSpokenCaptureOpensTheReviewAndItsSaveIsConfirmed) {
    auto delegate = make();
    delegate->launch();
    EXPECT_EQ(delegate->home()->setupEditor(), delegate->setupEditor());

    delegate->flow()->performActions({Action::captureSetup(QStringLiteral("Focus Time"))});
    SetupCaptureController* capture = delegate->captureController();
    ASSERT_TRUE(waitFor([&] { return capture->preview() != nullptr; }));
    EXPECT_EQ(capture->preview()->name(), "Focus Time");

    SetupItem item;
    item.id = QUuid::createUuid();
    item.bundleID = "org.gnome.Terminal";
    item.appName = "Terminal";
    capture->save("Focus Time", {item}, "1:1280x800", false);
    EXPECT_TRUE(waitFor([&] {
        return delegate->hud()->state().text == "Saved “Focus Time” — say “focus time” anytime";
    })) << delegate->hud()->state().text.toStdString();
    EXPECT_TRUE(delegate->setups()->lookup("focus time").has_value());
    EXPECT_EQ(capture->preview(), nullptr);
}

// A capture the full disk doesn't take shows no "Saved …": the review stays open
// and says why.
TEST_F(AppDelegateTest, aCaptureTheDiskDoesNotTakeIsNotAnnouncedAsSaved) {
    auto delegate = make();
    delegate->launch();
    delegate->flow()->performActions({Action::captureSetup(QStringLiteral("Fulldisk"))});
    SetupCaptureController* capture = delegate->captureController();
    ASSERT_TRUE(waitFor([&] { return capture->preview() != nullptr; }));
    SetupItem item;
    item.id = QUuid::createUuid();
    item.bundleID = "org.gnome.Terminal";
    item.appName = "Terminal";
    {
        FileSizeLimit full(16);
        EXPECT_FALSE(capture->save("Fulldisk", {item}, "1:1280x800", false));
    }
    EXPECT_FALSE(delegate->hud()->state().text.startsWith("Saved"))
        << delegate->hud()->state().text.toStdString();
    ASSERT_NE(capture->preview(), nullptr) << "the review stays open";
    EXPECT_EQ(capture->preview()->property("unsaved").toString(),
              "Couldn't save “Fulldisk” — the setups file can't be written");
    EXPECT_FALSE(delegate->setups()->lookup("fulldisk").has_value());
}

// Duplicate and Delete on a full disk say so on the display, as Update does.
TEST_F(AppDelegateTest, aDuplicateOrDeleteTheDiskDoesNotTakeSaysSoOnTheDisplay) {
    auto delegate = make();
    delegate->launch();
    const brisklet::Setup focus = focusSetup();
    ASSERT_TRUE(delegate->setups()->upsert(focus));
    SetupsPaneModel& pane = delegate->home()->setupsPane();
    FileSizeLimit full(0); // not even an empty list fits
    pane.duplicate(focus.id.toString());
    EXPECT_TRUE(waitFor([&] {
        return delegate->hud()->state().text ==
               "Couldn't save “Focus copy” — the setups file can't be written";
    })) << delegate->hud()->state().text.toStdString();
    EXPECT_EQ(delegate->hud()->state().kind, HUDState::Kind::info);
    pane.askDelete(focus.id.toString());
    pane.confirmDelete();
    EXPECT_TRUE(waitFor([&] {
        return delegate->hud()->state().text == "Couldn't delete “Focus” — the setups file can't be written";
    })) << delegate->hud()->state().text.toStdString();
    EXPECT_EQ(delegate->setups()->setups().size(), 1u);
}

TEST_F(AppDelegateTest, theSetupsPaneOpensTheEditorOnNewAndStoredSetups) {
    auto delegate = make();
    delegate->launch();
    SetupEditorModel& editor = delegate->setupEditor()->model();
    delegate->home()->setupsPane().newSetup();
    ASSERT_TRUE(editor.isOpen());
    EXPECT_TRUE(editor.isNew());
    editor.cancel();

    const brisklet::Setup focus = focusSetup();
    ASSERT_TRUE(delegate->setups()->upsert(focus));
    delegate->home()->setupsPane().edit(focus.id.toString());
    ASSERT_TRUE(editor.isOpen());
    EXPECT_EQ(editor.original().id, focus.id);
    EXPECT_FALSE(editor.isNew());
}

TEST_F(AppDelegateTest, cardsShownWithNothingToDrawOnKeepTheirStateWithoutAPanel) {
    auto delegate = make();
    delegate->launch();
    const brisklet::Setup focus = focusSetup();
    delegate->receipts()->showRun({}, focus, true, std::nullopt, QRect(0, 0, 1280, 800));
    ASSERT_NE(delegate->receipts()->current(), nullptr);
    EXPECT_EQ(delegate->receipts()->currentSurface(), nullptr) << "no GUI application here";
    delegate->nudge()->show(focus.id, focus.name, QRect(0, 0, 1280, 800));
    EXPECT_NE(delegate->nudge()->current(), nullptr);
}

TEST_F(AppDelegateTest, tuningAMagicProposalOpensItsDraftInTheEditor) {
    auto delegate = make();
    delegate->launch();
    auto* host = qobject_cast<MagicPaneHost*>(delegate->home()->magic);
    ASSERT_TRUE(host);
    EXPECT_TRUE(host->allowEdit) << "the cards offer \"Tune first…\"";
    brisklet::Setup draft;
    draft.id = QUuid::createUuid();
    draft.name = QStringLiteral("Writing");
    emit host->editRequested(draft);
    SetupEditorModel& editor = delegate->setupEditor()->model();
    ASSERT_TRUE(editor.isOpen());
    EXPECT_EQ(editor.original().id, draft.id);
    EXPECT_TRUE(delegate->setups()->setups().empty()) << "nothing is saved by opening";

    // Its save goes the way the card's Save does.
    QStringList handed;
    const auto cardSave = host->onSaveDraft;
    host->onSaveDraft = [&](const brisklet::Setup& tuned) {
        handed << tuned.name;
        return cardSave(tuned);
    };
    SetupItem term;
    term.id = QUuid::createUuid();
    term.bundleID = "org.gnome.Terminal";
    term.appName = "Terminal";
    draft.items = {term};
    emit host->editRequested(draft);
    editor.setPhrasesText("pages");
    editor.save();
    EXPECT_EQ(handed, QStringList{"Writing"});
    EXPECT_FALSE(editor.isOpen());
    ASSERT_EQ(delegate->setups()->setups().size(), 1u);
    EXPECT_EQ(delegate->setups()->setups().front().phrases, QStringList{"pages"});

    // Tuned again once saved: the edits are written, not dropped as a saved draft.
    emit host->editRequested(draft);
    editor.setPhrasesText("long form");
    editor.save();
    EXPECT_EQ(handed.size(), 1);
    EXPECT_FALSE(editor.isOpen());
    EXPECT_EQ(delegate->setups()->setups().front().phrases, QStringList{"long form"});
}

TEST_F(AppDelegateTest, theOnboardingsMagicStepShowsWhatWasFoundAndNeverReplacesAShownList) {
    auto delegate = make();
    delegate->launch();
    ASSERT_TRUE(delegate->onboarding()->isVisible());
    MagicController* magic = delegate->magic();
    ASSERT_TRUE(magic);
    const OnboardingModel& model = delegate->onboarding()->model();
    const auto ids = [](const std::vector<MagicProposal>& proposals) {
        std::vector<QUuid> out;
        for (const MagicProposal& p : proposals)
            out.push_back(p.id());
        return out;
    };
    const auto proposal = [](const QString& name) {
        MagicProposal p;
        p.title = name;
        p.draft.id = QUuid::createUuid();
        p.draft.name = name;
        return p;
    };
    EXPECT_FALSE(model.magicScanned()) << "reading until the first scan publishes on the main thread";
    ASSERT_TRUE(waitFor([&] { return model.magicScanned() && !magic->scanning(); }, 10000));
    EXPECT_EQ(ids(model.magicProposals()), ids(magic->proposals()));

    // The list the user looks at stays when a later scan finds others.
    const std::vector<MagicProposal> shown{proposal("Code")};
    delegate->onboarding()->model().setMagicProposals(shown);
    magic->publish(MagicProfile{}, {proposal("Write")});
    EXPECT_EQ(ids(model.magicProposals()), ids(shown));
    // Nor when a second launch brings the open window forward.
    delegate->handleReopen();
    EXPECT_TRUE(delegate->onboarding()->isVisible());
    EXPECT_EQ(ids(model.magicProposals()), ids(shown));

    // Reopened, the step shows at once what Magic holds, and its own scan keeps it.
    delegate->onboarding()->finish();
    const std::vector<QUuid> held = ids(magic->proposals());
    delegate->home()->runOnboarding();
    EXPECT_TRUE(model.magicScanned()) << "a scan has run: no reading state";
    EXPECT_EQ(ids(model.magicProposals()), held);
    ASSERT_TRUE(waitFor([&] { return !magic->scanning(); }, 10000));
    QTest::qWait(20);
    EXPECT_EQ(ids(model.magicProposals()), held);
}

TEST_F(AppDelegateTest, theOnboardingsMagicStepKeepsADraftOnceAndFollowsItsRunOutcome) {
    auto delegate = make(true);
    delegate->launch();
    MagicProposal proposal;
    proposal.title = "Code";
    proposal.draft.id = QUuid::createUuid();
    proposal.draft.name = "Code";
    OnboardingController* onboarding = delegate->onboarding();
    ASSERT_TRUE(onboarding->onMagicSave);
    EXPECT_TRUE(onboarding->onMagicSave(proposal));
    EXPECT_TRUE(onboarding->onMagicSave(proposal)) << "kept before: still kept";
    EXPECT_EQ(delegate->setups()->setups().size(), 1u);

    // A second draft of the same name is kept as a copy, and the step says so.
    MagicProposal twin = proposal;
    twin.draft.id = QUuid::createUuid();
    EXPECT_EQ(onboarding->onMagicSave(twin), std::optional<QString>("Code copy"));
    onboarding->model().setMagicProposals({twin});
    onboarding->saveFirstProposal();
    EXPECT_EQ(onboarding->model().magicFirstSavedName(), "Code copy");

    // A failed run of the draft the step ran takes its mark back and shows why.
    onboarding->model().setMagicProposals({proposal});
    onboarding->magicRun(proposal);
    std::optional<DraftRunOutcome> outcome;
    QObject::connect(delegate->setupRuns(), &SetupRuns::draftRunFinished,
                     [&](const DraftRunOutcome& o) { outcome = o; });
    ASSERT_TRUE(waitFor([&] { return outcome.has_value(); }, 10000));
    ASSERT_FALSE(outcome->success) << "a draft with nothing in it can't run";
    EXPECT_FALSE(onboarding->model().magicRanID().has_value());
    EXPECT_EQ(onboarding->model().magicRunFailure(proposal.id()), outcome->message);
    EXPECT_FALSE(outcome->message.isEmpty());
}

TEST_F(AppDelegateTest, aMagicProposalIsNeverSavedUnderAnotherSetupsPhrase) {
    auto delegate = make(true);
    delegate->launch();
    storeEverydayStudio(*delegate);
    const auto everyday = [] {
        MagicProposal p;
        p.title = QStringLiteral("Everyday");
        p.draft.id = QUuid::createUuid();
        p.draft.name = QStringLiteral("Everyday");
        return p;
    };
    const auto free = [&](const QUuid& id) {
        const auto saved = delegate->setups()->setup(id);
        if (!saved)
            return false;
        for (const QString& word : QStringList{saved->name} + saved->phrases)
            if (SetupStore::spokenKey(word) == QStringLiteral("everyday"))
                return false;
        return true;
    };

    // Magic's card, and the words a draft described to Magic is kept away from.
    auto* host = qobject_cast<MagicPaneHost*>(delegate->home()->magic);
    ASSERT_TRUE(host && host->onSaveDraft && host->builder);
    EXPECT_TRUE(host->builder->inventoryProvider().takenWords.contains(QStringLiteral("everyday")));
    const MagicProposal fromMagic = everyday();
    EXPECT_TRUE(host->onSaveDraft(fromMagic.draft));
    EXPECT_TRUE(free(fromMagic.draft.id)) << delegate->hud()->state().text.toStdString();
    EXPECT_FALSE(delegate->hud()->state().text.contains("“everyday” anytime"));

    // Onboarding's Magic step.
    const MagicProposal fromOnboarding = everyday();
    const auto name = delegate->onboarding()->onMagicSave(fromOnboarding);
    ASSERT_TRUE(name.has_value());
    EXPECT_NE(SetupStore::spokenKey(*name), QStringLiteral("everyday"));
    EXPECT_TRUE(free(fromOnboarding.draft.id));

    // Said, the words still run the setup they belonged to.
    expectStudioRuns(*delegate, QStringLiteral("everyday"));
}

// The general model writes "everyday" in its two words, often after an "it" it
// heard in the breath before them.
TEST_F(AppDelegateTest, aOneWordPhraseHeardInItsTwoWordsRunsItsSetup) {
    auto delegate = make(true);
    delegate->launch();
    storeEverydayStudio(*delegate);
    expectStudioRuns(*delegate, QStringLiteral("it every day"));
}

TEST_F(AppDelegateTest, aDescriptionBuiltBeforeAnyScanTakesTheBrowserWatchsAnswer) {
    Prefs::setValue(Prefs::Key::onboarded, true);
    auto delegate = make(true);
    platform->browsers = std::make_unique<FakeBrowserLauncher>(platform->desktop, Clock::system());
    platform->installed.setInstalled({{"chromium", "Chromium Web Browser", "/apps/chromium.desktop"}});
    delegate->launch();
    auto* host = qobject_cast<MagicPaneHost*>(delegate->home()->magic);
    ASSERT_TRUE(host && host->builder && host->builder->inventoryProvider);
    MagicRecommender::Inventory inventory;
    ASSERT_TRUE(waitFor([&] {
        inventory = host->builder->inventoryProvider();
        return inventory.defaultBrowserBundleID == "chromium";
    }));
    EXPECT_FALSE(delegate->magic()->profile()) << "no scan has run";
    EXPECT_EQ(platform->browsers->defaultAskedOnMainThread, 0);
    EXPECT_GT(platform->browsers->defaultAskedElsewhere, 0);
}
