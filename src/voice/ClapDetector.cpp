#include "voice/ClapDetector.h"

#include "base/Log.h"
#include "base/Prefs.h"

#include <algorithm>
#include <cmath>

namespace brisklet {

namespace {
// Decimal times don't subtract exactly (1.6 - 1.0 is a hair over 0.6).
constexpr double timeTolerance = 1e-9;
} // namespace

ClapDetector::ClapDetector() : sensitivity_(storedSensitivity()) {
    filtered_.resize(chunkFrames);
    history_.reserve(medianWindow + 1);
    medianScratch_.reserve(medianWindow + 1);
}

double ClapDetector::storedSensitivity() {
    const QVariant stored = Prefs::value(QString::fromLatin1(Prefs::Key::sensitivity));
    bool ok = false;
    const double k = stored.toDouble(&ok);
    if (!stored.isValid() || !ok || std::isnan(k))
        return 6.0;
    return std::clamp(k, 4.0, 10.0);
}

void ClapDetector::process(std::span<const float> samples, std::int64_t position) {
    if (samples.size() < static_cast<size_t>(chunkFrames))
        return;
    double sum = 0;
    for (int i = 0; i < chunkFrames; ++i) {
        const float y = hpf_.step(samples[i]);
        filtered_[i] = y;
        sum += static_cast<double>(y) * y;
    }
    const float rms = static_cast<float>(std::sqrt(sum / chunkFrames));
    ingest(rms, static_cast<double>(position) / sampleRate);
}

float ClapDetector::noiseFloor() {
    if (framesSeen_ <= warmupFrames || history_.empty())
        return 1.0f;
    medianScratch_.assign(history_.begin(), history_.end());
    std::sort(medianScratch_.begin(), medianScratch_.end());
    return medianScratch_[medianScratch_.size() / 2];
}

void ClapDetector::ingest(float rms, double time) {
    framesSeen_ += 1;
    const float floor = std::max(noiseFloor(), 1e-5f);
    history_.push_back(rms);
    if (history_.size() > static_cast<size_t>(medianWindow))
        history_.erase(history_.begin());
    const double k = sensitivity_.load();
    const float threshold = static_cast<float>(k * floor);

    if (rms > threshold) {
        BK_DETAIL(lcClap).noquote() << QString::asprintf("loud frame: rms=%.*f floor=%.*f k=%f", 5, rms, 5,
                                                         floor, k);
    }

    if (auto* peak = std::get_if<InPeak>(&state_)) {
        const float amp = std::max(rms, peak->amp);
        const double width = time - peak->onset;
        const double onset = peak->onset;
        if (rms < 0.5f * threshold) {
            state_ = Idle{};
            if (width <= maxTransientWidth + timeTolerance)
                qualify(onset, amp, time);
        } else if (width > maxTransientWidth + timeTolerance) {
            // Too long for a clap: speech or music. It also breaks a pending pair.
            state_ = Cooldown{};
            lastPeak_.reset();
        } else {
            state_ = InPeak{onset, amp};
        }
    } else if (std::holds_alternative<Idle>(state_)) {
        if (time >= refractoryUntil_ && framesSeen_ >= warmupFrames + 1) {
            if (lastPeak_) {
                gapFrames_ += 1;
                if (rms > 0.35f * threshold)
                    gapLoudFrames_ += 1;
            }
            if (rms > threshold && prev2_ < 0.35f * threshold)
                state_ = InPeak{time, rms};
        }
    } else if (rms < 0.5f * threshold) {
        state_ = Idle{};
    }

    prev2_ = prev1_;
    prev1_ = rms;
}

void ClapDetector::qualify(double onset, float amp, double time) {
    BK_DETAIL(lcClap).noquote() << QString::asprintf("qualifying clap peak at t=%.*f", 3, onset);
    emit peak(onset);
    if (lastPeak_) {
        const double gap = onset - lastPeak_->onset;
        const bool inRange = gap >= minGap - timeTolerance && gap <= maxGap + timeTolerance;
        if (inRange && gapIsQuiet() && similarAmplitude(lastPeak_->amp, amp)) {
            lastPeak_.reset();
            refractoryUntil_ = time + refractory;
            // Whole milliseconds, truncated; the nudge keeps 0.288 from reading 287.
            const long gapMs = static_cast<long>(std::floor(gap * 1000.0 + 1e-6));
            qCInfo(lcClap).noquote() << QString::asprintf("DSP double-clap detected (gap %ldms)", gapMs);
            emit doubleClap(time);
            return;
        }
    }
    lastPeak_ = Peak{onset, amp};
    gapFrames_ = 0;
    gapLoudFrames_ = 0;
}

bool ClapDetector::gapIsQuiet() const {
    if (gapFrames_ < 1)
        return true;
    const double ratio = static_cast<double>(gapFrames_ - gapLoudFrames_) / static_cast<double>(gapFrames_);
    if (ratio < 0.55) {
        BK_DETAIL(lcClap).noquote() << QString::asprintf("double-clap rejected: gap not quiet (%ld%% quiet)",
                                                         static_cast<long>(ratio * 100.0));
        return false;
    }
    return true;
}

bool ClapDetector::similarAmplitude(float a, float b) {
    if (!(a > 0) || !(b > 0))
        return false;
    const double ratio = static_cast<double>(std::max(a, b)) / static_cast<double>(std::min(a, b));
    if (ratio > 3.5) {
        BK_DETAIL(lcClap).noquote() << QString::asprintf("double-clap rejected: peak mismatch (%.*fx)", 1,
                                                         ratio);
        return false;
    }
    return true;
}

} // namespace brisklet
