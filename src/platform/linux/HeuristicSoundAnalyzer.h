#pragma once

#include "platform/SoundAnalyzer.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace brisklet::platform {

// Our own sound classifier, by plain signal measures rather than a trained model:
// every 0.5 s of audio it scores the last second for "clap" and "finger_snap"
// (short broadband transients that fade fast and have no pitch) and "speech"
// (voiced, pitched frames whose loudness rises and falls at syllable rate). It
// works on a thread of its own, fed through a bounded queue.
class HeuristicSoundAnalyzer final : public SoundAnalyzer {
public:
    static constexpr int sampleRate = 16000;
    static constexpr int windowSamples = 16000; // 1 s
    static constexpr int hopSamples = 8000;     // a result every 0.5 s of audio
    static constexpr size_t queueCapacity = 64; // chunks of 512: about 2 s

    struct Scores {
        double clap = 0;
        double fingerSnap = 0;
        double speech = 0;
    };

    // Scores one window. `raw` and `highBand` (the same audio high-passed at
    // 2 kHz) have the same length; `floorDb` is the room's level in dB of mean
    // square, when known.
    static Scores scoreWindow(std::span<const float> raw, std::span<const float> highBand, double floorDb);

    HeuristicSoundAnalyzer() = default;
    ~HeuristicSoundAnalyzer() override;

    QString name() const override { return QStringLiteral("heuristic sound analyser"); }
    QStringList knownClassifications() const override;
    bool start(ResultHandler onResult, FailureHandler onFailure, QString* error) override;
    void analyze(std::span<const float> samples, std::int64_t position) override;
    void stop() override;

    // Waits until every chunk handed over so far has been analysed.
    void waitIdle();

private:
    struct Chunk {
        std::vector<float> samples;
        std::int64_t position;
    };
    void run();
    void process(const Chunk& chunk);

    ResultHandler onResult_;
    FailureHandler onFailure_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Chunk> queue_;
    std::vector<std::vector<float>> spare_; // reused chunk buffers
    bool stopping_ = false;
    bool accepting_ = false;
    bool busy_ = false;

    // The worker's own state.
    struct Filter {
        double b0, b1, b2, a1, a2;
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        float step(float x);
    };
    Filter highPass_{0.5690338, -1.1380676, 0.5690338, -0.9428061, 0.33332905};
    std::vector<float> raw_;
    std::vector<float> high_;
    std::int64_t bufferStart_ = 0;   // position of raw_[0]
    std::int64_t nextEnd_ = -1;      // position where the next window ends
    std::deque<double> frameLevels_; // recent 32 ms levels (dB), for the room's floor
};

} // namespace brisklet::platform
