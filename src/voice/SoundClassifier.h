#pragma once

#include "base/Clock.h"
#include "platform/SoundAnalyzer.h"

#include <QSet>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace brisklet {

// Keeps the last 3 s of the analyser's confidences for two families of labels,
// clap-like sounds and speech, so that a double clap from the detector can be
// confirmed or vetoed.
class SoundClassifier final {
public:
    struct Hit {
        double time = 0; // monotonic seconds when the result arrived
        double confidence = 0;
        bool operator==(const Hit&) const = default;
    };

    static constexpr double keepSeconds = 3.0;
    static constexpr double minConfidence = 0.01;

    // Starts the analyser; when it can't run, `available()` stays false and clap wake
    // relies on the detector alone.
    explicit SoundClassifier(std::unique_ptr<platform::SoundAnalyzer> analyzer,
                             Clock& clock = Clock::system());
    ~SoundClassifier();
    SoundClassifier(const SoundClassifier&) = delete;
    SoundClassifier& operator=(const SoundClassifier&) = delete;

    bool available() const { return available_; }
    // Hands a chunk to the analyser (audio processing thread).
    void analyze(std::span<const float> samples, std::int64_t position);
    // Stops the analyser's thread; nothing is recorded afterwards.
    void stop();

    const QSet<QString>& clapIdentifiers() const { return clapIdentifiers_; }
    const QSet<QString>& speechIdentifiers() const { return speechIdentifiers_; }

    // The highest confidence recorded within `window` seconds before `now`, if any.
    // Each takes the lock on its own.
    std::optional<double> bestClap(double window, double now) const;
    std::optional<double> bestSpeech(double window, double now) const;
    std::vector<Hit> recentHits() const;
    std::vector<Hit> recentSpeech() const;

    // One analysis window's classifications (the analyser's thread).
    void handleResult(const std::vector<platform::SoundAnalyzer::Classification>& result);
    void handleFailure(const QString& description);

    // The label rules: clap-family labels contain "clap", "applause" or
    // "finger_snap"; speech labels contain "speech" (any letter case).
    static bool isClapLabel(const QString& label);
    static bool isSpeechLabel(const QString& label);

private:
    static std::optional<double> best(const std::vector<Hit>& hits, double window, double now);

    std::unique_ptr<platform::SoundAnalyzer> analyzer_;
    Clock& clock_;
    bool available_ = false;
    QString analyzerName_;
    QSet<QString> clapIdentifiers_;
    QSet<QString> speechIdentifiers_;
    mutable std::mutex lock_;
    std::vector<Hit> recentHits_;
    std::vector<Hit> recentSpeech_;
};

} // namespace brisklet
