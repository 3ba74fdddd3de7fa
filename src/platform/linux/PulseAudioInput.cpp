#include "platform/linux/PulseAudioInput.h"

#include "base/Log.h"
#include "platform/linux/PulseLoop.h"
#include "platform/linux/SampleConverter.h"

#include <pulse/pulseaudio.h>

#include <cmath>
#include <time.h>

namespace brisklet::platform {

namespace {

using namespace std::chrono_literals;

// How long a call waits for the server's answer.
constexpr auto answerWait = 2000ms;
// How long the first connection may take before we go on without a server.
constexpr auto firstConnectWait = 1000ms;
// How long a chime's play waits to learn where the capture stands.
constexpr auto backlogWait = 200ms;

SampleFormat fromPulse(pa_sample_format_t format) {
    switch (format) {
    case PA_SAMPLE_U8:
        return SampleFormat::uint8;
    case PA_SAMPLE_S16LE:
        return SampleFormat::int16;
    case PA_SAMPLE_S32LE:
        return SampleFormat::int32;
    default:
        // Anything else the server converts for us.
        return SampleFormat::float32;
    }
}

pa_sample_format_t toPulse(SampleFormat format) {
    switch (format) {
    case SampleFormat::uint8:
        return PA_SAMPLE_U8;
    case SampleFormat::int16:
        return PA_SAMPLE_S16LE;
    case SampleFormat::int32:
        return PA_SAMPLE_S32LE;
    case SampleFormat::float32:
        return PA_SAMPLE_FLOAT32LE;
    case SampleFormat::unknown:
        break;
    }
    return PA_SAMPLE_INVALID;
}

pa_sample_spec specOf(const InputFormat& format) {
    return {toPulse(format.sampleFormat), std::uint32_t(std::max(format.sampleRate, 0)),
            std::uint8_t(std::clamp(format.channels, 0, 255))};
}

timeval after(std::chrono::milliseconds delay) {
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(delay.count()) * PA_USEC_PER_MSEC);
    return when;
}

QString errorOf(pa_context* context) {
    return QString::fromUtf8(pa_strerror(pa_context_errno(context)));
}

} // namespace

PulseAudioInput::PulseAudioInput() {
    loop_ = pulse::startLoop("bk.audio.cap");
    if (!loop_)
        return;
    // Connected ahead, so the default input is known at the first start.
    pa_threaded_mainloop_lock(loop_);
    connect();
    waitUntil(
        [this] {
            return haveServerInfo_ || !context_ || !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_));
        },
        firstConnectWait);
    pa_threaded_mainloop_unlock(loop_);
}

