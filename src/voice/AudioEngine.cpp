#include "voice/AudioEngine.h"

#include "base/Log.h"
#include "base/Scheduler.h"

#include <algorithm>
#include <cmath>
#include <cxxabi.h>
#include <exception>
#include <pthread.h>
#include <time.h>
#include <typeinfo>

namespace brisklet {

using platform::AudioError;

// Lets callbacks from other threads reach the engine only while it exists.
struct AudioEngine::Anchor {
    std::mutex mutex;
    AudioEngine* engine = nullptr;
};

namespace {

QString typeName(const std::type_info& type) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    QString name = QString::fromUtf8(status == 0 && demangled ? demangled : type.name());
    std::free(demangled);
    return name;
}

AudioError bridgeError(const QString& reason, const QString& name) {
    QString text = !reason.isEmpty() ? reason
                   : !name.isEmpty() ? name
                                     : QStringLiteral("unknown audio backend exception");
    return {AudioError::bridgeDomain, 1, text, name};
}

// A backend may throw; the engine keeps running and treats it as a failed call.
template <typename Call> std::optional<AudioError> guarded(Call&& call) {
    try {
        return call();
    } catch (const std::exception& e) {
        return bridgeError(QString::fromUtf8(e.what()), typeName(typeid(e)));
    } catch (...) {
        return bridgeError({}, {});
    }
}

std::optional<double> threadCpu(pthread_t thread) {
    clockid_t id;
    if (pthread_getcpuclockid(thread, &id) != 0)
        return std::nullopt;
    timespec ts{};
    if (clock_gettime(id, &ts) != 0)
        return std::nullopt;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

} // namespace

AudioEngine::AudioEngine(std::unique_ptr<platform::AudioBackend> backend, Scheduler& scheduler,
                         platform::SleepWatcher* sleepWatcher)
    : backend_(std::move(backend)), scheduler_(scheduler), sleepWatcher_(sleepWatcher),
      anchor_(std::make_shared<Anchor>()) {
    anchor_->engine = this;
    std::weak_ptr<Anchor> weak = anchor_;
    backend_->setChangeHandler([weak](const QString& reason) {
        if (auto anchor = weak.lock())
            postControl(anchor, [reason](AudioEngine& engine) { engine.scheduleRebuild(reason); });
    });
    if (sleepWatcher_) {
        sleepToken_ = sleepWatcher_->addWakeHandler([weak] {
            if (auto anchor = weak.lock()) {
                std::lock_guard lock(anchor->mutex);
                if (anchor->engine)
                    anchor->engine->recover(QStringLiteral("system woke from sleep"));
            }
        });
    }
}

AudioEngine::~AudioEngine() {
    {
        std::lock_guard lock(anchor_->mutex);
        anchor_->engine = nullptr;
    }
    if (sleepWatcher_)
        sleepWatcher_->removeWakeHandler(sleepToken_);
    control_.sync([this] {
        desiredRunning_ = false;
        scheduler_.cancel(retryToken_);
        scheduler_.cancel(rebuildToken_);
        removeTapQuietly();
        stopEngine();
    });
    control_.stop();
    if (procThread_.joinable()) {
        procStop_ = true;
        sem_.release();
        procThread_.join();
    }
}

void AudioEngine::postControl(const std::shared_ptr<Anchor>& anchor, std::function<void(AudioEngine&)> work) {
    std::lock_guard lock(anchor->mutex);
    if (AudioEngine* engine = anchor->engine)
        engine->control_.async([engine, work = std::move(work)] { work(*engine); });
}

bool AudioEngine::addHandler(Handler handler) {
    if (handlersFrozen_) {
        qCWarning(lcAudio) << "chunk handler added after the engine started; ignored";
        return false;
    }
    handlers_.push_back(std::move(handler));
    return true;
}

void AudioEngine::start() {
    handlersFrozen_ = true;
    control_.async([this] {
        desiredRunning_ = true;
        startNow();
    });
}

void AudioEngine::setListening(bool listening) {
    control_.async([this, listening] {
        if (guarded([&]() -> std::optional<AudioError> {
                backend_->setListening(listening);
                return std::nullopt;
            }))
            qCWarning(lcAudio) << "the input's pace could not be changed";
    });
}

void AudioEngine::stop() {
    control_.async([this] {
        desiredRunning_ = false;
        startRetryCount_ = 0;
        lastFailure_.clear();
        scheduler_.cancel(retryToken_);
        retryToken_ = 0;
        scheduler_.cancel(rebuildToken_);
        rebuildToken_ = 0;
        ++rebuildGeneration_;
        removeTapQuietly();
        stopEngine();
        qCInfo(lcAudio) << "audio engine stopped";
    });
}

void AudioEngine::recover(const QString& reason) {
    control_.async([this, reason] {
        if (!desiredRunning_)
            return;
        qCInfo(lcAudio, "recovering audio engine (%s)", qUtf8Printable(reason));
        restart();
    });
}

void AudioEngine::restart() {
    removeTapQuietly();
    stopEngine();
    startRetryCount_ = 0;
    scheduler_.cancel(retryToken_);
    retryToken_ = 0;
    startNow();
}

std::optional<std::int64_t> AudioEngine::captureBacklog() {
    std::optional<platform::AudioBackend::CaptureBacklog> backlog;
    if (guarded([&]() -> std::optional<AudioError> {
            backlog = backend_->captureBacklog();
            return std::nullopt;
        }))
        return std::nullopt;
    if (!backlog)
        return std::nullopt;
    // What the backend has given since its answer is in the ring by now, or already
    // handed out. Read in this order, a sample moving on meanwhile is counted at most
    // once: the sound is then expected a little early, never late.
    const auto ring = std::int64_t(ring_.count());
    const std::int64_t consumed = consumed_.load();
    return std::max<std::int64_t>(0, ring + backlog->given + backlog->pending - consumed);
}

QString AudioEngine::route() const {
    try {
        return backend_->route();
    } catch (...) {
        return {};
    }
}

void AudioEngine::waitForControl() {
    control_.sync([] {});
}

float AudioEngine::level() const {
    std::lock_guard lock(levelMutex_);
    return level_;
}

std::optional<double> AudioEngine::lastBufferAt() const {
    std::lock_guard lock(levelMutex_);
    return lastBufferAt_;
}

bool AudioEngine::isRunning() const {
    return backend_->isRunning();
}

AudioEngine::ThreadCpu AudioEngine::threadCpuSeconds() const {
    ThreadCpu cpu;
    cpu.capture = backend_->captureThreadCpuSeconds();
    if (procStarted_.load(std::memory_order_acquire))
        cpu.processing = threadCpu(procHandle_);
    return cpu;
}

// --- control thread

void AudioEngine::startNow() {
    if (backend_->isRunning())
        return;
    // Whatever the ring still holds is from before the stop; splicing it into the
    // next utterance would be worse than losing it.
    ring_.clear();

    std::optional<AudioError> error = installTap();
    noteInput(error);
    if (!error) {
        error = guarded([&] { return backend_->startEngine(); });
        if (!error && !backend_->isRunning())
            error = AudioError::app(AudioError::engineStartFailed);
    }
    if (error) {
        // While the server is away every attempt fails alike: once in the log is enough.
        if (error->description != lastFailure_)
            qCCritical(lcAudio, "audio engine start failed: %s", qUtf8Printable(error->description));
        lastFailure_ = error->description;
        scheduleStartRetry(error->domain == AudioError::appDomain &&
                           error->code == AudioError::noSoundServer);
        return;
    }
    if (!procThread_.joinable()) {
        procThread_ = std::thread([this] { processLoop(); });
        procHandle_ = procThread_.native_handle();
        procStarted_.store(true, std::memory_order_release);
    }
    startRetryCount_ = 0;
    lastFailure_.clear();
    scheduler_.cancel(retryToken_);
    retryToken_ = 0;
    {
        std::lock_guard lock(levelMutex_);
        lastBufferAt_ = scheduler_.clock().now();
    }
    qCInfo(lcAudio) << "audio engine running (input tapped, 16kHz mono)";
}

void AudioEngine::noteInput(const std::optional<AudioError>& error) {
    const bool ours = error && error->domain == AudioError::appDomain;
    const bool noServer = ours && error->code == AudioError::noSoundServer;
    serverAnswers_ = !noServer;
    inputAvailable_ = !(noServer || (ours && error->code == AudioError::noInputDevice));
}

std::optional<AudioError> AudioEngine::installTap() {
    removeTapQuietly();
    std::optional<platform::InputFormat> format;
    if (auto error = guarded([&]() -> std::optional<AudioError> {
            format = backend_->inputFormat();
            return std::nullopt;
        }))
        return error;
    if (!format || format->sampleRate <= 0 || format->channels <= 0)
        return AudioError::app(backend_->serverAnswers() ? AudioError::noInputDevice
                                                         : AudioError::noSoundServer);
    if (auto error = guarded([&] { return backend_->prepareConverter(*format); }))
        return error;
    std::optional<platform::InputFormat> again;
    if (auto error = guarded([&]() -> std::optional<AudioError> {
            again = backend_->inputFormat();
            return std::nullopt;
        }))
        return error;
    if (!again || again->sampleRate != format->sampleRate || again->channels != format->channels)
        return AudioError::app(AudioError::formatChangedMidSetup);
    return guarded(
        [&] { return backend_->installTap([this](std::span<const float> samples) { consume(samples); }); });
}

void AudioEngine::checkInput() {
    std::optional<platform::InputFormat> format;
    const auto error = guarded([&]() -> std::optional<AudioError> {
        format = backend_->inputFormat();
        return std::nullopt;
    });
    if (error)
        noteInput(error);
    else if (!format || format->sampleRate <= 0 || format->channels <= 0)
        noteInput(AudioError::app(backend_->serverAnswers() ? AudioError::noInputDevice
                                                            : AudioError::noSoundServer));
    else
        noteInput(std::nullopt);
}

void AudioEngine::removeTapQuietly() {
    if (auto error = guarded([&] { return backend_->removeTap(); })) {
        BK_DETAIL(lcAudio) << "removing the tap failed:" << error->description;
    }
}

void AudioEngine::stopEngine() {
    if (auto error = guarded([&] { return backend_->stopEngine(); }))
        qCCritical(lcAudio, "audio engine stop failed: %s", qUtf8Printable(error->description));
}

// Five quick retries for an input that is slow to open; then, and at once while
// no sound server answers, one every few seconds for as long as the engine is
// wanted. The backend also says when a server answers again, which rebuilds at once.
void AudioEngine::scheduleStartRetry(bool serverGone) {
    if (!desiredRunning_)
        return;
    double delay = slowRetryInterval;
    bool quick = false;
    if (!serverGone && startRetryCount_ < maxStartRetries) {
        const int n = startRetryCount_++;
        delay = std::min((n + 1) * 0.3, 2.0);
        quick = true;
    } else if (!serverGone && startRetryCount_ == maxStartRetries) {
        ++startRetryCount_;
        qCCritical(lcAudio, "audio engine start failed after %ld retries; trying again every %g s",
                   static_cast<long>(maxStartRetries), slowRetryInterval);
    }
    scheduler_.cancel(retryToken_);
    std::weak_ptr<Anchor> weak = anchor_;
    retryToken_ = scheduler_.schedule(delay, [weak, quick] {
        auto anchor = weak.lock();
        if (!anchor)
            return;
        postControl(anchor, [quick](AudioEngine& engine) {
            if (!engine.desiredRunning_ || engine.backend_->isRunning())
                return;
            if (quick)
                qCInfo(lcAudio, "retrying audio engine start (attempt %ld)",
                       static_cast<long>(engine.startRetryCount_));
            engine.startNow();
        });
    });
}

void AudioEngine::scheduleRebuild(const QString& reason) {
    scheduler_.cancel(rebuildToken_);
    const std::uint64_t generation = ++rebuildGeneration_;
    std::weak_ptr<Anchor> weak = anchor_;
    rebuildToken_ = scheduler_.schedule(rebuildDelay, [weak, generation, reason] {
        auto anchor = weak.lock();
        if (!anchor)
            return;
        postControl(anchor, [generation, reason](AudioEngine& engine) {
            // A newer event (or a stop) has taken this one's place.
            if (generation != engine.rebuildGeneration_)
                return;
            engine.rebuildToken_ = 0;
            if (!engine.desiredRunning_) {
                // Stopped: only note whether there is an input to start with now.
                engine.checkInput();
                return;
            }
            qCInfo(lcAudio, "re-tapping audio input (%s)", qUtf8Printable(reason));
            engine.restart();
        });
    });
}

// --- capture thread

void AudioEngine::consume(std::span<const float> samples) {
    if (samples.empty())
        return;
    // Counted before it is in the ring: a backlog read meanwhile never counts it twice.
    consumed_ += std::int64_t(samples.size());
    ring_.write(samples);
    sem_.release();
}

// --- processing thread

void AudioEngine::processLoop() {
    pthread_setname_np(pthread_self(), "bk.audio.proc");
    std::vector<float> chunk(chunkFrames);
    for (;;) {
        sem_.acquire();
        if (procStop_)
            return;
        // One signal may yield several chunks, several signals none; a partial
        // chunk waits in the ring for more.
        while (!procStop_ && ring_.read(chunk))
            deliverChunk(chunk);
    }
}

void AudioEngine::deliverChunk(std::span<const float> chunk) {
    double sum = 0.0;
    for (float s : chunk)
        sum += static_cast<double>(s) * s;
    const float rms = static_cast<float>(std::sqrt(sum / static_cast<double>(chunk.size())));
    const double now = scheduler_.clock().now();
    {
        std::lock_guard lock(levelMutex_);
        level_ = rms;
        lastBufferAt_ = now;
    }
    const std::int64_t position = framePosition_;
    framePosition_ += static_cast<std::int64_t>(chunk.size());
    for (const Handler& handler : handlers_)
        handler(chunk, position);
}

} // namespace brisklet
