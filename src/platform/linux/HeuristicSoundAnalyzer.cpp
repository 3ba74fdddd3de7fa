#include "platform/linux/HeuristicSoundAnalyzer.h"

#include "base/Log.h"

#include <algorithm>
#include <cmath>
#include <pthread.h>

namespace brisklet::platform {

namespace {

constexpr int subFrame = 128;   // 8 ms
constexpr int pitchFrame = 512; // 32 ms
constexpr double silenceDb = -120.0;

double toDb(double meanSquare) {
    return 10.0 * std::log10(meanSquare + 1e-12);
}

double meanSquare(const float* x, int n) {
    double sum = 0;
    for (int i = 0; i < n; ++i)
        sum += static_cast<double>(x[i]) * x[i];
    return n > 0 ? sum / n : 0.0;
}

double ramp(double value, double low, double high) {
    return std::clamp((value - low) / (high - low), 0.0, 1.0);
}

double median(std::vector<double> values) {
    if (values.empty())
        return silenceDb;
    std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
    return values[values.size() / 2];
}

// The strongest repetition of `x` at a period of `minLag`…`maxLag` samples, past
// the first dip of the autocorrelation: pitched sound peaks again there, noise
// (even low-pitched noise) only fades.
double periodicity(const float* x, int n, int minLag, int maxLag) {
    maxLag = std::min(maxLag, n - 1);
    if (maxLag < 1)
        return 0.0;
    // Running sums of squares give each lag's two energies without another pass.
    std::vector<double> squares(static_cast<size_t>(n) + 1, 0.0);
    for (int i = 0; i < n; ++i)
        squares[i + 1] = squares[i] + static_cast<double>(x[i]) * x[i];
    if (squares[n] <= 1e-12)
        return 0.0;
    std::vector<double> r(static_cast<size_t>(maxLag) + 1, 0.0);
    for (int lag = 1; lag <= maxLag; ++lag) {
        double sum = 0;
        for (int i = 0; i + lag < n; ++i)
            sum += static_cast<double>(x[i]) * x[i + lag];
        const double e1 = squares[n - lag];
        const double e2 = squares[n] - squares[lag];
        r[static_cast<size_t>(lag)] = sum / std::sqrt(e1 * e2 + 1e-20);
    }
    int lag = 1;
    while (lag < maxLag && r[static_cast<size_t>(lag + 1)] < r[static_cast<size_t>(lag)])
        ++lag; // down to the first dip
    double best = 0;
    for (int l = std::max(lag, minLag); l <= maxLag; ++l)
        best = std::max(best, r[static_cast<size_t>(l)]);
    return best;
}

double zeroCrossingRate(const float* x, int n) {
    int crossings = 0;
    for (int i = 1; i < n; ++i)
        if ((x[i - 1] < 0) != (x[i] < 0))
            ++crossings;
    return n > 1 ? static_cast<double>(crossings) / (n - 1) : 0.0;
}

} // namespace

float HeuristicSoundAnalyzer::Filter::step(float x) {
    const double y = b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return static_cast<float>(y);
}

HeuristicSoundAnalyzer::Scores HeuristicSoundAnalyzer::scoreWindow(std::span<const float> raw,
                                                                   std::span<const float> highBand,
                                                                   double floorDb) {
    Scores scores;
    const int count = static_cast<int>(std::min(raw.size(), highBand.size()));
    const int subs = count / subFrame;
    if (subs < 16)
        return scores;

    std::vector<double> level(static_cast<size_t>(subs)), high(static_cast<size_t>(subs));
    for (int i = 0; i < subs; ++i) {
        level[i] = meanSquare(raw.data() + i * subFrame, subFrame);
        high[i] = meanSquare(highBand.data() + i * subFrame, subFrame);
    }
    std::vector<double> db(static_cast<size_t>(subs));
    for (int i = 0; i < subs; ++i)
        db[i] = toDb(level[i]);
    if (!std::isfinite(floorDb)) {
        std::vector<double> sorted = db;
        std::sort(sorted.begin(), sorted.end());
        floorDb = sorted[sorted.size() / 10];
    }

    // Clap-like transients: a sudden rise out of quiet, mostly high-band, noisy,
    // gone again within about a tenth of a second, with no pitch.
    double bestClap = 0, bestSnap = 0;
    int strongTransients = 0;
    int lastStrong = -100;
    for (int i = 3; i + 4 < subs; ++i) {
        if (db[i] < db[i - 1] || db[i] <= db[i + 1])
            continue;
        std::vector<double> before;
        for (int j = std::max(0, i - 8); j <= i - 2; ++j)
            before.push_back(db[j]);
        const double rise = db[i] - median(before);
        if (rise < 8.0 || db[i] < floorDb + 12.0)
            continue;
        const double share = high[i] / (level[i] + 1e-20);
        const float* at = raw.data() + i * subFrame;
        const double zcr = zeroCrossingRate(at, subFrame);
        double after = db[i];
        double afterFast = db[i];
        for (int j = i + 1; j < subs && j <= i + 15; ++j) {
            after = std::min(after, db[j]);
            if (j <= i + 5)
                afterFast = std::min(afterFast, db[j]);
        }
        const double decay = db[i] - after;
        const double fastDecay = db[i] - afterFast;
        const int segmentStart = std::max(0, i * subFrame - subFrame);
        const int segmentLength = std::min(3 * subFrame, count - segmentStart);
        const double pitch = periodicity(raw.data() + segmentStart, segmentLength, 40, 224);

        const double clap = ramp(rise, 6.0, 18.0) * ramp(share, 0.2, 0.6) * ramp(zcr, 0.1, 0.4) *
                            ramp(decay, 10.0, 30.0) * ramp(0.6 - pitch, 0.0, 0.4);
        const double snap = clap * ramp(fastDecay, 10.0, 30.0) * ramp(share, 0.4, 0.8);
        bestClap = std::max(bestClap, clap);
        bestSnap = std::max(bestSnap, snap);
        if (clap >= 0.3 && i - lastStrong > 8) {
            ++strongTransients;
            lastStrong = i;
        }
    }
    if (strongTransients >= 2) // a second clap makes the first more believable
        bestClap = std::min(1.0, bestClap + 0.2);
    scores.clap = bestClap;
    scores.fingerSnap = bestSnap;

    // Speech: how much of the second is voiced (pitched, well above the room),
    // times how strongly the loudness swings at syllable rate (3–8 Hz).
    const int frames = count / pitchFrame;
    int voiced = 0;
    for (int f = 0; f < frames; ++f) {
        const float* at = raw.data() + f * pitchFrame;
        if (toDb(meanSquare(at, pitchFrame)) < floorDb + 10.0)
            continue;
        if (periodicity(at, pitchFrame, 40, 228) >= 0.5)
            ++voiced;
    }
    const double voicedShare = frames > 0 ? static_cast<double>(voiced) / frames : 0.0;

    std::vector<double> envelope(static_cast<size_t>(subs));
    double mean = 0;
    for (int i = 0; i < subs; ++i) {
        envelope[i] = std::sqrt(level[i]);
        mean += envelope[i];
    }
    mean /= subs;
    double total = 0, syllabic = 0;
    const double envelopeRate = static_cast<double>(sampleRate) / subFrame;
    for (int k = 1; k <= subs / 2; ++k) {
        double re = 0, im = 0;
        for (int i = 0; i < subs; ++i) {
            const double phase = 2 * M_PI * k * i / subs;
            re += (envelope[i] - mean) * std::cos(phase);
            im -= (envelope[i] - mean) * std::sin(phase);
        }
        const double power = re * re + im * im;
        total += power;
        const double hz = k * envelopeRate / subs;
        if (hz >= 2.5 && hz <= 8.5)
            syllabic += power;
    }
    double depth = 0;
    for (int i = 0; i < subs; ++i)
        depth += (envelope[i] - mean) * (envelope[i] - mean);
    depth = mean > 0 ? std::sqrt(depth / subs) / mean : 0.0;
    const double modulation = total > 0 ? syllabic / total : 0.0;
    scores.speech = ramp(voicedShare, 0.05, 0.35) * ramp(modulation, 0.1, 0.35) * ramp(depth, 0.2, 0.5);
    return scores;
}

HeuristicSoundAnalyzer::~HeuristicSoundAnalyzer() {
    stop();
}

QStringList HeuristicSoundAnalyzer::knownClassifications() const {
    return {QStringLiteral("clap"), QStringLiteral("finger_snap"), QStringLiteral("speech")};
}

bool HeuristicSoundAnalyzer::start(ResultHandler onResult, FailureHandler onFailure, QString* error) {
    stop();
    onResult_ = std::move(onResult);
    onFailure_ = std::move(onFailure);
    {
        std::lock_guard guard(mutex_);
        stopping_ = false;
        queue_.clear();
    }
    raw_.clear();
    high_.clear();
    nextEnd_ = -1;
    frameLevels_.clear();
    highPass_ = Filter{0.5690338, -1.1380676, 0.5690338, -0.9428061, 0.33332905};
    try {
        thread_ = std::thread([this] { run(); });
    } catch (const std::exception& e) {
        if (error)
            *error = QString::fromLocal8Bit(e.what());
        return false;
    }
    std::lock_guard guard(mutex_);
    accepting_ = true;
    return true;
}

void HeuristicSoundAnalyzer::stop() {
    {
        std::lock_guard guard(mutex_);
        stopping_ = true;
        accepting_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable())
        thread_.join();
    std::lock_guard guard(mutex_);
    queue_.clear();
    busy_ = false;
    idle_.notify_all();
}

void HeuristicSoundAnalyzer::analyze(std::span<const float> samples, std::int64_t position) {
    bool dropped = false;
    {
        std::lock_guard guard(mutex_);
        if (!accepting_)
            return;
        std::vector<float> buffer;
        if (!spare_.empty()) {
            buffer = std::move(spare_.back());
            spare_.pop_back();
        }
        buffer.assign(samples.begin(), samples.end());
        if (queue_.size() >= queueCapacity) {
            spare_.push_back(std::move(queue_.front().samples));
            queue_.pop_front();
            dropped = true;
        }
        queue_.push_back({std::move(buffer), position});
    }
    wake_.notify_one();
    if (dropped) {
        BK_DETAIL(lcClap) << "sound analyser fell behind; dropped the oldest chunk";
    }
}

void HeuristicSoundAnalyzer::waitIdle() {
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return (queue_.empty() && !busy_) || stopping_; });
}