PulseAudioInput::~PulseAudioInput() {
    if (!loop_)
        return;
    pa_threaded_mainloop_lock(loop_);
    if (reconnect_) {
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
        api->time_free(reconnect_);
        reconnect_ = nullptr;
    }
    dropContext();
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

void PulseAudioInput::setChangeHandler(ChangeHandler handler) {
    std::lock_guard lock(handlerMutex_);
    changeHandler_ = std::move(handler);
}

void PulseAudioInput::notifyChange(const QString& reason) {
    ChangeHandler handler;
    {
        std::lock_guard lock(handlerMutex_);
        handler = changeHandler_;
    }
    if (handler)
        handler(reason);
}

std::optional<QByteArray> PulseAudioInput::chooseSource(const QByteArray& defaultName,
                                                        const std::vector<Source>& sources) {
    for (const Source& source : sources)
        if (source.name == defaultName && !source.monitor)
            return source.name;
    for (const Source& source : sources)
        if (!source.monitor)
            return source.name;
    return std::nullopt;
}

std::optional<InputFormat> PulseAudioInput::inputFormat() {
    if (!loop_)
        return std::nullopt;
    pa_threaded_mainloop_lock(loop_);
    sourceFormat_.reset();
    sources_.clear();
    sourcesAnswered_ = false;
    if (ready_) {
        if (pa_operation* op =
                pa_context_get_source_info_list(context_, &PulseAudioInput::sourceListed, this)) {
            pa_operation_unref(op);
            waitUntil([this] { return sourcesAnswered_ || !ready_; }, answerWait);
        }
    }
    if (ready_ && sourcesAnswered_) {
        std::vector<Source> seen;
        for (const Listed& listed : sources_)
            seen.push_back(listed.source);
        const std::optional<QByteArray> chosen = chooseSource(defaultSource_, seen);
        chosenSource_ = chosen.value_or(QByteArray());
        for (const Listed& listed : sources_)
            if (chosen && listed.source.name == *chosen) {
                sourceFormat_ = listed.format;
                sourceDescription_ = listed.description;
            }
        // Said once each way: a monitor would hear our own speakers, so with only
        // monitors left nothing is heard until a microphone comes.
        if (!chosen && !noMicrophoneSaid_) {
            noMicrophoneSaid_ = true;
            qCWarning(lcAudio)
                << "no microphone: the sound server offers only the speakers' monitors; listening "
                   "waits until a microphone is there";
        } else if (chosen && noMicrophoneSaid_) {
            noMicrophoneSaid_ = false;
            qCInfo(lcAudio).noquote() << "a microphone is there again:" << sourceDescription_;
        }
    }
    const std::optional<InputFormat> format = ready_ ? sourceFormat_ : std::nullopt;
    pa_threaded_mainloop_unlock(loop_);
    return format;
}

std::optional<AudioError> PulseAudioInput::prepareConverter(const InputFormat& format) {
    QString why;
    auto converter = SampleConverter::create(format, &why);
    if (!converter || toPulse(format.sampleFormat) == PA_SAMPLE_INVALID) {
        qCWarning(lcAudio).noquote() << "no converter for the input:" << why;
        return AudioError::app(AudioError::converterSetupFailed);
    }
    if (!loop_)
        return AudioError::app(AudioError::noSoundServer);
    pa_threaded_mainloop_lock(loop_);
    pending_ = std::move(converter);
    recordFormat_ = format;
    pa_threaded_mainloop_unlock(loop_);
    return std::nullopt;
}

std::optional<AudioError> PulseAudioInput::installTap(Sink sink) {
    if (!loop_)
        return AudioError::app(AudioError::noSoundServer);
    pa_threaded_mainloop_lock(loop_);
    const bool prepared = pending_ != nullptr;
    if (prepared) {
        converter_ = std::move(pending_);
        sink_ = std::move(sink);
        counted_ = [this](std::span<const float> samples) {
            given_ += std::int64_t(samples.size());
            sink_(samples);
        };
    }
    pa_threaded_mainloop_unlock(loop_);
    return prepared ? std::nullopt : std::optional(AudioError::app(AudioError::tapInstallFailed));
}

std::optional<AudioError> PulseAudioInput::removeTap() {
    if (!loop_)
        return std::nullopt;
    // The sink is only called with the lock held: once we have it, no call is under way.
    pa_threaded_mainloop_lock(loop_);
    sink_ = nullptr;
    counted_ = nullptr;
    pa_threaded_mainloop_unlock(loop_);
    return std::nullopt;
}

std::optional<AudioError> PulseAudioInput::startEngine() {
    if (!loop_)
        return AudioError::app(AudioError::noSoundServer);
    pa_threaded_mainloop_lock(loop_);
    dropStream();
    std::optional<AudioError> error;
    const pa_sample_spec spec = specOf(recordFormat_);
    if (!ready_) {
        error = AudioError::app(AudioError::noSoundServer);
    } else if (!pa_sample_spec_valid(&spec)) {
        error = AudioError::app(AudioError::engineStartFailed);
    } else {
        stream_ = pa_stream_new(context_, "Brisklet microphone", &spec, nullptr);
        if (!stream_) {
            qCWarning(lcAudio).noquote() << "the input stream could not be made:" << errorOf(context_);
            error = AudioError::app(AudioError::tapInstallFailed);
        }
    }
    if (!error) {
        pa_stream_set_state_callback(stream_, &PulseAudioInput::streamState, this);
        pa_stream_set_read_callback(stream_, &PulseAudioInput::streamRead, this);
        pa_buffer_attr attr{};
        attr.maxlength = attr.tlength = attr.prebuf = attr.minreq = std::uint32_t(-1);
        attr.fragsize = std::uint32_t(pa_usec_to_bytes(
            pa_usec_t(listening_ ? listeningPeriodMs : idlePeriodMs) * PA_USEC_PER_MSEC, &spec));
        // Never moved elsewhere when the source goes: the server would move it to
        // whatever is left, a monitor of the speakers among them. It fails instead,
        // and the engine chooses again.
        const auto flags = pa_stream_flags_t(PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE);
        if (chosenSource_.isEmpty()) {
            error = AudioError::app(AudioError::noInputDevice);
        } else if (pa_stream_connect_record(stream_, chosenSource_.constData(), &attr, flags) < 0) {
            error = AudioError::app(AudioError::engineStartFailed);
        } else {
            waitUntil([this] { return !stream_ || pa_stream_get_state(stream_) != PA_STREAM_CREATING; },
                      answerWait);
            if (!stream_ || pa_stream_get_state(stream_) != PA_STREAM_READY)
                error = AudioError::app(ready_ ? AudioError::engineStartFailed : AudioError::noSoundServer);
        }
        if (error) {
            dropStream();
        } else {
            running_ = true;
            qCInfo(lcAudio).noquote() << "audio input:" << sourceDescription_ << recordFormat_.sampleRate
                                      << "Hz" << recordFormat_.channels << "channel(s)";
        }
    }
    pa_threaded_mainloop_unlock(loop_);
    return error;
}

std::optional<AudioError> PulseAudioInput::stopEngine() {
    if (!loop_)
        return std::nullopt;
    pa_threaded_mainloop_lock(loop_);
    dropStream();
    pa_threaded_mainloop_unlock(loop_);
    return std::nullopt;
}

bool PulseAudioInput::isRunning() const {
    return running_;
}

bool PulseAudioInput::serverAnswers() const {
    return answers_;
}

void PulseAudioInput::setListening(bool listening) {
    if (!loop_)
        return;
    pa_threaded_mainloop_lock(loop_);
    if (listening != listening_) {
        listening_ = listening;
        applyPace();
    }
    pa_threaded_mainloop_unlock(loop_);
}

// The running stream changes its pace in place: nothing of the input is lost.
void PulseAudioInput::applyPace() {
    if (!stream_ || pa_stream_get_state(stream_) != PA_STREAM_READY)
        return;
    const pa_sample_spec spec = specOf(recordFormat_);
    pa_buffer_attr attr{};
    attr.maxlength = attr.tlength = attr.prebuf = attr.minreq = std::uint32_t(-1);
    attr.fragsize = std::uint32_t(
        pa_usec_to_bytes(pa_usec_t(listening_ ? listeningPeriodMs : idlePeriodMs) * PA_USEC_PER_MSEC, &spec));
    if (pa_operation* op = pa_stream_set_buffer_attr(stream_, &attr, nullptr, nullptr))
        pa_operation_unref(op);
}

std::optional<AudioBackend::CaptureBacklog> PulseAudioInput::captureBacklog() {
    if (!loop_)
        return std::nullopt;
    pa_threaded_mainloop_lock(loop_);
    std::optional<CaptureBacklog> out;
    if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY && !backlogAsked_) {
        backlogAnswered_ = false;
        backlog_.reset();
        backlogAsked_ = pa_stream_update_timing_info(stream_, &PulseAudioInput::timingKnown, this);
        if (backlogAsked_) {
            waitUntil([this] { return backlogAnswered_ || !stream_; }, backlogWait);
            // An answer too late is nobody's: it must not be taken for the next one.
            if (!backlogAnswered_)
                pa_operation_cancel(backlogAsked_);
            pa_operation_unref(backlogAsked_);
            backlogAsked_ = nullptr;
            out = backlog_;
        }
    }
    pa_threaded_mainloop_unlock(loop_);
    return out;
}

