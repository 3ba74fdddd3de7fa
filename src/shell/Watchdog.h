#pragma once

#include "base/PendingWork.h"
#include "base/RepeatingTimer.h"
#include "flow/WatchdogPort.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace brisklet {

class AudioEngine;
class Scheduler;

namespace platform {
class Notifications;
}

// Checks every 30 s (first after 5 s) that the listening pipeline can work:
// desktop access, microphone, speech model, and a microphone that runs and still
// delivers. It repairs the engine itself, tells its owner the problems on every
// check, logs each change between healthy and degraded, and shows one alert each
// time the state turns degraded. Main thread.
class Watchdog final : public WatchdogPort {
public:
    struct Checks {
        std::function<bool()> accessibilityTrusted;
        // A sound server answers (null: one does).
        std::function<bool()> soundServerAnswers;
        std::function<bool()> microphoneAuthorized;
        std::function<bool()> speechAuthorized;
        // The speech model is still loading (null: it isn't).
        std::function<bool()> speechLoading;
        // The recogniser can work on this computer (null: it can).
        std::function<bool()> onDeviceSpeech;
        // The engine while it lives; null once it is gone.
        std::function<AudioEngine*()> audio;
    };

    static constexpr double interval = 30.0;
    static constexpr double firstCheckDelay = 5.0;
    // While the sound server or the microphone is missing, the next look comes this
    // soon: the engine brings the input back by itself, and the user sees it back.
    static constexpr double inputRecheckDelay = 5.0;
    // Seconds without a chunk after which a running engine counts as stalled.
    static constexpr double stallLimit = 4.0;

    static const QString alertTitle;
    static const QString accessibilityIssue;
    static const QString soundServerIssue;
    static const QString microphoneIssue;
    static const QString engineStoppedIssue;
    static const QString engineStalledIssue;
    static const QString speechIssue;
    static const QString onDeviceIssue;

    // `notifications` null: no alerts.
    Watchdog(Checks checks, Scheduler& scheduler, platform::Notifications* notifications);

    void start() override;
    void check() override;

    bool isDegraded() const { return wasDegraded_; }
    int engineFailStreak() const { return engineFailStreak_; }

    // After every check that ran: degraded or not, and the problems in order.
    std::function<void(bool degraded, const QStringList& issues)> onStateChange;

private:
    void checkEngine(QStringList& issues);
    void startIdleEngine();
    void checkSpeech(QStringList& issues);

    Checks checks_;
    Scheduler& scheduler_;
    platform::Notifications* notifications_;
    RepeatingTimer timer_;
    PendingWork firstCheck_;
    PendingWork recheck_;
    bool wasDegraded_ = false;
    int engineFailStreak_ = 0;
};

} // namespace brisklet
