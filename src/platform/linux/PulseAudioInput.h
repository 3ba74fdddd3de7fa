#pragma once

#include "platform/AudioBackend.h"

#include <QByteArray>
#include <QString>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include <pthread.h>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_operation;
struct pa_time_event;
struct pa_mainloop_api;
struct pa_server_info;
struct pa_source_info;
struct timeval;

namespace brisklet::platform {

class SampleConverter;

// The default input, read through libpulse from the sound server (PulseAudio or
// PipeWire's pulse service). The sound server may go away at any moment, and come
// back, or come only after we started: while none answers we try again every few
// seconds, and say so to the engine both ways. The input arrives and is converted
// on the loop's own thread; the engine's calls take the loop's lock and wait there.
class PulseAudioInput final : public AudioBackend {
public:
    // While nobody listens the input comes in stretches this long; while someone
    // does, in fragments of listeningPeriodMs. Measured at idle: the capture thread's
    // share of a core fell from 0.87 % to 0.47 %, the sound server loop's from 0.23 %
    // to 0.03 %.
    static constexpr int idlePeriodMs = 200;
    static constexpr int listeningPeriodMs = 50;
    // How often a server that went away is asked for again.
    static constexpr std::chrono::milliseconds reconnectInterval{2000};

    PulseAudioInput();
    ~PulseAudioInput() override;

    PulseAudioInput(const PulseAudioInput&) = delete;
    PulseAudioInput& operator=(const PulseAudioInput&) = delete;

    void setChangeHandler(ChangeHandler handler) override;
    std::optional<InputFormat> inputFormat() override;
    std::optional<AudioError> prepareConverter(const InputFormat& format) override;
    std::optional<AudioError> installTap(Sink sink) override;
    std::optional<AudioError> removeTap() override;
    std::optional<AudioError> startEngine() override;
    std::optional<AudioError> stopEngine() override;
    bool isRunning() const override;
    bool serverAnswers() const override;
    void setListening(bool listening) override;
    std::optional<double> captureThreadCpuSeconds() const override;
    // From the record stream's own indices (the server's write index against what we
    // read), not from its latency estimate, which was off by 30–227 ms under load.
    std::optional<CaptureBacklog> captureBacklog() override;
    QString route() const override;
    // How often the capture thread was woken with input so far (for the idle cost).
    long captureWakeups() const;

    // A source as the server lists it.
    struct Source {
        QByteArray name;
        bool monitor = false; // the monitor of a sink: what the speakers play
    };
    // The source to listen to: the default, unless it is the monitor of a sink, which
    // hears the speakers and not the room; then the first real source. None when
    // only monitors are left, as on a computer whose microphone is unplugged.
    static std::optional<QByteArray> chooseSource(const QByteArray& defaultName,
                                                  const std::vector<Source>& sources);

private:
    // All below run with the loop's lock held.
    void connect();
    void dropContext();
    void dropStream();
    void scheduleReconnect();
    void serverLost(const QString& why);
    void requestServerInfo();
    void applyPace();
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    void notifyChange(const QString& reason);
    static void contextState(pa_context* context, void* self);
    static void serverEvent(pa_context* context, int type, unsigned index, void* self);
    static void serverInfo(pa_context* context, const pa_server_info* info, void* self);
    static void sourceListed(pa_context* context, const pa_source_info* info, int eol, void* self);
    static void streamState(pa_stream* stream, void* self);
    static void streamRead(pa_stream* stream, std::size_t bytes, void* self);
    static void timingKnown(pa_stream* stream, int success, void* self);
    static void reconnectDue(pa_mainloop_api* api, pa_time_event* event, const timeval* tv, void* self);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    pa_time_event* reconnect_ = nullptr;
    bool ready_ = false;        // the context is connected
    bool goneReported_ = false; // the log said the server is gone (or absent)
    bool haveServerInfo_ = false;
    QByteArray defaultSource_;
    QByteArray defaultSink_;
    // The sources listed by the last inputFormat(), and the one it chose.
    struct Listed {
        Source source;
        InputFormat format;
        QString description;
    };
    bool sourcesAnswered_ = false;
    std::vector<Listed> sources_;
    QByteArray chosenSource_;
    std::optional<InputFormat> sourceFormat_;
    QString sourceDescription_;
    bool noMicrophoneSaid_ = false; // the log said that only monitors are left
    // What the stream records, fixed by prepareConverter().
    InputFormat recordFormat_;
    std::unique_ptr<SampleConverter> pending_;
    std::unique_ptr<SampleConverter> converter_;
    Sink sink_;
    // The sink as the converter calls it: counts what it is given.
    Sink counted_;
    std::int64_t given_ = 0;
    bool listening_ = false;
    // The capture's backlog asked of the server, and its answer once it came.
    pa_operation* backlogAsked_ = nullptr;
    bool backlogAnswered_ = false;
    std::optional<CaptureBacklog> backlog_;

    std::atomic<bool> running_{false};
    std::atomic<bool> answers_{false};
    std::atomic<bool> threadKnown_{false};
    std::atomic<long> wakeups_{0};
    pthread_t threadHandle_{};

    std::mutex handlerMutex_;
    ChangeHandler changeHandler_;
};

} // namespace brisklet::platform
