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

namespace {

// The chime's value `at` samples into it, between samples by cubic interpolation;
// nothing outside it.
float chimeAt(const std::vector<float>& chime, double at) {
    const double whole = std::floor(at);
    const auto sample = [&](double i) {
        return i >= 0 && i < double(chime.size()) ? double(chime[std::size_t(i)]) : 0.0;
    };
    const double f = at - whole;
    const double a = sample(whole - 1), b = sample(whole), c = sample(whole + 1), d = sample(whole + 2);
    // Catmull-Rom: exact on the samples, smooth between them.
    return float(b + 0.5 * f * (c - a + f * (2 * a - 5 * b + 4 * c - d + f * (3 * (b - c) + d - a))));
}

} // namespace

OpeningSound::OpeningSound(std::vector<float> chime, std::size_t latest, double roomEnergy,
                           std::size_t earliest)
    : chime_(std::move(chime)), latest_(latest), earliest_(std::min(earliest, latest)),
      roomEnergy_(roomEnergy) {
    // The head: the chime's first samples up to 95 % of its energy, at least 50 ms.
    double total = 0;
    for (float s : chime_)
        total += double(s) * s;
    double sum = 0;
    while (head_ < chime_.size() && (sum < 0.95 * total || head_ < 800)) {
        sum += double(chime_[head_]) * chime_[head_];
        ++head_;
    }
    settled_ = total <= 0;
}

std::vector<float> OpeningSound::take(const std::vector<float>& samples) {
    if (settled_) {
        std::vector<float> out = samples;
        subtract(out, given_);
        given_ += out.size();
        return out;
    }
    held_.insert(held_.end(), samples.begin(), samples.end());
    // Held until the whole chime is in hand wherever it starts: each of its blocks is
    // weighed before any of them is given out.
    if (held_.size() < latest_ + chime_.size() + 3 + maxSlipSamples)
        return {};
    return rest();
}

std::vector<float> OpeningSound::rest() {
    if (!settled_)
        settle();
    std::vector<float> out;
    out.swap(held_);
    subtract(out, given_);
    given_ += out.size();
    return out;
}

