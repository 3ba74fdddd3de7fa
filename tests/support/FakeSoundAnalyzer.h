#pragma once

#include "platform/SoundAnalyzer.h"

#include <mutex>

namespace brisklet::test {

// An analyser whose results the test scripts: `deliver` delivers one window's
// classifications on the calling thread.
class FakeSoundAnalyzer final : public platform::SoundAnalyzer {
public:
    QString name() const override { return QStringLiteral("fake sound analyser"); }
    QStringList knownClassifications() const override { return labels; }
    bool start(ResultHandler onResult, FailureHandler onFailure, QString* error) override {
        if (!startError.isEmpty()) {
            if (error)
                *error = startError;
            return false;
        }
        onResult_ = std::move(onResult);
        onFailure_ = std::move(onFailure);
        return true;
    }
    void analyze(std::span<const float> samples, std::int64_t) override {
        std::lock_guard guard(mutex_);
        samplesSeen += samples.size();
    }
    void stop() override { onResult_ = nullptr; }

    void deliver(const std::vector<Classification>& result) {
        if (onResult_)
            onResult_(result);
    }
    void deliverScores(double clap, double speech) {
        deliver({{QStringLiteral("clap"), clap},
                 {QStringLiteral("finger_snap"), 0.0},
                 {QStringLiteral("speech"), speech}});
    }
    void fail(const QString& why) {
        if (onFailure_)
            onFailure_(why);
    }

    QStringList labels{QStringLiteral("clap"), QStringLiteral("finger_snap"), QStringLiteral("speech")};
    QString startError;
    size_t samplesSeen = 0;

private:
    std::mutex mutex_;
    ResultHandler onResult_;
    FailureHandler onFailure_;
};

} // namespace brisklet::test