QString PulseAudioInput::route() const {
    if (!loop_)
        return {};
    pa_threaded_mainloop_lock(loop_);
    const QString route = running_ ? QString::fromUtf8(chosenSource_ + " > " + defaultSink_) : QString();
    pa_threaded_mainloop_unlock(loop_);
    return route;
}

long PulseAudioInput::captureWakeups() const {
    return wakeups_.load();
}

std::optional<double> PulseAudioInput::captureThreadCpuSeconds() const {
    if (!threadKnown_.load(std::memory_order_acquire))
        return std::nullopt;
    clockid_t id;
    timespec ts{};
    if (pthread_getcpuclockid(threadHandle_, &id) != 0 || clock_gettime(id, &ts) != 0)
        return std::nullopt;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

// --- with the loop's lock held

void PulseAudioInput::connect() {
    dropContext();
    context_ = pulse::newContext(loop_, "Brisklet microphone");
    if (!context_) {
        serverLost(QStringLiteral("no sound server context"));
        return;
    }
    pa_context_set_state_callback(context_, &PulseAudioInput::contextState, this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        serverLost(errorOf(context_));
}

void PulseAudioInput::dropStream() {
    running_ = false;
    if (!stream_)
        return;
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_disconnect(stream_);
    pa_stream_unref(stream_);
    stream_ = nullptr;
}

void PulseAudioInput::dropContext() {
    dropStream();
    pulse::dropContext(context_);
    ready_ = false;
    haveServerInfo_ = false;
}

void PulseAudioInput::scheduleReconnect() {
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    const timeval when = after(reconnectInterval);
    if (reconnect_)
        api->time_restart(reconnect_, &when);
    else
        reconnect_ = api->time_new(api, &when, &PulseAudioInput::reconnectDue, this);
}

// Nothing of the dead connection is touched again: the stream goes now, the
// context when the next attempt replaces it.
void PulseAudioInput::serverLost(const QString& why) {
    const bool wasReady = ready_;
    ready_ = false;
    answers_ = false;
    haveServerInfo_ = false;
    dropStream();
    // The log says it once: the sounds speak only of themselves.
    if (!goneReported_) {
        goneReported_ = true;
        qCWarning(lcAudio).noquote()
            << (wasReady
                    ? QStringLiteral(
                          "the sound server is gone (%1); the microphone is silent until it is back")
                    : QStringLiteral("no sound server answers (%1); the microphone is silent until one does"))
                   .arg(why);
    }
    scheduleReconnect();
    if (wasReady)
        notifyChange(QStringLiteral("sound server gone"));
}

void PulseAudioInput::requestServerInfo() {
    if (pa_operation* op = pa_context_get_server_info(context_, &PulseAudioInput::serverInfo, this))
        pa_operation_unref(op);
}

bool PulseAudioInput::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    return pulse::waitUntil(loop_, done, limit);
}

// --- the loop's thread, with its lock held

void PulseAudioInput::contextState(pa_context* context, void* self) {
    auto* input = static_cast<PulseAudioInput*>(self);
    if (!input->threadKnown_.load(std::memory_order_relaxed)) {
        input->threadHandle_ = pthread_self();
        input->threadKnown_.store(true, std::memory_order_release);
    }
    if (context != input->context_)
        return;
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        input->ready_ = true;
        input->answers_ = true;
        pa_context_set_subscribe_callback(
            context,
            [](pa_context* c, pa_subscription_event_type_t type, std::uint32_t index, void* s) {
                serverEvent(c, static_cast<int>(type), index, s);
            },
            input);
        if (pa_operation* op = pa_context_subscribe(
                context, pa_subscription_mask_t(PA_SUBSCRIPTION_MASK_SERVER | PA_SUBSCRIPTION_MASK_SOURCE),
                nullptr, nullptr))
            pa_operation_unref(op);
        input->requestServerInfo();
        if (input->goneReported_) {
            input->goneReported_ = false;
            qCInfo(lcAudio) << "the sound server is back; the microphone hears again";
            input->notifyChange(QStringLiteral("sound server back"));
        }
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        input->serverLost(errorOf(context));
        break;
    default:
        break;
    }
    pa_threaded_mainloop_signal(input->loop_, 0);
}

