#include "shell/Watchdog.h"

#include "base/Log.h"
#include "base/Scheduler.h"
#include "platform/Notifications.h"
#include "voice/AudioEngine.h"

namespace brisklet {

const QString Watchdog::alertTitle = QStringLiteral("Brisklet needs attention");
const QString Watchdog::accessibilityIssue =
    QStringLiteral("Accessibility permission is off \u2014 window commands won't work");
const QString Watchdog::soundServerIssue =
    QStringLiteral("The sound server isn't answering \u2014 Brisklet can't hear you");
const QString Watchdog::microphoneIssue =
    QStringLiteral("Microphone access is off \u2014 Brisklet can't hear you");
const QString Watchdog::engineStoppedIssue = QStringLiteral("Audio engine isn't running");
const QString Watchdog::engineStalledIssue = QStringLiteral("Audio engine stopped delivering audio");
const QString Watchdog::speechIssue =
    QStringLiteral("Speech Recognition is off \u2014 commands can't be understood");
const QString Watchdog::onDeviceIssue =
    QStringLiteral("On-device speech isn't ready \u2014 install the pocketsphinx-en-us package");

namespace {
bool answers(const std::function<bool()>& check) {
    return !check || check();
}
} // namespace

Watchdog::Watchdog(Checks checks, Scheduler& scheduler, platform::Notifications* notifications)
    : checks_(std::move(checks)), scheduler_(scheduler), notifications_(notifications),
      timer_(scheduler, interval, [this] { check(); }), firstCheck_(scheduler), recheck_(scheduler) {}

void Watchdog::start() {
    timer_.start();
    firstCheck_.schedule(firstCheckDelay, [this] { check(); });
}

void Watchdog::check() {
    if (isPaused && isPaused())
        return;
    QStringList issues;
    if (!answers(checks_.accessibilityTrusted))
        issues << accessibilityIssue;
    // Without a server or a microphone the engine checks say nothing more; the
    // streak keeps its count until the input is back.
    if (!answers(checks_.soundServerAnswers)) {
        issues << soundServerIssue;
        startIdleEngine();
    } else if (!answers(checks_.microphoneAuthorized)) {
        issues << microphoneIssue;
        startIdleEngine();
    } else {
        checkEngine(issues);
    }
    if (issues.contains(soundServerIssue) || issues.contains(microphoneIssue))
        recheck_.schedule(inputRecheckDelay, [this] { check(); });
    checkSpeech(issues);

    const bool degraded = !issues.isEmpty();
    if (onStateChange)
        onStateChange(degraded, issues);
    if (degraded == wasDegraded_)
        return;
    wasDegraded_ = degraded;
    qCInfo(lcApp).noquote() << QStringLiteral("watchdog: %1 %2")
                                   .arg(degraded ? QStringLiteral("DEGRADED") : QStringLiteral("recovered"),
                                        issues.join(QStringLiteral("; ")));
    if (degraded && notifications_)
        notifications_->show(alertTitle, issues.join(QLatin1Char(' ')));
}

// The first bad check only repairs; the user hears of it when the repair has not
// helped by the next one.
void Watchdog::checkEngine(QStringList& issues) {
    AudioEngine* audio = checks_.audio ? checks_.audio() : nullptr;
    if (audio && !audio->isRunning()) {
        audio->start();
        if (++engineFailStreak_ >= 2)
            issues << engineStoppedIssue;
        return;
    }
    const std::optional<double> last = audio ? audio->lastBufferAt() : std::nullopt;
    if (last && scheduler_.clock().now() - *last > stallLimit) {
        audio->recover(QStringLiteral("watchdog: engine stalled"));
        if (++engineFailStreak_ >= 2)
            issues << engineStalledIssue;
        return;
    }
    engineFailStreak_ = 0;
}

// A stopped engine is asked to start all the same: it keeps trying on its own until
// the input answers.
void Watchdog::startIdleEngine() {
    AudioEngine* audio = checks_.audio ? checks_.audio() : nullptr;
    if (audio && !audio->isRunning())
        audio->start();
}

void Watchdog::checkSpeech(QStringList& issues) {
    // A model still loading is neither off nor missing: the check after the load
    // tells which it turned out to be.
    if (checks_.speechLoading && checks_.speechLoading())
        return;
    if (!answers(checks_.speechAuthorized))
        issues << speechIssue;
    else if (!answers(checks_.onDeviceSpeech))
        issues << onDeviceIssue;
}

} // namespace brisklet
