#pragma once

#include "base/SerialQueue.h"
#include "platform/AudioBackend.h"
#include "platform/SleepWatcher.h"
#include "voice/FloatRingBuffer.h"

#include <QString>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <semaphore>
#include <span>
#include <thread>
#include <vector>

namespace brisklet {

class Scheduler;

// The always-open microphone: input converted to 16 kHz mono float, buffered in a
// ring, and handed out in 512-sample chunks on one processing thread. It keeps
// itself alive: failed starts are retried (quickly at first, then every few
// seconds for as long as it is wanted), device changes re-tap the input, and a
// wake from sleep restarts it.
class AudioEngine final {
public:
    // `samples` (512 of them, 16 kHz mono) are valid only during the call; a
    // handler that keeps audio copies it. `position` counts the samples delivered
    // before this chunk since the engine was made (0, 512, 1024, …, never reset).
    using Handler = std::function<void(std::span<const float> samples, std::int64_t position)>;

    static constexpr int sampleRate = 16000;
    static constexpr std::size_t chunkFrames = 512;
    static constexpr int maxStartRetries = 5;
    // After the quick retries, and at once while no sound server answers: the
    // server may come back minutes later, or first appear after we started.
    static constexpr double slowRetryInterval = 3.0;
    static constexpr double rebuildDelay = 0.35;

    // `scheduler` times the retries and the debounced rebuild; `sleepWatcher`
    // (optional) restarts the input after the computer wakes.
    AudioEngine(std::unique_ptr<platform::AudioBackend> backend, Scheduler& scheduler,
                platform::SleepWatcher* sleepWatcher = nullptr);
    ~AudioEngine();

    AudioEngine(const AudioEngine&) = delete;
    AudioEngine& operator=(const AudioEngine&) = delete;

    // Handlers run in the order added, on the processing thread, until the engine
    // is destroyed (so what they use must outlive it). The list is frozen by the
    // first start(): later additions are refused (false).
    bool addHandler(Handler handler);

    void start();
    void stop();
    // A listening window opened or ended: the input comes promptly while one is
    // open and in longer stretches while not. Any thread.
    void setListening(bool listening);
    // Restart the input if it is wanted (after a wake from sleep, or when chunks
    // stopped arriving).
    void recover(const QString& reason);

    // RMS of the latest chunk (linear, 0…1 for full-scale input).
    float level() const;
    // Clock time of the latest chunk or successful start; nullopt before either.
    std::optional<double> lastBufferAt() const;
    bool isRunning() const;
    // Whether a default input device answered at the last start, or at the last
    // device change while stopped; true until either has happened (the first start
    // finds out). Any thread; never waits for the backend.
    bool inputAvailable() const { return inputAvailable_.load(); }
    // Whether a sound server answered at the last start or device change; true
    // until either has happened. Any thread; never waits for the backend.
    bool soundServerAnswers() const { return serverAnswers_.load(); }

    // Samples waiting in the ring for the processing thread.
    std::size_t bufferedSamples() const { return ring_.count(); }
    // How many samples the microphone has already heard that the handlers have not
    // been given yet: what the sound server holds for us, what the converter and the
    // ring hold. A sound played now is heard that far after the last sample handed
    // out. Asks the server (a round trip); nullopt where it does not say. Any thread.
    std::optional<std::int64_t> captureBacklog();
    // The backend's route: the input heard and the output our sounds go to (empty:
    // not known). Any thread.
    QString route() const;
    // Wait until the control work queued so far has run.
    void waitForControl();

    // CPU seconds used by the audio threads so far (nullopt: the thread does not
    // run yet), for measuring what the idle microphone costs.
    struct ThreadCpu {
        std::optional<double> capture;
        std::optional<double> processing;
    };
    ThreadCpu threadCpuSeconds() const;

    platform::AudioBackend& backend() { return *backend_; }

private:
    struct Anchor;

    // Control thread only.
    void startNow();
    std::optional<platform::AudioError> installTap();
    void removeTapQuietly();
    void stopEngine();
    void scheduleStartRetry(bool serverGone);
    void noteInput(const std::optional<platform::AudioError>& error);
    void scheduleRebuild(const QString& reason);
    void restart();
    void checkInput();

    // Capture thread.
    void consume(std::span<const float> samples);
    // Processing thread.
    void processLoop();
    void deliverChunk(std::span<const float> chunk);

    // Post work to the control thread unless the engine is gone by then.
    static void postControl(const std::shared_ptr<Anchor>& anchor, std::function<void(AudioEngine&)> work);

    std::unique_ptr<platform::AudioBackend> backend_;
    Scheduler& scheduler_;
    platform::SleepWatcher* sleepWatcher_;
    platform::SleepWatcher::Token sleepToken_ = 0;
    std::shared_ptr<Anchor> anchor_;

    FloatRingBuffer ring_;
    std::counting_semaphore<> sem_{0};
    // Samples the backend has given the engine so far (capture thread).
    std::atomic<std::int64_t> consumed_{0};

    std::vector<Handler> handlers_;
    std::atomic<bool> handlersFrozen_{false};

    // Written on the control thread.
    std::atomic<bool> inputAvailable_{true};
    std::atomic<bool> serverAnswers_{true};

    // Control thread state.
    bool desiredRunning_ = false;
    int startRetryCount_ = 0;
    QString lastFailure_; // logged since the last success, so a repeat is not
    std::uint64_t retryToken_ = 0;
    std::uint64_t rebuildToken_ = 0;
    std::uint64_t rebuildGeneration_ = 0;

    // Processing thread.
    std::thread procThread_;
    std::atomic<bool> procStop_{false};
    std::atomic<bool> procStarted_{false};
    std::thread::native_handle_type procHandle_{};
    std::int64_t framePosition_ = 0;

    mutable std::mutex levelMutex_;
    float level_ = 0.0f;
    std::optional<double> lastBufferAt_;

    SerialQueue control_{"com.brisklet.audio.control", "bk.audio.ctl"};
};

} // namespace brisklet
