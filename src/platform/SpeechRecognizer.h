#pragma once

#include <QString>
#include <QStringList>

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace brisklet::platform {

// The audio of one listening window. The audio thread appends 16 kHz mono chunks,
// the recogniser's worker takes them. Once the window has ended or been cancelled
// every further append is dropped, so a late chunk can never reach the next window.
class RecognitionRequest final {
public:
    explicit RecognitionRequest(QStringList contextualStrings = {});

    // Phrases the recogniser should expect (commands, setup and app names).
    const QStringList& contextualStrings() const { return contextual_; }

    // Any thread. Ignored after endAudio() or cancel().
    void append(std::span<const float> samples);
    // No more audio: the recogniser finishes what it has and reports the final result.
    void endAudio();
    // Drop the window: the recogniser stops and reports nothing more.
    void cancel();
    bool isEnded() const;
    bool isCancelled() const;

    // Recogniser side. Waits for the next chunk and moves it into `out`.
    enum class Next { audio, ended, cancelled };
    Next next(std::vector<float>& out);
    // Recogniser side: one chunk taken by next() has been fully decoded.
    void chunkDone();
    // Chunks appended but not yet decoded (for measuring).
    std::size_t backlog() const;

private:
    const QStringList contextual_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::vector<float>> chunks_;
    std::size_t inFlight_ = 0;
    bool ended_ = false;
    bool cancelled_ = false;
};

struct RecognitionResult {
    QString text; // the transcript as recognised, not normalised
    bool isFinal = false;
    bool operator==(const RecognitionResult&) const = default;
};

// On-device speech recognition (US English). Results arrive on the recogniser's own
// thread; a receiver hops to its own thread itself.
class SpeechRecognizer {
public:
    // A result, an error text (empty: none), or both. After a final result or an
    // error nothing more comes; after cancel() nothing is guaranteed to come.
    using ResultHandler = std::function<void(std::optional<RecognitionResult> result, QString error)>;

    virtual ~SpeechRecognizer() = default;
    // The model has loaded and recognition can start.
    virtual bool isAvailable() const = 0;
    // Audio never leaves the machine.
    virtual bool supportsOnDeviceRecognition() const = 0;
    // Decode `request` until it ends or is cancelled. Any thread.
    virtual void recognize(std::shared_ptr<RecognitionRequest> request, ResultHandler handler) = 0;
};

} // namespace brisklet::platform
