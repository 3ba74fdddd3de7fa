#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace brisklet::platform {

// Classifies the sounds in the microphone stream: for each analysis window, a
// confidence per label ("clap", "speech", …).
class SoundAnalyzer {
public:
    struct Classification {
        QString identifier;
        double confidence = 0;
        bool operator==(const Classification&) const = default;
    };
    using ResultHandler = std::function<void(const std::vector<Classification>&)>;
    using FailureHandler = std::function<void(const QString& description)>;

    virtual ~SoundAnalyzer() = default;

    // What logs call it.
    virtual QString name() const = 0;
    // Every label a result may carry.
    virtual QStringList knownClassifications() const = 0;
    // Begin analysing. Results and stream failures arrive on the analyser's own
    // thread, one call per window. False, with the reason, when it can't run.
    virtual bool start(ResultHandler onResult, FailureHandler onFailure, QString* error) = 0;
    // One chunk of 16 kHz mono audio and its position in samples; called on the
    // audio processing thread and never blocks it.
    virtual void analyze(std::span<const float> samples, std::int64_t position) = 0;
    // Stop and wait for the analyser's thread; no handler runs afterwards.
    virtual void stop() = 0;
};

} // namespace brisklet::platform
