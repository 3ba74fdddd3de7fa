#include "platform/linux/PulseSampleOutput.h"

#include "base/Log.h"
#include "platform/linux/PulseLoop.h"
#include "platform/linux/SampleConverter.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <optional>

namespace brisklet::platform {

namespace {

using namespace std::chrono_literals;

// How long a play may wait for the server to answer the connection and take the
// sound, and then for it to say the sound started.
constexpr auto connectWait = 500ms;
constexpr auto playWait = 250ms;
// A connection attempt that has not been answered by then is given up.
constexpr auto attemptLimit = 10s;
// While no server answers, how often it is tried again.
constexpr auto retryEvery = 2s;

struct Wav {
    int rate = 0;
    int channels = 0;
    QByteArray pcm; // 16-bit little-endian
};

// Our sounds are plain WAV files of 16-bit samples: a 44-byte header, then the samples.
std::optional<Wav> readWav(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray wav = file.readAll();
    if (wav.size() < 44 || !wav.startsWith("RIFF"))
        return std::nullopt;
    const auto* bytes = reinterpret_cast<const unsigned char*>(wav.constData());
    Wav out;
    out.channels = bytes[22] | bytes[23] << 8;
    out.rate = int(bytes[24] | bytes[25] << 8 | bytes[26] << 16 | quint32(bytes[27]) << 24);
    const int bits = bytes[34] | bytes[35] << 8;
    if (bits != 16 || out.channels < 1 || out.rate < 1)
        return std::nullopt;
    out.pcm = wav.mid(44);
    out.pcm.truncate(out.pcm.size() - out.pcm.size() % (2 * out.channels));
    return out;
}

std::atomic<int> objects{0};

// The process id in one of our sounds' names on the server ("brisklet-<pid>-…"), or 0.
qint64 ownerOf(const char* serverName) {
    const QByteArray name(serverName);
    if (!name.startsWith("brisklet-"))
        return 0;
    const qsizetype end = name.indexOf('-', 9);
    bool number = false;
    const qint64 pid = end > 9 ? name.mid(9, end - 9).toLongLong(&number) : 0;
    return number && pid > 0 ? pid : 0;
}

bool running(qint64 pid) {
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

// 16-bit samples at `level` of their loudness.
QByteArray scaled(const QByteArray& pcm, double level) {
    if (level >= 1)
        return pcm;
    QByteArray out(pcm.size(), Qt::Uninitialized);
    const auto* in = reinterpret_cast<const qint16*>(pcm.constData());
    auto* to = reinterpret_cast<qint16*>(out.data());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i)
        to[i] = qint16(std::lround(double(in[i]) * level));
    return out;
}

} // namespace

PulseSampleOutput::PulseSampleOutput() : playing_(PA_INVALID_INDEX) {
    // Names on the server are this object's own: other programs (and our other
    // processes) share the server's cache.
    prefix_ =
        "brisklet-" + QByteArray::number(qint64(::getpid())) + '-' + QByteArray::number(objects++) + '-';
    const QStringList files =
        QDir(QStringLiteral(":/sounds")).entryList({QStringLiteral("sound-*.wav")}, QDir::Files);
    for (const QString& file : files) {
        const QString name = file.mid(6, file.size() - 10);
        const std::optional<Wav> wav = readWav(resourceFor(name));
        if (!wav)
            continue;
        Sample sample;
        sample.serverName = prefix_ + name.toUtf8();
        sample.pcm = wav->pcm;
        sample.rate = wav->rate;
        sample.channels = wav->channels;
        samples_.insert(name, sample);
    }
    loop_ = pulse::startLoop("bk.audio.sounds");
    if (!loop_)
        return;
    // Connected and uploaded ahead, so the first sound plays at once.
    pa_threaded_mainloop_lock(loop_);
    connect();
    pa_threaded_mainloop_unlock(loop_);
}

PulseSampleOutput::~PulseSampleOutput() {
    if (!loop_)
        return;
    pa_threaded_mainloop_lock(loop_);
    // The server keeps uploaded sounds after we leave: take ours out again.
    const auto uploading = [this] {
        for (const Sample& s : std::as_const(samples_))
            if (s.upload == Upload::running)
                return true;
        return false;
    };
    waitUntil([&] { return !linked_ || !uploading(); }, connectWait);
    if (linked_) {
        for (const Sample& s : std::as_const(samples_)) {
            if (s.upload != Upload::done)
                continue;
            if (pa_operation* op = pa_context_remove_sample(context_, s.serverName.constData(),
                                                            &PulseSampleOutput::answered, this)) {
                ++removals_;
                pa_operation_unref(op);
            }
        }
        waitUntil([this] { return !linked_ || removals_ == 0; }, connectWait);
    }
    dropContext();
    if (retry_) {
        pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
        api->time_free(retry_);
        retry_ = nullptr;
    }
    pa_threaded_mainloop_unlock(loop_);
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

QString PulseSampleOutput::resourceFor(const QString& name) {
    const QString path = QStringLiteral(":/sounds/sound-") + name + QStringLiteral(".wav");
    return QFile::exists(path) ? path : QString();
}

double PulseSampleOutput::lengthOf(const QString& name) {
    const std::optional<Wav> wav = readWav(resourceFor(name));
    return wav ? double(wav->pcm.size()) / (2.0 * wav->channels * wav->rate) : 0;
}

std::vector<float> PulseSampleOutput::samplesOf(const QString& name) {
    const std::optional<Wav> wav = readWav(resourceFor(name));
    if (!wav)
        return {};
    // Through the microphone's own converter, so the sound is shaped as the
    // microphone's audio is.
    const auto converter = SampleConverter::create({wav->rate, wav->channels, SampleFormat::int16});
    if (!converter)
        return {};
    std::vector<float> out;
    const auto take = [&](std::span<const float> samples) {
        out.insert(out.end(), samples.begin(), samples.end());
    };
    converter->push(std::as_bytes(std::span(wav->pcm.constData(), std::size_t(wav->pcm.size()))), take);
    converter->finish(take);
    return out;
}

std::vector<float> PulseSampleOutput::play(const QString& name, double volume) {
    // Nothing heard: the recogniser looks for nothing.
    if (!(volume > 0) || !samples_.contains(name))
        return {};
    if (!loop_) {
        reportSilence(QStringLiteral("no sound server loop"));
        return {};
    }
    const double level = std::min(volume, 1.0);
    pa_threaded_mainloop_lock(loop_);
    const auto now = std::chrono::steady_clock::now();
    if (!linked_ && (!connecting_ || now - attemptStarted_ > attemptLimit))
        connect();
    if (level != level_)
        uploadAt(level);
    Sample& sample = samples_[name];
    if (linked_ && (sample.upload == Upload::none || sample.upload == Upload::failed))
        startUpload(sample);
    // A fresh connection is answered within milliseconds; one that hangs holds up
    // only the first play after it began, and not for long.
    const auto limit = connecting_ ? std::max(0ms, std::chrono::duration_cast<std::chrono::milliseconds>(
                                                       attemptStarted_ + connectWait - now))
                                   : connectWait;
    waitUntil([&] { return !connecting_ && (!linked_ || sample.upload != Upload::running); }, limit);
    bool started = false;
    if (!linked_ || connecting_) {
        reportSilence(lastError_.isEmpty() ? QStringLiteral("no answer") : lastError_);
    } else if (sample.upload != Upload::done) {
        reportSilence(QStringLiteral("the sound \"%1\" could not be uploaded: %2").arg(name, lastError_));
    } else {
        // Restart rather than overlap.
        if (playing_ != PA_INVALID_INDEX) {
            if (pa_operation* op = pa_context_kill_sink_input(context_, playing_, nullptr, nullptr))
                pa_operation_unref(op);
            playing_ = PA_INVALID_INDEX;
        }
        pa_proplist* props = pa_proplist_new();
        pa_proplist_sets(props, PA_PROP_MEDIA_ROLE, "event");
        pa_proplist_sets(props, PA_PROP_MEDIA_NAME, name.toUtf8().constData());
        // At the server's normal volume: the sound carries its own.
        pa_operation* op =
            pa_context_play_sample_with_proplist(context_, sample.serverName.constData(), nullptr,
                                                 PA_VOLUME_NORM, props, &PulseSampleOutput::played, this);
        pa_proplist_free(props);
        if (op) {
            pa_operation_unref(op);
            ++unanswered_;
            // Whether it started: a sound taken out of the cache behind our back is
            // uploaded again for the next play.
            const bool answered = waitUntil([this] { return unanswered_ == 0 || !linked_; }, playWait);
            if (!linked_) {
                reportSilence(lastError_);
            } else if (answered && !lastPlayed_) {
                sample.upload = Upload::none;
                reportSilence(QStringLiteral("the sound \"%1\" did not play: %2").arg(name, lastError_));
            } else {
                started = true; // an answer late under load still plays
            }
        } else {
            reportSilence(QString::fromUtf8(pa_strerror(pa_context_errno(context_))));
        }
    }
    if (started && silenceReported_) {
        qCInfo(lcAudio) << "sounds play again through the sound server";
        silenceReported_ = false;
    }
    pa_threaded_mainloop_unlock(loop_);
    if (!started)
        return {};
    auto cached = heard_.find(name);
    if (cached == heard_.end())
        cached = heard_.insert(name, samplesOf(name));
    std::vector<float> out = *cached;
    for (float& s : out)
        s *= float(level);
    return out;
}

void PulseSampleOutput::connect() {
    dropContext();
    context_ = pulse::newContext(loop_, "Brisklet sounds");
    if (!context_) {
        lastError_ = QStringLiteral("no sound server context");
        return;
    }
    pa_context_set_state_callback(context_, &PulseSampleOutput::contextState, this);
    connecting_ = true;
    attemptStarted_ = std::chrono::steady_clock::now();
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        lastError_ = QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
        connecting_ = false;
        reportSilence(lastError_);
        retryLater();
    }
}

void PulseSampleOutput::retryLater() {
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when),
                   pa_usec_t(std::chrono::duration_cast<std::chrono::milliseconds>(retryEvery).count()) *
                       PA_USEC_PER_MSEC);
    if (retry_)
        api->time_restart(retry_, &when);
    else
        retry_ = api->time_new(api, &when, &PulseSampleOutput::retry, this);
}