void HeuristicSoundAnalyzer::run() {
    pthread_setname_np(pthread_self(), "bk.sound");
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        Chunk chunk = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        process(chunk);
        lock.lock();
        spare_.push_back(std::move(chunk.samples));
        busy_ = false;
        if (queue_.empty())
            idle_.notify_all();
    }
}

void HeuristicSoundAnalyzer::process(const Chunk& chunk) {
    const std::int64_t end = bufferStart_ + static_cast<std::int64_t>(raw_.size());
    if (nextEnd_ < 0 || chunk.position != end) {
        // First audio, or a jump in the stream (dropped chunks, a restart): begin anew.
        raw_.clear();
        high_.clear();
        bufferStart_ = chunk.position;
        nextEnd_ = chunk.position + windowSamples;
    }
    for (float sample : chunk.samples) {
        raw_.push_back(sample);
        high_.push_back(highPass_.step(sample));
    }
    // The room's level: the quieter tenth of the last 5 s of 32 ms frames.
    if (chunk.samples.size() >= static_cast<size_t>(pitchFrame)) {
        frameLevels_.push_back(toDb(meanSquare(chunk.samples.data(), pitchFrame)));
        while (frameLevels_.size() > 156)
            frameLevels_.pop_front();
    }

    while (bufferStart_ + static_cast<std::int64_t>(raw_.size()) >= nextEnd_) {
        const size_t from = static_cast<size_t>(nextEnd_ - windowSamples - bufferStart_);
        double floorDb = std::nan("");
        if (frameLevels_.size() >= 31) {
            std::vector<double> sorted(frameLevels_.begin(), frameLevels_.end());
            std::sort(sorted.begin(), sorted.end());
            floorDb = sorted[sorted.size() / 10];
        }
        const Scores scores =
            scoreWindow(std::span<const float>(raw_).subspan(from, windowSamples),
                        std::span<const float>(high_).subspan(from, windowSamples), floorDb);
        if (onResult_)
            onResult_({{QStringLiteral("clap"), scores.clap},
                       {QStringLiteral("finger_snap"), scores.fingerSnap},
                       {QStringLiteral("speech"), scores.speech}});
        nextEnd_ += hopSamples;
        // Keep only what the next window needs.
        const std::int64_t keepFrom = nextEnd_ - windowSamples;
        if (keepFrom > bufferStart_) {
            const size_t drop = static_cast<size_t>(keepFrom - bufferStart_);
            raw_.erase(raw_.begin(), raw_.begin() + static_cast<std::ptrdiff_t>(drop));
            high_.erase(high_.begin(), high_.begin() + static_cast<std::ptrdiff_t>(drop));
            bufferStart_ = keepFrom;
        }
    }
}

} // namespace brisklet::platform
