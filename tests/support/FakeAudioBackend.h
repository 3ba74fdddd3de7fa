#pragma once

#include "platform/AudioBackend.h"

#include <mutex>
#include <span>
#include <string>
#include <vector>

namespace brisklet::test {

// A microphone the test drives: push() delivers 16 kHz mono samples as if the
// capture thread had converted them, and the fields below script failures. Every
// call the engine makes is recorded in order ("format", "converter", "install",
// "remove", "start", "stop").
class FakeAudioBackend final : public platform::AudioBackend {
public:
    // What inputFormat() answers; nullopt = no input device.
    void setFormat(std::optional<platform::InputFormat> format);
    // No sound server answers (false), or one does again; what inputFormat() answers
    // is set apart.
    void setServerAnswers(bool answers);
    // The format switches to `next` right after the next inputFormat() answer
    // (a device that changes while the tap is being set up).
    void switchFormatAfterNextRead(platform::InputFormat next);
    // The next `count` starts fail, with `error` (nullopt: the input just does not
    // run, and the engine supplies its own error).
    void failStarts(int count, std::optional<platform::AudioError> error = std::nullopt);
    // The next start throws this exception.
    void throwOnNextStart(std::string what);

    // Deliver samples through the installed tap; false when no tap is installed or
    // the input is not running.
    bool push(std::span<const float> samples);
    // As the sound server would: the input changed under us.
    void emitChange(const QString& reason);

    std::vector<std::string> calls() const;
    int count(const std::string& call) const;
    void clearCalls();
    // Calls made on the main thread, against the contract (the engine's control
    // thread makes them all).
    int mainThreadCalls() const;

    void setChangeHandler(ChangeHandler handler) override;
    std::optional<platform::InputFormat> inputFormat() override;
    std::optional<platform::AudioError> prepareConverter(const platform::InputFormat& format) override;
    std::optional<platform::AudioError> installTap(Sink sink) override;
    std::optional<platform::AudioError> removeTap() override;
    std::optional<platform::AudioError> startEngine() override;
    std::optional<platform::AudioError> stopEngine() override;
    bool isRunning() const override;
    bool serverAnswers() const override;
    // Recorded as "listen" or "idle".
    void setListening(bool listening) override;
    // What the server answers when asked where the capture stands: `pending` samples
    // captured and not yet pushed, as of `given` pushed (nullopt: it does not say).
    void setBacklog(std::optional<CaptureBacklog> backlog);
    std::optional<CaptureBacklog> captureBacklog() override;

private:
    void note(const char* call); // with the lock held

    mutable std::mutex mutex_;
    int mainThreadCalls_ = 0;
    ChangeHandler changeHandler_;
    std::optional<platform::InputFormat> format_ =
        platform::InputFormat{16000, 1, platform::SampleFormat::float32};
    std::optional<platform::InputFormat> switchTo_;
    int startFailures_ = 0;
    std::optional<platform::AudioError> startError_;
    std::string throwWhat_;
    bool throwNext_ = false;
    Sink sink_;
    bool running_ = false;
    bool serverAnswers_ = true;
    std::optional<CaptureBacklog> backlog_;
    std::vector<std::string> calls_;
};

} // namespace brisklet::test