void PulseSampleOutput::uploadAt(double level) {
    level_ = level;
    if (!linked_)
        return;
    // All of them, so the next sound plays at once too; one on its way is sent again
    // when it is through.
    for (Sample& s : samples_)
        if (s.upload != Upload::running)
            startUpload(s);
}

void PulseSampleOutput::removeLeftovers() {
    if (pa_operation* op = pa_context_get_sample_info_list(context_, &PulseSampleOutput::listed, this))
        pa_operation_unref(op);
}

void PulseSampleOutput::dropContext() {
    for (Sample& s : samples_) {
        if (s.stream) {
            pa_stream_set_state_callback(s.stream, nullptr, nullptr);
            pa_stream_disconnect(s.stream);
            pa_stream_unref(s.stream);
            s.stream = nullptr;
        }
        s.upload = Upload::none;
    }
    pulse::dropContext(context_);
    linked_ = false;
    connecting_ = false;
    playing_ = PA_INVALID_INDEX;
    unanswered_ = 0;
    removals_ = 0;
}

void PulseSampleOutput::startUpload(Sample& sample) {
    sample.level = level_;
    sample.scaled = scaled(sample.pcm, level_);
    const pa_sample_spec spec{PA_SAMPLE_S16LE, uint32_t(sample.rate), uint8_t(sample.channels)};
    sample.stream = pa_stream_new(context_, sample.serverName.constData(), &spec, nullptr);
    if (!sample.stream) {
        lastError_ = QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
        sample.upload = Upload::failed;
        return;
    }
    pa_stream_set_state_callback(sample.stream, &PulseSampleOutput::uploadState, this);
    sample.upload = Upload::running;
    if (pa_stream_connect_upload(sample.stream, std::size_t(sample.scaled.size())) < 0) {
        lastError_ = QString::fromUtf8(pa_strerror(pa_context_errno(context_)));
        pa_stream_set_state_callback(sample.stream, nullptr, nullptr);
        pa_stream_unref(sample.stream);
        sample.stream = nullptr;
        sample.upload = Upload::failed;
    }
}