void PulseAudioInput::serverEvent(pa_context* context, int type, unsigned, void* self) {
    auto* input = static_cast<PulseAudioInput*>(self);
    if (context != input->context_)
        return;
    const int facility = type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK;
    if (facility == PA_SUBSCRIPTION_EVENT_SERVER) {
        input->requestServerInfo();
    } else if (facility == PA_SUBSCRIPTION_EVENT_SOURCE &&
               (type & PA_SUBSCRIPTION_EVENT_TYPE_MASK) == PA_SUBSCRIPTION_EVENT_NEW && !input->running_) {
        // With no input open, a source that appears may be the microphone we wait for.
        input->notifyChange(QStringLiteral("an input device appeared"));
    }
}

void PulseAudioInput::serverInfo(pa_context* context, const pa_server_info* info, void* self) {
    auto* input = static_cast<PulseAudioInput*>(self);
    if (context != input->context_)
        return;
    const QByteArray name =
        info && info->default_source_name ? QByteArray(info->default_source_name) : QByteArray();
    const bool changed = input->haveServerInfo_ && name != input->defaultSource_;
    input->defaultSource_ = name;
    input->defaultSink_ = info && info->default_sink_name ? QByteArray(info->default_sink_name) : QByteArray();
    input->haveServerInfo_ = true;
    pa_threaded_mainloop_signal(input->loop_, 0);
    if (changed)
        input->notifyChange(QStringLiteral("default input device changed"));
}

