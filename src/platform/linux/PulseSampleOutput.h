#pragma once

#include "platform/SoundOutput.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <chrono>
#include <cstdint>
#include <functional>

struct pa_threaded_mainloop;
struct pa_context;
struct pa_stream;
struct pa_time_event;
struct pa_sample_info;
struct pa_mainloop_api;
struct timeval;

namespace brisklet::platform {

// Sounds from the program's resources through the sound server's event-sound path:
// each is uploaded to the server's sample cache and played there by name, so a short
// sound plays whole and at once (Qt Multimedia's sound effects cut them to clicks).
// A sound is uploaded already at the volume in use and played at the server's normal
// volume: PipeWire's pulse service ignores a play's volume. Without a reachable server
// nothing plays; a server that goes away is tried again every few seconds, and once
// one answers the sounds are uploaded again.
class PulseSampleOutput final : public SoundOutput {
public:
    PulseSampleOutput();
    ~PulseSampleOutput() override;

    PulseSampleOutput(const PulseSampleOutput&) = delete;
    PulseSampleOutput& operator=(const PulseSampleOutput&) = delete;

    std::vector<float> play(const QString& name, double volume) override;

    // The resource path of a sound, empty when the program has no such sound.
    static QString resourceFor(const QString& name);
    // Seconds of a sound among the resources (0: none).
    static double lengthOf(const QString& name);
    // A sound among the resources as 16 kHz mono samples at full volume (empty: none).
    static std::vector<float> samplesOf(const QString& name);

private:
    enum class Upload { none, running, done, failed };
    struct Sample {
        QByteArray serverName; // unique to this object on the shared server
        Upload upload = Upload::none;
        pa_stream* stream = nullptr;
        QByteArray pcm;    // 16-bit little-endian, as the file holds it
        QByteArray scaled; // what is being uploaded: pcm at `level`
        double level = 0;  // of the upload under way or done
        int rate = 0;
        int channels = 0;
    };

    // All below run with the loop's lock held.
    void connect();
    void dropContext();
    void startUpload(Sample& sample);
    void uploadAt(double level);
    void retryLater();
    void removeLeftovers();
    bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    void reportSilence(const QString& why, bool gone = false);
    static void contextState(pa_context* context, void* self);
    static void uploadState(pa_stream* stream, void* self);
    static void played(pa_context* context, std::uint32_t index, void* self);
    static void answered(pa_context* context, int success, void* self);
    static void wake(pa_mainloop_api* api, pa_time_event* event, const timeval* tv, void* self);
    static void retry(pa_mainloop_api* api, pa_time_event* event, const timeval* tv, void* self);
    static void listed(pa_context* context, const pa_sample_info* info, int eol, void* self);

    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    bool linked_ = false;     // context ready
    bool connecting_ = false; // an attempt under way
    pa_time_event* retry_ = nullptr;
    double level_ = 1; // the volume the sounds are uploaded at
    std::chrono::steady_clock::time_point attemptStarted_;
    QString lastError_;
    QHash<QString, Sample> samples_; // by sound name
    QByteArray prefix_;              // "brisklet-<pid>-<object>-"
    std::uint32_t playing_;          // the sink input of the last play, or none
    int unanswered_ = 0;             // plays the server has not answered yet
    bool lastPlayed_ = false;        // whether the last answered play started
    int removals_ = 0;               // sample removals not answered yet
    bool timedOut_ = false;
    bool silenceReported_ = false;
    QHash<QString, std::vector<float>> heard_; // 16 kHz mono at full volume, by name
};

} // namespace brisklet::platform