bool PulseSampleOutput::waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    if (done())
        return true;
    if (limit <= 0ms)
        return false;
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop_);
    timeval when;
    timedOut_ = false;
    pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(limit.count()) * PA_USEC_PER_MSEC);
    pa_time_event* timer = api->time_new(api, &when, &PulseSampleOutput::wake, this);
    while (!done() && !timedOut_)
        pa_threaded_mainloop_wait(loop_);
    api->time_free(timer);
    return done();
}

void PulseSampleOutput::reportSilence(const QString& why, bool gone) {
    if (silenceReported_)
        return;
    silenceReported_ = true;
    if (gone)
        qCWarning(lcAudio).noquote()
            << QStringLiteral("sounds are silent until the sound server is back (%1)").arg(why);
    else
        qCWarning(lcAudio).noquote() << QStringLiteral(
                                            "sounds are silent: the sound server can't be reached or "
                                            "refused them (%1)")
                                            .arg(why);
}

void PulseSampleOutput::contextState(pa_context* context, void* self) {
    auto* output = static_cast<PulseSampleOutput*>(self);
    if (context != output->context_)
        return;
    switch (pa_context_get_state(context)) {
    case PA_CONTEXT_READY:
        output->linked_ = true;
        output->connecting_ = false;
        if (output->silenceReported_) {
            qCInfo(lcAudio) << "sounds play again through the sound server";
            output->silenceReported_ = false;
        }
        output->removeLeftovers();
        for (Sample& s : output->samples_)
            output->startUpload(s);
        break;
    case PA_CONTEXT_FAILED:
    case PA_CONTEXT_TERMINATED:
        output->lastError_ = QString::fromUtf8(pa_strerror(pa_context_errno(context)));
        output->reportSilence(output->lastError_, output->linked_);
        output->retryLater();
        output->linked_ = false;
        output->connecting_ = false;
        output->playing_ = PA_INVALID_INDEX;
        output->unanswered_ = 0;
        output->removals_ = 0;
        break;
    default:
        break;
    }
    pa_threaded_mainloop_signal(output->loop_, 0);
}