void PulseAudioInput::sourceListed(pa_context* context, const pa_source_info* info, int eol, void* self) {
    auto* input = static_cast<PulseAudioInput*>(self);
    if (context != input->context_)
        return;
    if (info && eol == 0 && info->name && info->sample_spec.rate > 0 && info->sample_spec.channels > 0) {
        input->sources_.push_back({{QByteArray(info->name), info->monitor_of_sink != PA_INVALID_INDEX},
                                   InputFormat{int(info->sample_spec.rate), int(info->sample_spec.channels),
                                               fromPulse(info->sample_spec.format)},
                                   QString::fromUtf8(info->description ? info->description : info->name)});
    }
    if (eol != 0)
        input->sourcesAnswered_ = true;
    pa_threaded_mainloop_signal(input->loop_, 0);
}

void PulseAudioInput::streamState(pa_stream* stream, void* self) {
    auto* input = static_cast<PulseAudioInput*>(self);
    if (stream != input->stream_)
        return;
    const pa_stream_state_t state = pa_stream_get_state(stream);
    if ((state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED) && input->running_) {
        // The source went away or the server dropped us: the engine builds the
        // input again, with a fresh look at the default.
        input->running_ = false;
        input->notifyChange(QStringLiteral("engine configuration changed"));
    }
    pa_threaded_mainloop_signal(input->loop_, 0);
}

void PulseAudioInput::streamRead(pa_stream* stream, std::size_t, void* self) {
    auto* input = static_cast<PulseAudioInput*>(self);
    if (stream != input->stream_)
        return;
    ++input->wakeups_;
    for (;;) {
        const void* data = nullptr;
        std::size_t bytes = 0;
        if (pa_stream_peek(stream, &data, &bytes) < 0 || bytes == 0)
            break;
        // No data with a length is a hole in the input: nothing to hear there.
        if (data && input->sink_ && input->converter_)
            input->converter_->push(std::span(static_cast<const std::byte*>(data), bytes), input->counted_);
        pa_stream_drop(stream);
    }
}

// Where the capture stands as the server answered: what it wrote into the stream and
// we have not read yet (libpulse takes what waits in our own queue off its read
// index), and what the converter holds back; against what the sink was given by now.
void PulseAudioInput::timingKnown(pa_stream* stream, int success, void* self) {
    auto* input = static_cast<PulseAudioInput*>(self);
    if (stream != input->stream_)
        return;
    const pa_timing_info* timing = success ? pa_stream_get_timing_info(stream) : nullptr;
    const pa_sample_spec spec = specOf(input->recordFormat_);
    if (timing && !timing->write_index_corrupt && !timing->read_index_corrupt && input->converter_ &&
        pa_sample_spec_valid(&spec)) {
        const std::int64_t bytes = std::max<std::int64_t>(0, timing->write_index - timing->read_index);
        const double frames = double(bytes / std::int64_t(pa_frame_size(&spec)));
        const double pending =
            frames * SampleConverter::targetRate / double(spec.rate) + input->converter_->held();
        input->backlog_ = CaptureBacklog{input->given_, std::int64_t(std::lround(pending))};
    }
    input->backlogAnswered_ = true;
    pa_threaded_mainloop_signal(input->loop_, 0);
}

void PulseAudioInput::reconnectDue(pa_mainloop_api* api, pa_time_event* event, const timeval*, void* self) {
    api->time_restart(event, nullptr);
    static_cast<PulseAudioInput*>(self)->connect();
}

} // namespace brisklet::platform
