#include "support/FileAudioBackend.h"

#include "platform/linux/SampleConverter.h"
#include "support/WavFile.h"
#include "voice/AudioEngine.h"

#include <chrono>
#include <cstring>
#include <pthread.h>
#include <time.h>

namespace brisklet::test {

namespace {
constexpr std::size_t blockSamples = 1024; // 64 ms
constexpr std::size_t maxAhead = 16000;    // fast pace: one second in the ring at most
} // namespace

std::unique_ptr<FileAudioBackend> FileAudioBackend::fromWav(const QString& path, Pace pace, QString* error) {
    auto backend = std::make_unique<FileAudioBackend>(pace);
    if (!backend->appendWav(path, error))
        return nullptr;
    return backend;
}

std::unique_ptr<FileAudioBackend> FileAudioBackend::fromSamples(const std::vector<float>& samples, int rate,
                                                                int channels, Pace pace) {
    auto backend = std::make_unique<FileAudioBackend>(pace);
    backend->appendSamples(samples, rate, channels);
    return backend;
}

FileAudioBackend::FileAudioBackend(Pace pace) : pace_(pace) {}

FileAudioBackend::~FileAudioBackend() {
    stopEngine();
}

bool FileAudioBackend::appendWav(const QString& path, QString* error) {
    auto wav = readWav(path, error);
    if (!wav)
        return false;
    appendConverted(wav->format, wav->bytes.data(), wav->bytes.size());
    return true;
}

void FileAudioBackend::appendSamples(const std::vector<float>& samples, int rate, int channels) {
    appendConverted({rate, channels, platform::SampleFormat::float32},
                    reinterpret_cast<const std::byte*>(samples.data()), samples.size() * sizeof(float));
}

void FileAudioBackend::appendSilence(double seconds) {
    std::lock_guard lock(mutex_);
    audio_.resize(audio_.size() + static_cast<std::size_t>(seconds * 16000.0 + 0.5), 0.0f);
    changed_.notify_all();
}

void FileAudioBackend::appendConverted(const platform::InputFormat& format, const std::byte* bytes,
                                       std::size_t size) {
    std::vector<float> converted;
    auto converter = platform::SampleConverter::create(format);
    if (!converter)
        return;
    auto out = [&](std::span<const float> s) { converted.insert(converted.end(), s.begin(), s.end()); };
    converter->push(std::span<const std::byte>(bytes, size), out);
    converter->finish(out);
    std::lock_guard lock(mutex_);
    audio_.insert(audio_.end(), converted.begin(), converted.end());
    changed_.notify_all();
}

void FileAudioBackend::attach(const AudioEngine& engine) {
    std::lock_guard lock(mutex_);
    engine_ = &engine;
}

std::size_t FileAudioBackend::samplesQueued() const {
    std::lock_guard lock(mutex_);
    return audio_.size();
}

bool FileAudioBackend::waitUntilPlayed(double timeoutSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(timeoutSeconds);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            const bool fedAll = cursor_ >= audio_.size();
            const bool taken = !engine_ || engine_->bufferedSamples() < AudioEngine::chunkFrames;
            if (fedAll && taken)
                return true;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::optional<platform::InputFormat> FileAudioBackend::inputFormat() {
    return platform::InputFormat{16000, 1, platform::SampleFormat::float32};
}

std::optional<platform::AudioError> FileAudioBackend::installTap(Sink sink) {
    std::lock_guard lock(mutex_);
    sink_ = std::move(sink);
    return std::nullopt;
}

std::optional<platform::AudioError> FileAudioBackend::removeTap() {
    // Taking the lock waits out a block being fed.
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
    return std::nullopt;
}

std::optional<platform::AudioError> FileAudioBackend::startEngine() {
    if (running_)
        return std::nullopt;
    {
        std::lock_guard lock(mutex_);
        stopFeeding_ = false;
    }
    running_ = true;
    feeder_ = std::thread([this] { feed(); });
    return std::nullopt;
}

std::optional<platform::AudioError> FileAudioBackend::stopEngine() {
    {
        std::lock_guard lock(mutex_);
        stopFeeding_ = true;
        changed_.notify_all();
    }
    if (feeder_.joinable())
        feeder_.join();
    running_ = false;
    std::lock_guard lock(mutex_);
    feederCpuClock_.reset();
    return std::nullopt;
}

std::optional<double> FileAudioBackend::captureThreadCpuSeconds() const {
    std::lock_guard lock(mutex_);
    if (!feederCpuClock_)
        return std::nullopt;
    timespec ts{};
    if (clock_gettime(*feederCpuClock_, &ts) != 0)
        return std::nullopt;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void FileAudioBackend::feed() {
    using namespace std::chrono;
    auto begin = steady_clock::now();
    std::size_t paced = 0; // samples fed since `begin`, for real-time pacing
    std::unique_lock lock(mutex_);
    clockid_t cpuClock;
    if (pthread_getcpuclockid(pthread_self(), &cpuClock) == 0)
        feederCpuClock_ = cpuClock;
    for (;;) {
        if (!stopFeeding_ && cursor_ >= audio_.size()) {
            changed_.wait(lock, [&] { return stopFeeding_ || cursor_ < audio_.size(); });
            // Audio queued after a pause plays at its own pace, not in a catch-up burst.
            begin = steady_clock::now();
            paced = 0;
        }
        if (stopFeeding_)
            return;
        if (pace_ == Pace::realTime) {
            const auto due = begin + duration_cast<steady_clock::duration>(duration<double>(paced / 16000.0));
            if (changed_.wait_until(lock, due, [&] { return stopFeeding_; }))
                return;
        } else if (engine_ && engine_->bufferedSamples() > maxAhead) {
            changed_.wait_for(lock, milliseconds(1), [&] { return stopFeeding_; });
            continue;
        }
        const std::size_t n = std::min(blockSamples, audio_.size() - cursor_);
        if (sink_)
            sink_(std::span<const float>(audio_.data() + cursor_, n));
        cursor_ += n;
        paced += n;
        fed_ += n;
    }
}

} // namespace brisklet::test
