#pragma once

#include "base/Scheduler.h"
#include "base/SerialQueue.h"

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace brisklet {

class SoundClassifier;

enum class WakeSource { clap, hotkey };
QString wakeSourceName(WakeSource source);

// The one gate through which a wake gesture becomes a wake: drops a wake that
// follows the previous one within 1 s, and confirms double claps with the sound
// classifier (a confident clap confirms, dominating speech vetoes).
class WakeController final : public QObject {
    Q_OBJECT
public:
    static constexpr double debounce = 1.0;
    static constexpr double fusionWindow = 1.5;
    static constexpr double retryWindow = 1.75;
    static constexpr double retryDelay = 0.25;
    static constexpr double confirmAt = 0.35;
    static constexpr double speechDominatesAt = 0.75;
    static constexpr double clapOutweighsSpeechAt = 0.5;

    // `scheduler` times the fusion retries; its clock is the controller's time.
    explicit WakeController(SoundClassifier& classifier, Scheduler& scheduler = Scheduler::main(),
                            QObject* parent = nullptr);
    ~WakeController();
    WakeController(const WakeController&) = delete;
    WakeController& operator=(const WakeController&) = delete;

    // Asynchronous; any thread.
    void fire(WakeSource source);
    // Whether the classifier heard a confident clap within the last `window` seconds
    // that speech doesn't outweigh. Any thread.
    bool fusionAgrees(double window);
    // Re-checks 0.25 s (and, failing that, 0.5 s) later and fires on agreement.
    void retryFusion(int attempt);
    // A double clap from the detector: fire at once when confirmation is switched off
    // ("brisklet.fusionDisabled") or the classifier is unavailable; else fire when the
    // classifier agrees now, or retry.
    void clapDetected();

    // Waits until the wake queue has run what was handed to it so far.
    void waitIdle();
    // Stops the wake queue; nothing fires afterwards.
    void stop();

signals:
    // A wake got through the gate; main thread.
    void woke(brisklet::WakeSource source);

private:
    void fireNow(WakeSource source);

    SoundClassifier& classifier_;
    Scheduler& scheduler_;
    SerialQueue queue_{"com.brisklet.wake", "bk.wake"};
    std::optional<double> lastWake_; // only touched on the queue
    // Cleared on destruction; delayed work and main-thread hops check it.
    std::shared_ptr<WakeController*> self_;
};

} // namespace brisklet
