#pragma once

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <variant>
#include <vector>

namespace brisklet {

// One second-order IIR section (normalised so that a0 = 1). Its state runs on
// across calls.
struct Biquad {
    float b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;

    float step(float x) {
        const float y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        return y;
    }
    // High-pass at 2 kHz for 16 kHz audio, the coefficients the clap detector was
    // tuned with (kept as stored rather than recomputed).
    static Biquad clapHighPass() { return {0.5690338f, -1.1380676f, 0.5690338f, -0.9428061f, 0.33332905f}; }
};

// Finds double claps in 16 kHz mono audio, one 512-sample chunk (32 ms) at a time:
// the high-passed level of each chunk against an adaptive noise floor. Everything
// runs on the audio processing thread; only `sensitivity` may be set from elsewhere.
class ClapDetector final : public QObject {
    Q_OBJECT
public:
    static constexpr double frameDuration = 0.032;
    static constexpr double maxTransientWidth = 0.15;
    static constexpr double minGap = 0.12;
    static constexpr double maxGap = 0.6;
    static constexpr double refractory = 1.5;
    static constexpr int medianWindow = 63;
    static constexpr int warmupFrames = 16;
    static constexpr int chunkFrames = 512;
    static constexpr double sampleRate = 16000.0;

    ClapDetector();

    // A chunk and its position in samples since the audio engine started. Chunks
    // shorter than 512 samples are ignored.
    void process(std::span<const float> samples, std::int64_t position);
    // One frame level at a time (what `process` does after filtering).
    void ingest(float rms, double time);

    double sensitivity() const { return sensitivity_.load(); }
    void setSensitivity(double k) { sensitivity_.store(k); }
    // The stored sensitivity clamped to 4…10 (6 when none is stored).
    static double storedSensitivity();

signals:
    // Both on the audio processing thread. Onset time of every clap-like peak, in
    // seconds of audio.
    void peak(double onset);
    // Time of the frame that completed the second clap of a pair.
    void doubleClap(double time);

private:
    struct Idle {};
    struct InPeak {
        double onset;
        float amp;
    };
    struct Cooldown {};
    struct Peak {
        double onset;
        float amp;
    };

    float noiseFloor();
    void qualify(double onset, float amp, double time);
    bool gapIsQuiet() const;
    static bool similarAmplitude(float a, float b);

    std::atomic<double> sensitivity_;
    Biquad hpf_ = Biquad::clapHighPass();
    std::vector<float> filtered_;
    std::vector<float> history_;
    std::vector<float> medianScratch_;
    float prev1_ = 0;
    float prev2_ = 0;
    long framesSeen_ = 0;
    std::variant<Idle, InPeak, Cooldown> state_ = Idle{};
    std::optional<Peak> lastPeak_;
    double refractoryUntil_ = -1.0;
    long gapFrames_ = 0;
    long gapLoudFrames_ = 0;
};

} // namespace brisklet