void PulseSampleOutput::uploadState(pa_stream* stream, void* self) {
    auto* output = static_cast<PulseSampleOutput*>(self);
    Sample* sample = nullptr;
    for (Sample& s : output->samples_)
        if (s.stream == stream)
            sample = &s;
    if (!sample)
        return;
    switch (pa_stream_get_state(stream)) {
    case PA_STREAM_READY:
        // The whole sound at once: the server takes exactly the length announced.
        if (pa_stream_write(stream, sample->scaled.constData(), std::size_t(sample->scaled.size()), nullptr,
                            0, PA_SEEK_RELATIVE) >= 0 &&
            pa_stream_finish_upload(stream) >= 0)
            return;
        output->lastError_ = QString::fromUtf8(pa_strerror(pa_context_errno(pa_stream_get_context(stream))));
        sample->upload = Upload::failed;
        pa_stream_set_state_callback(stream, nullptr, nullptr);
        pa_stream_disconnect(stream);
        break;
    case PA_STREAM_TERMINATED: // finished
        sample->upload = Upload::done;
        sample->scaled.clear();
        break;
    case PA_STREAM_FAILED:
        output->lastError_ = QString::fromUtf8(pa_strerror(pa_context_errno(pa_stream_get_context(stream))));
        sample->upload = output->linked_ ? Upload::failed : Upload::none;
        break;
    default:
        return;
    }
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_unref(stream);
    sample->stream = nullptr;
    // The volume changed while it was on its way.
    if (sample->upload == Upload::done && sample->level != output->level_ && output->linked_)
        output->startUpload(*sample);
    pa_threaded_mainloop_signal(output->loop_, 0);
}

void PulseSampleOutput::played(pa_context* context, std::uint32_t index, void* self) {
    auto* output = static_cast<PulseSampleOutput*>(self);
    if (context != output->context_)
        return;
    --output->unanswered_;
    output->lastPlayed_ = index != PA_INVALID_INDEX;
    if (!output->lastPlayed_) {
        output->lastError_ = QString::fromUtf8(pa_strerror(pa_context_errno(context)));
    } else if (output->unanswered_ > 0) {
        // A newer play is on its way: this one stops for it.
        if (pa_operation* op = pa_context_kill_sink_input(context, index, nullptr, nullptr))
            pa_operation_unref(op);
    } else {
        output->playing_ = index;
    }
    pa_threaded_mainloop_signal(output->loop_, 0);
}

void PulseSampleOutput::answered(pa_context* context, int, void* self) {
    auto* output = static_cast<PulseSampleOutput*>(self);
    if (context != output->context_)
        return;
    --output->removals_;
    pa_threaded_mainloop_signal(output->loop_, 0);
}

void PulseSampleOutput::retry(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    auto* output = static_cast<PulseSampleOutput*>(self);
    if (output->linked_)
        return;
    if (!output->connecting_ || std::chrono::steady_clock::now() - output->attemptStarted_ > attemptLimit)
        output->connect();
    output->retryLater();
    pa_threaded_mainloop_signal(output->loop_, 0);
}

// Sounds of our instances that no longer run stay in the server's cache until it
// restarts: they go. A running instance's stay.
void PulseSampleOutput::listed(pa_context* context, const pa_sample_info* info, int eol, void* self) {
    auto* output = static_cast<PulseSampleOutput*>(self);
    if (eol || !info || context != output->context_)
        return;
    const qint64 owner = ownerOf(info->name);
    if (owner == 0 || owner == qint64(::getpid()) || running(owner))
        return;
    if (pa_operation* op = pa_context_remove_sample(context, info->name, nullptr, nullptr))
        pa_operation_unref(op);
}

void PulseSampleOutput::wake(pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
    auto* output = static_cast<PulseSampleOutput*>(self);
    output->timedOut_ = true;
    pa_threaded_mainloop_signal(output->loop_, 0);
}

} // namespace brisklet::platform
