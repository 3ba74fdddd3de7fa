#include "voice/WakeController.h"

#include "base/Log.h"
#include "base/MainThread.h"
#include "base/Prefs.h"
#include "voice/SoundClassifier.h"

namespace brisklet {

QString wakeSourceName(WakeSource source) {
    return source == WakeSource::clap ? QStringLiteral("clap") : QStringLiteral("hotkey");
}

WakeController::WakeController(SoundClassifier& classifier, Scheduler& scheduler, QObject* parent)
    : QObject(parent), classifier_(classifier), scheduler_(scheduler),
      self_(std::make_shared<WakeController*>(this)) {}

WakeController::~WakeController() {
    stop();
    self_.reset();
}

void WakeController::stop() {
    queue_.stop();
}

void WakeController::waitIdle() {
    queue_.sync([] {});
}

void WakeController::fire(WakeSource source) {
    queue_.async([this, source] { fireNow(source); });
}

void WakeController::fireNow(WakeSource source) {
    const double now = scheduler_.clock().now();
    if (lastWake_ && now - *lastWake_ <= debounce)
        return;
    lastWake_ = now;
    qCInfo(lcClap).noquote() << "WAKE via" << wakeSourceName(source);
    std::weak_ptr<WakeController*> weak = self_;
    MainThread::post([weak, source] {
        if (auto self = weak.lock())
            emit(*self)->woke(source);
    });
}

bool WakeController::fusionAgrees(double window) {
    const double now = scheduler_.clock().now();
    const std::optional<double> clap = classifier_.bestClap(window, now);
    if (!clap || *clap < confirmAt)
        return false;
    const std::optional<double> speech = classifier_.bestSpeech(window, now);
    const bool speechDominates = speech && *speech >= speechDominatesAt;
    if (!speechDominates || *clap >= clapOutweighsSpeechAt)
        return true;
    qCInfo(lcClap).noquote() << QString::asprintf("fusion veto: speech dominates (clap %.*f)", 2, *clap);
    return false;
}

void WakeController::retryFusion(int attempt) {
    std::weak_ptr<WakeController*> weak = self_;
    // The timer fires on the main thread, where the controller is destroyed, so the
    // check and the hand-over to the queue can't race its destruction.
    scheduler_.schedule(retryDelay, [weak, attempt] {
        auto self = weak.lock();
        if (!self)
            return;
        WakeController* controller = *self;
        controller->queue_.async([controller, attempt] {
            if (controller->fusionAgrees(retryWindow)) {
                controller->fireNow(WakeSource::clap);
            } else if (attempt > 1) {
                qCInfo(lcClap) << "fusion veto: DSP fired, no confident clap classification (speech/music?)";
            } else {
                controller->retryFusion(attempt + 1);
            }
        });
    });
}

void WakeController::clapDetected() {
    if (Prefs::boolValue(Prefs::Key::fusionDisabled) || !classifier_.available()) {
        fire(WakeSource::clap);
    } else if (fusionAgrees(fusionWindow)) {
        fire(WakeSource::clap);
    } else {
        retryFusion(1);
    }
}

} // namespace brisklet