void OpeningSound::settle() {
    settled_ = true;
    const std::vector<float>& x = held_;
    if (x.size() < 2)
        return;
    // Normalised cross-correlation of the head with the window at every delay.
    const std::size_t last = std::min(latest_, x.size() - 1);
    std::vector<double> match(last + 1, 0.0);
    for (std::size_t lag = std::min(earliest_, last); lag <= last; ++lag) {
        const std::size_t n = std::min(head_, x.size() - lag);
        double xc = 0, xx = 0, cc = 0;
        for (std::size_t i = 0; i < n; ++i) {
            xc += double(x[lag + i]) * chime_[i];
            xx += double(x[lag + i]) * x[lag + i];
            cc += double(chime_[i]) * chime_[i];
        }
        match[lag] = xx > 0 && cc > 0 ? xc / std::sqrt(xx * cc) : 0.0;
    }
    const std::size_t best = std::size_t(std::max_element(match.begin(), match.end()) - match.begin());
    match_ = match[best];
    if (match_ >= minPlaceMatch)
        placed_ = {best, best + chime_.size() + 2};
    if (match[best] < minMatch)
        return;
    // The peak between samples, from the parabola through its neighbours.
    double fraction = 0;
    if (best > earliest_ && best < last) {
        const double l = match[best - 1], m = match[best], r = match[best + 1];
        const double curve = l - 2 * m + r;
        if (curve < 0)
            fraction = std::clamp(0.5 * (l - r) / curve, -0.5, 0.5);
    }
    offset_ = double(best) + fraction;
    // The gain that fits the aligned chime to the window's start best.
    double xs = 0, ss = 0;
    const std::size_t end = std::min(x.size(), best + head_);
    for (std::size_t t = best; t < end; ++t) {
        const double s = chimeAt(chime_, double(t) - offset_);
        xs += double(x[t]) * s;
        ss += s * s;
    }
    if (!(ss > 0) || !(xs > 0))
        return;
    gain_ = xs / ss;
    refine(x, best);
    // A chime stretched by a repeat runs on past its length.
    found_ = {std::size_t(std::max(0.0, std::floor(offset_ - 1))),
              std::size_t(std::ceil(offset_ + double(chime_.size()) + 2)) + maxSlipSamples};
    // A loaded server may drop or repeat a few ms inside the chime, and all that comes
    // after it is off by as much: one offset would leave it in whole, read as a word
    // ("cough"). So each block follows the chime: it keeps the last block's slip unless
    // another within a few ms leaves far less of it.
    const auto leftOver = [&](std::size_t from, std::size_t to, double slip) {
        double sum = 0;
        for (std::size_t t = from; t < to; ++t) {
            const double left = double(x[t]) - gain_ * chimeAt(chime_, double(t) - offset_ - slip);
            sum += left * left;
        }
        return sum;
    };
    double slip = 0;
    for (std::size_t from = found_->first; from < found_->second; from += blockSamples) {
        const std::size_t to = std::min({from + blockSamples, found_->second, x.size()});
        if (from >= to) {
            slip_.push_back(slip);
            continue;
        }
        double least = leftOver(from, to, slip), best = slip;
        for (int other = -int(maxSlipSamples); other <= int(maxSlipSamples); ++other) {
            const double there = leftOver(from, to, other);
            if (there < least) {
                least = there;
                best = other;
            }
        }
        if (best != slip && least < 0.5 * leftOver(from, to, slip))
            slip = best;
        slip_.push_back(slip);
    }
    // Each block keeps the subtraction only where it leaves less than was heard.
    for (std::size_t from = found_->first; from < found_->second; from += blockSamples) {
        const std::size_t to = std::min({from + blockSamples, found_->second, x.size()});
        const double slip = slipAt(from);
        double before = 0, after = 0;
        for (std::size_t t = from; t < to; ++t) {
            const double left = double(x[t]) - gain_ * chimeAt(chime_, double(t) - offset_ - slip);
            before += double(x[t]) * x[t];
            after += left * left;
        }
        kept_.push_back(after < before);
        // Nothing but the chime: taking it out left a thousandth of the block.
        const double n = double(std::max<std::size_t>(1, to - from));
        const bool chimeAlone = after * 1000 < before && after / n > roomEnergy_;
        left_.push_back(chimeAlone ? float(std::sqrt(roomEnergy_ * n / after)) : 1.0f);
    }
}

void OpeningSound::refine(const std::vector<float>& x, std::size_t from) {
    // A voice begun over the chime pulls a fit over all of it a little off, and what
    // that leaves of the chime before the voice is the only sound there in a quiet
    // room. So the fit is made again block by block, each block weighed by how little
    // it leaves of the chime there: the chime's blocks without a voice decide it. Its
    // timing is refined with it, through the chime's slope (a lag of a fraction of a
    // sample leaves as much as a gain a few per cent off).
    const std::size_t to = std::min(x.size(), from + chime_.size());
    const double found = offset_;
    for (int round = 0; round < 4; ++round) {
        double cc = 0, cd = 0, dd = 0, xc = 0, xd = 0;
        for (std::size_t block = from; block < to; block += blockSamples) {
            const std::size_t end = std::min(block + blockSamples, to);
            double bcc = 0, bcd = 0, bdd = 0, bxc = 0, bxd = 0, left = 0;
            for (std::size_t t = block; t < end; ++t) {
                const double at = double(t) - offset_;
                const double c = chimeAt(chime_, at);
                const double d = chimeAt(chime_, at + 0.5) - chimeAt(chime_, at - 0.5);
                const double r = double(x[t]) - gain_ * c;
                bcc += c * c;
                bcd += c * d;
                bdd += d * d;
                bxc += double(x[t]) * c;
                bxd += double(x[t]) * d;
                left += r * r;
            }
            if (!(bcc > 0))
                continue;
            const double weight = 1.0 / (left / bcc + 1e-6);
            cc += weight * bcc;
            cd += weight * bcd;
            dd += weight * bdd;
            xc += weight * bxc;
            xd += weight * bxd;
        }
        const double det = cc * dd - cd * cd;
        if (!(det > 0))
            return;
        const double a = (xc * dd - xd * cd) / det;
        const double b = (cc * xd - cd * xc) / det;
        if (!(a > 0))
            return;
        gain_ = a;
        offset_ = std::clamp(offset_ + std::clamp(-b / a, -0.5, 0.5), found - 1, found + 1);
    }
}

