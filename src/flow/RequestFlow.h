#pragma once

#include "actions/PlanRunner.h"
#include "ask/AskPort.h"
#include "commands/Action.h"
#include "flow/HUDPort.h"
#include "flow/WakeKeyGesture.h"
#include "flow/WatchdogPort.h"
#include "voice/WakeController.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace brisklet {

class AppState;
class Chime;
class ClapDetector;
class Scheduler;
class SoundClassifier;
class SpeechController;

// When a listening window opens and closes, and what happens to what was heard:
// the wake key's press, release and cancel (their meaning is the gesture's), clap
// wakes, the audio feeds, the hand-off of the transcript, pause, and the dispatch
// of a phrase to the matcher, the executor or Ask. Main thread, except the audio
// handlers and onDoubleClap, which run on the audio processing thread and touch
// only atomics and thread-safe parts.
class RequestFlow final : public QObject {
    Q_OBJECT
public:
    struct Parts {
        SpeechController* speech = nullptr;
        HUDPort* hud = nullptr;
        AppState* appState = nullptr;
        PlanRunner* executor = nullptr;
        AskPort* ask = nullptr;
        WakeController* wake = nullptr;
        ClapDetector* detector = nullptr;
        SoundClassifier* classifier = nullptr;
        WatchdogPort* watchdog = nullptr;
        Chime* chime = nullptr;         // null: silent
        Scheduler* scheduler = nullptr; // null: the app's
        // The plan for a heard phrase (empty: nothing matched).
        std::function<Plan(const QString&)> match;
        // The recogniser's model is loaded.
        std::function<bool()> speechAuthorized;
        // The model is still loading; a window opened now is heard once it has.
        std::function<bool()> speechLoading;
        // A microphone exists and opens.
        std::function<bool()> microphoneAuthorized;
        std::function<void()> startAudio;
        std::function<void()> stopAudio;
    };

    static constexpr double handOffDelay = 0.12;
    static constexpr double clapFusionWindow = 1.5;
    static constexpr int vocabularyLimit = 100;

    explicit RequestFlow(Parts parts, QObject* parent = nullptr);

    // --- listening (main thread)
    void wakeKeyDown();
    void wakeKeyUp(double heldFor);
    void holdCancel();
    void handleWake(WakeSource source);
    void handleTranscript(const std::optional<QString>& text);
    void togglePause();
    void updateClapMode();
    void startPipelineIfPermitted();

    // --- audio processing thread
    void feedClapAndClassifier(std::span<const float> samples, std::int64_t position);
    void feedSpeech(std::span<const float> samples);
    void onDoubleClap(double time);

    // --- dispatch (main thread)
    void dispatch(const QString& text);
    void performActions(const Plan& plan);
    // The question to ask before an Ask plan runs, if it is risky.
    static std::optional<QString> confirmQuestion(const Plan& plan, const QString& phrase);

    bool isPaused() const { return paused_.load(); }
    bool clapModeActive() const { return clapModeActive_.load(); }
    void setOnboardingClapPreview(bool on) { onboardingClapPreview_.store(on); }
    bool onboardingClapPreview() const { return onboardingClapPreview_.load(); }

signals:
    // A listening window opened.
    void listeningStarted();
    // A double clap was heard while the onboarding shows its clap preview; may be
    // emitted on the audio processing thread.
    void clapDemoHeard();
    // After every pause or resume (the status item's title and state).
    void pauseChanged(bool paused);

private:
    enum class Opening { hold, wake };
    void openWindow(Opening how);
    void endCurrentWindow();
    void cancelWindow();
    SpeechController::Window window() const;
    // Carries out what the wake key's gesture decided.
    void perform(WakeKeyGesture::Step step);
    void handleAskResult(const QString& text, const AskResult& result);
    void runPlan(const Plan& plan);
    Scheduler& scheduler();

    Parts p_;
    WakeKeyGesture gesture_;
    // Read on the audio processing thread and the wake-key thread.
    std::atomic<bool> paused_{false};
    std::atomic<bool> clapModeActive_{false};
    std::atomic<bool> onboardingClapPreview_{false};
    // The partial transcript the display shows for the current window.
    QString shownPartial_;
};

} // namespace brisklet
