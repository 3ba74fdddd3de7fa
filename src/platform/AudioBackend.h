#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace brisklet::platform {

// A failure of the audio path as a value: the domain and code identify it, the
// description is what the log shows.
struct AudioError {
    QString domain;
    int code = 0;
    QString description;
    QString exceptionName; // only for errors caught from an exception

    bool operator==(const AudioError&) const = default;

    static inline const QString appDomain = QStringLiteral("com.brisklet.app");
    static inline const QString bridgeDomain = QStringLiteral("com.brisklet.audiobridge");

    enum Code : int {
        noInputDevice = 1,
        converterSetupFailed = 2,
        formatChangedMidSetup = 3,
        tapInstallFailed = 4,
        tapRemovalFailed = 5,
        engineStartFailed = 6,
        noSoundServer = 7,
    };

    // An error of our own domain with its fixed description.
    static AudioError app(int code) {
        static const char* const texts[] = {
            "",
            "no usable input device",
            "converter setup failed",
            "input format changed mid-setup",
            "installing the input tap failed",
            "removing the input tap failed",
            "audio engine start failed",
            "no sound server answers",
        };
        const char* text = code >= 1 && code <= 7 ? texts[code] : "audio error";
        return {appDomain, code, QString::fromUtf8(text), {}};
    }
};

enum class SampleFormat { unknown, uint8, int16, int32, float32 };

// What the input device delivers: interleaved frames of `channels` samples.
struct InputFormat {
    int sampleRate = 0;
    int channels = 0;
    SampleFormat sampleFormat = SampleFormat::unknown;

    bool operator==(const InputFormat&) const = default;
};

// The microphone as the audio engine drives it. Every call but isRunning() comes
// from the engine's control thread, one at a time. A failure is returned as an
// error value; a backend may also throw, and the engine turns that into an error.
class AudioBackend {
public:
    // 16 kHz mono float samples, valid only during the call, from the backend's
    // capture thread.
    using Sink = std::function<void(std::span<const float> samples)>;
    // Something changed under the running input (its configuration or the default
    // device); the reason is for the log. May be called from any thread.
    using ChangeHandler = std::function<void(const QString& reason)>;

    virtual ~AudioBackend() = default;

    // Set once, before the first start.
    virtual void setChangeHandler(ChangeHandler handler) = 0;

    // The default input's format now; nullopt when there is no input device.
    virtual std::optional<InputFormat> inputFormat() = 0;
    // Prepare conversion of `format` to 16 kHz mono float for the next tap.
    virtual std::optional<AudioError> prepareConverter(const InputFormat& format) = 0;
    // From now on converted input goes to `sink`.
    virtual std::optional<AudioError> installTap(Sink sink) = 0;
    // No more calls of the sink once this returns. Harmless without a tap.
    virtual std::optional<AudioError> removeTap() = 0;
    // Open the input and start capturing.
    virtual std::optional<AudioError> startEngine() = 0;
    // Close the input. Harmless when it is not open.
    virtual std::optional<AudioError> stopEngine() = 0;
    // Whether the input is open and capturing (or waiting for its first data).
    // Any thread.
    virtual bool isRunning() const = 0;
    // Whether a sound server answers; while none does there is no input either,
    // and the backend calls the change handler once one answers again. Any thread.
    virtual bool serverAnswers() const { return true; }

    // Whether someone listens. While nobody does, only the pre-roll and the clap
    // detector read the input, which may then gather longer between hand-offs so
    // the capture wakes less often; while someone listens it comes promptly.
    // Applies to a running input at once and to later starts.
    virtual void setListening(bool listening) { (void)listening; }

    // How far the capture runs ahead of the sink at one moment, in 16 kHz samples:
    // `given` were handed to the sink by then (since the backend was made), and
    // `pending` had been captured by then but not yet handed over (the server's
    // buffer, the stream's queue, the converter's delay).
    struct CaptureBacklog {
        std::int64_t given = 0;
        std::int64_t pending = 0;
    };
    // Asks the server where the capture stands now and waits for its answer (a
    // round trip); nullopt when no input runs or the server does not say. Any thread.
    virtual std::optional<CaptureBacklog> captureBacklog() { return std::nullopt; }

    // Where the input is heard from and the program's sounds go: the source recorded
    // and the sound server's default output, as one name (empty: not known). A chime
    // heard through one route says nothing of another. Any thread.
    virtual QString route() const { return {}; }

    // CPU seconds used so far by the thread that converts the input, for the
    // idle-cost figure; nullopt when no such thread runs yet.
    virtual std::optional<double> captureThreadCpuSeconds() const { return std::nullopt; }
};

} // namespace brisklet::platform
