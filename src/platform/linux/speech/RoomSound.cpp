#include "platform/linux/speech/RoomSound.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace brisklet::platform {

bool isQuiet(const std::vector<float>& room, double limitRms) {
    if (room.empty())
        return false;
    double sum = 0;
    for (float s : room)
        sum += double(s) * s;
    return std::sqrt(sum / double(room.size())) < limitRms;
}

Floor::Floor(double dbfs) : amplitude_(dbfs < 0 ? float(std::pow(10.0, dbfs / 20) * std::sqrt(3.0)) : 0) {}

std::vector<std::int16_t> Floor::toPcm(const std::vector<float>& samples) {
    std::vector<std::int16_t> pcm(samples.size());
    std::uniform_real_distribution<float> hiss(-amplitude_, amplitude_);
    std::transform(samples.begin(), samples.end(), pcm.begin(), [&](float s) {
        const float floor = amplitude_ > 0 ? hiss(random_) : 0.0f;
        return static_cast<std::int16_t>(std::lrintf(std::clamp(s + floor, -1.0f, 1.0f) * 32767.0f));
    });
    return pcm;
}

OpeningSound::OpeningSound(const std::vector<float>& room, std::size_t length, std::size_t latest)
    : room_(room), length_(room.empty() ? 0 : length), latest_(latest) {
    double sum = 0;
    for (float s : room)
        sum += double(s) * s;
    const double rms = room.empty() ? 0 : std::sqrt(sum / double(room.size()));
    // 20 dB over the room: its own peaks stay below that; and never below −60 dBFS.
    threshold_ = float(std::max(10 * rms, 0.001));
}

void OpeningSound::mask(std::vector<float>& samples) {
    for (float& s : samples) {
        if (done_)
            return;
        const std::size_t at = seen_++;
        if (!started_) {
            done_ = length_ == 0 || at >= latest_;
            if (done_ || std::fabs(s) < threshold_)
                continue;
            started_ = true;
            onset_ = at;
        }
        const std::size_t into = at - onset_;
        done_ = into >= length_;
        if (!done_)
            s = room_[into % room_.size()];
    }
}

Loudness::Loudness(const std::vector<float>& room, std::size_t skip)
    : skip_(skip), room_(std::numeric_limits<double>::infinity()),
      quietest_(std::numeric_limits<double>::infinity()) {
    std::vector<double> blocks;
    for (std::size_t at = 0; at + blockSamples <= room.size(); at += blockSamples)
        blocks.push_back(energy(room.data() + at));
    if (!blocks.empty()) {
        // The room's quieter blocks: speech just before the window is no room sound.
        auto fifth = blocks.begin() + std::ptrdiff_t(blocks.size() / 5);
        std::nth_element(blocks.begin(), fifth, blocks.end());
        room_ = *fifth;
    }
}

void Loudness::add(const std::vector<float>& samples) {
    for (float s : samples) {
        pending_.push_back(s);
        if (pending_.size() < blockSamples)
            continue;
        const double e = energy(pending_.data());
        pending_.clear();
        seen_ += blockSamples;
        if (seen_ <= skip_)
            continue;
        quietest_ = std::min(quietest_, e);
        recent_[blocks_++ % recent_.size()] = e;
        const std::size_t n = std::min(blocks_, recent_.size());
        loudest_ = std::max(loudest_, std::accumulate(recent_.begin(), recent_.begin() + n, 0.0) / n);
    }
}

double Loudness::riseDb() const {
    // Below about −70 dBFS nobody spoke, whatever the room.
    if (loudest_ < 1e-7)
        return 0;
    return 10 * std::log10(loudest_ / std::max(std::min(room_, quietest_), 1e-10));
}

double Loudness::energy(const float* block) {
    double sum = 0;
    for (std::size_t i = 0; i < blockSamples; ++i)
        sum += double(block[i]) * block[i];
    return sum / blockSamples;
}

} // namespace brisklet::platform