void OpeningSound::subtract(std::vector<float>& samples, std::size_t at) const {
    if (!found_ || at >= found_->second)
        return;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const std::size_t t = at + i;
        if (t >= found_->second)
            break;
        const std::size_t block = (t - found_->first) / blockSamples;
        if (t >= found_->first && kept_[block])
            samples[i] = (samples[i] - float(gain_) * chimeAt(chime_, double(t) - offset_ - slip_[block])) *
                         left_[block];
    }
}

namespace {

// A word ending this close to the latest frame may still be going on.
constexpr int openWordFrames = 5;

} // namespace

void ChimeWords::decoded(std::size_t samples, int frames) {
    framesAt_.emplace_back((framesAt_.empty() ? 0 : framesAt_.back().first) + samples, frames);
}

bool ChimeWords::goOnPast(std::size_t past, const SpeechReading::Reading& general) const {
    if (past == 0)
        return true;
    const auto there = std::find_if(framesAt_.begin(), framesAt_.end(),
                                    [&](const auto& decoded) { return decoded.first >= past; });
    if (there == framesAt_.end())
        return false;
    return std::any_of(general.words.begin(), general.words.end(), [&](const auto& w) {
        const bool open = w.end + openWordFrames >= general.frames;
        return (open ? w.start : w.end + 1) > there->second;
    });
}

std::size_t ChimeWords::samplesAt(int frame) const {
    const auto there = std::find_if(framesAt_.begin(), framesAt_.end(),
                                    [&](const auto& decoded) { return decoded.second >= frame; });
    return there == framesAt_.end() ? (framesAt_.empty() ? 0 : framesAt_.back().first) : there->first;
}

Loudness::Loudness(const std::vector<float>& room)
    : room_(std::numeric_limits<double>::infinity()), quietest_(std::numeric_limits<double>::infinity()) {
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
        if (startCount_ < chimeFrom_ && seen_ + pending_.size() == startCount_) {
            startSum_ += double(s) * s;
            ++startCount_;
        }
        pending_.push_back(s);
        if (pending_.size() < blockSamples)
            continue;
        const double e = energy(pending_.data());
        pending_.clear();
        seen_ += blockSamples;
        if (seen_ <= skip_) {
            lastSkipped_ = e;
            continue;
        }
        recentSinceSkip_[blocksSinceSkip_++ % recentSinceSkip_.size()] = e;
        const std::size_t since = std::min(blocksSinceSkip_, recentSinceSkip_.size());
        loudestSinceSkip_ = std::max(
            loudestSinceSkip_,
            std::accumulate(recentSinceSkip_.begin(), recentSinceSkip_.begin() + since, 0.0) / since);
        if (skip_ > 0 && dyingAway_) {
            dyingAway_ = e < lastSkipped_ && seen_ <= skip_ + maxEchoBlocks * blockSamples;
            if (dyingAway_) {
                lastSkipped_ = e;
                continue;
            }
        }
        quietest_ = std::min(quietest_, e);
        if (!first_)
            first_ = e;
        recent_[blocks_++ % recent_.size()] = e;
        const std::size_t n = std::min(blocks_, recent_.size());
        loudest_ = std::max(loudest_, std::accumulate(recent_.begin(), recent_.begin() + n, 0.0) / n);
    }
}

double Loudness::riseDb() const {
    return riseOf(loudest_);
}

double Loudness::riseSinceSkipDb() const {
    return riseOf(loudestSinceSkip_);
}

double Loudness::openingRiseDb() const {
    return first_ ? riseOf(*first_) : 0;
}

double Loudness::riseOf(double energy) const {
    // Below about −70 dBFS nobody spoke, whatever the room.
    if (energy < 1e-7)
        return 0;
    return 10 * std::log10(energy / std::max(std::min(room_, quietest_), 1e-10));
}

double Loudness::energy(const float* block) {
    double sum = 0;
    for (std::size_t i = 0; i < blockSamples; ++i)
        sum += double(block[i]) * block[i];
    return sum / blockSamples;
}

} // namespace brisklet::platform
