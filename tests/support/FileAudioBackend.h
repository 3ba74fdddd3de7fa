#pragma once

#include "platform/AudioBackend.h"

#include <QString>

#include <atomic>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace brisklet {
class AudioEngine;
}

namespace brisklet::test {

// A microphone that plays recordings: WAV files or sample arrays of any rate and
// channel count, converted to 16 kHz mono by the app's own converter, fed from a
// thread of its own once the engine starts it.
//
//   auto file = FileAudioBackend::fromWav(path);      // or fromSamples(...)
//   FileAudioBackend* player = file.get();
//   AudioEngine engine(std::move(file), scheduler);
//   player->attach(engine);                           // fast pace never overflows the ring
//   engine.addHandler(...); engine.start();
//   ASSERT_TRUE(player->waitUntilPlayed(30));
class FileAudioBackend final : public platform::AudioBackend {
public:
    enum class Pace {
        realTime, // 16 000 samples a second, as a microphone would
        fast,     // as fast as the engine takes them
    };

    // Null when the file can't be read (`error` says why).
    static std::unique_ptr<FileAudioBackend> fromWav(const QString& path, Pace pace = Pace::fast,
                                                     QString* error = nullptr);
    // Interleaved samples at `rate` with `channels` channels.
    static std::unique_ptr<FileAudioBackend> fromSamples(const std::vector<float>& samples, int rate = 16000,
                                                         int channels = 1, Pace pace = Pace::fast);
    explicit FileAudioBackend(Pace pace = Pace::fast);
    ~FileAudioBackend() override;

    // Queue more audio after what is already queued (may be called while playing).
    bool appendWav(const QString& path, QString* error = nullptr);
    void appendSamples(const std::vector<float>& samples, int rate = 16000, int channels = 1);
    void appendSilence(double seconds);

    // In fast pace, stay at most one second ahead of what `engine` has taken.
    void attach(const AudioEngine& engine);

    // Wait until everything queued has been fed (and, when attached, taken by the
    // engine's processing thread). False on time-out.
    bool waitUntilPlayed(double timeoutSeconds);
    // 16 kHz samples fed so far.
    std::size_t samplesFed() const { return fed_; }
    // 16 kHz samples queued in all.
    std::size_t samplesQueued() const;

    void setChangeHandler(ChangeHandler) override {}
    std::optional<platform::InputFormat> inputFormat() override;
    std::optional<platform::AudioError> prepareConverter(const platform::InputFormat&) override { return {}; }
    std::optional<platform::AudioError> installTap(Sink sink) override;
    std::optional<platform::AudioError> removeTap() override;
    std::optional<platform::AudioError> startEngine() override;
    std::optional<platform::AudioError> stopEngine() override;
    bool isRunning() const override { return running_; }
    // The feeding thread stands for the capture thread.
    std::optional<double> captureThreadCpuSeconds() const override;

private:
    void feed();
    void appendConverted(const platform::InputFormat& format, const std::byte* bytes, std::size_t size);

    Pace pace_;
    const AudioEngine* engine_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<float> audio_; // 16 kHz mono, everything queued
    std::size_t cursor_ = 0;   // next sample to feed
    Sink sink_;
    std::atomic<bool> running_{false};
    std::atomic<std::size_t> fed_{0};
    bool stopFeeding_ = false;
    std::optional<clockid_t> feederCpuClock_;
    std::thread feeder_;
};

} // namespace brisklet::test
