#pragma once

#include "platform/linux/speech/SpeechReading.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <utility>
#include <vector>

namespace brisklet::platform {

// Whether the room sound before a window is quiet; unknown counts as not quiet.
bool isQuiet(const std::vector<float>& room, double limitRms);

// A faint hiss under every window. Without one the front end takes the log of
// nothing wherever the sound leaves a band empty (digital silence, a synthetic
// voice's clean spectrum) and its features explode there: measured on espeak-ng
// voices, "lock screen" scored −33 per frame clean and −20 with a floor of hiss.
class Floor {
public:
    // 0 or more: no hiss.
    explicit Floor(double dbfs);
    // The samples as 16-bit PCM, with the hiss laid under them.
    std::vector<std::int16_t> toPcm(const std::vector<float>& samples);

private:
    float amplitude_;
    std::minstd_rand random_{7}; // the same hiss in every window
};

// Our own chime, taken out of the start of a window where the microphone heard it.
// The program made the sound itself, so its shape is known: the window's first
// samples are held until the chime's head (the part that carries nearly all its
// energy) has been looked for at every delay up to `latest` samples, by normalised
// cross-correlation. Where it matches, the chime, aligned to the fraction of a sample
// and scaled to fit, is subtracted, which keeps whatever the user said over it (the
// general model took the chime alone for a word, "oh neat" for "mute"). Where the
// window's start does not match it (headphones, a muted or redirected output),
// nothing is taken out. What the microphone heard is never exactly what was played:
// a speaker and a microphone take off its top, walls add echoes, and it may come a
// little late. Subtracting the played chime where it does not fit adds a sound of its
// own, which the general model took for "oh"; so the chime is taken out block by
// block, only where that lowers the block's energy. A block that held nothing but
// the chime keeps no more of it than the room's own level: in a quiet room its faint
// leftovers were the only sound before a voice.
class OpeningSound {
public:
    // `chime`: the sound as played, 16 kHz mono (empty: none, nothing is held).
    // `roomEnergy`: the room's mean square before the window (infinite: unknown).
    // It is looked for from `earliest` samples on: where it was played late into the
    // window, the window's start holds nothing of it.
    OpeningSound(std::vector<float> chime, std::size_t latest,
                 double roomEnergy = std::numeric_limits<double>::infinity(), std::size_t earliest = 0);
    // The window's next samples in; out come those settled, in order, the chime taken
    // out of them: fewer than went in while the start is held.
    std::vector<float> take(const std::vector<float>& samples);
    // The end of the window: the samples still held, settled.
    std::vector<float> rest();
    // Once settled: where the chime was taken out, [first, last) in the window's
    // samples; none where the window's start did not match it.
    std::optional<std::pair<std::size_t, std::size_t>> found() const { return found_; }
    // Whether the search is over (at once where no chime was played).
    bool settled() const { return settled_; }
    // How well the window's start matched the chime at its best place (0 before the
    // search, or where no chime was played).
    double match() const { return match_; }
    // Where the chime lies: where it was taken out, or where the window's start matched
    // it too little to take it out but more than a window without it ever does (a start
    // cut or glitched on a loaded machine, a room that colours it much). None where
    // the window did not hear it.
    std::optional<std::pair<std::size_t, std::size_t>> place() const { return found_ ? found_ : placed_; }

    // A start that matches the chime less than this is something else (measured:
    // speech and pink noise over windows without the chime matched at most 0.07,
    // windows with it 0.63 and more with a voice begun over it).
    static constexpr double minMatch = 0.3;
    // A start that matches it this well holds it, though too changed to take out
    // (measured: a room-coloured copy at a fifth of its level 0.08–0.26).
    static constexpr double minPlaceMatch = 0.12;
    // The blocks the subtraction is kept or left in (16 ms).
    static constexpr std::size_t blockSamples = 256;
    // How far a block follows a chime that slipped inside (12 ms: a server's glitch
    // drops or repeats about 10 ms).
    static constexpr std::size_t maxSlipSamples = 192;

private:
    void settle();
    void refine(const std::vector<float>& x, std::size_t from);
    void subtract(std::vector<float>& samples, std::size_t at) const;

    const std::vector<float> chime_;
    const std::size_t latest_;
    const std::size_t earliest_;
    std::size_t head_ = 0;
    std::vector<float> held_;
    std::size_t given_ = 0; // samples given out so far
    bool settled_ = false;
    double offset_ = 0; // where the chime starts, in samples, fractions included
    double gain_ = 0;
    double match_ = 0;
    std::optional<std::pair<std::size_t, std::size_t>> found_, placed_;
    const double roomEnergy_;
    // Per block from found_->first: whether the chime is taken out there, and what is
    // left of the block kept of it.
    std::vector<bool> kept_;
    std::vector<float> left_;
    // Per block: how many samples later than the chime's start it lies there.
    std::vector<double> slip_;
    double slipAt(std::size_t t) const { return slip_[(t - found_->first) / blockSamples]; }
};

// Where the general model's words stand against our chime at a window's start. Its
// leftovers read as a word ("oh", "you", "new"), so the window holds words only once
// one goes on past it. The decoder's frames leave out what its front end took for
// silence, so a place in the window is found by the frames the general model had once
// that place was decoded. A word still being heard stretches to the latest frame
// whatever it is, so it goes on past the chime only where it began there too.
class ChimeWords {
public:
    // Each block as it is decoded: its samples, and the general model's frames by then.
    void decoded(std::size_t samples, int frames);
    // Whether a word of `general` goes on past the window's sample `past` (0: there is
    // no chime to go past).
    bool goOnPast(std::size_t past, const SpeechReading::Reading& general) const;
    // How many of the window's samples were decoded once the general model had `frame`.
    std::size_t samplesAt(int frame) const;

private:
    std::vector<std::pair<std::size_t, int>> framesAt_; // samples decoded → frames
};

// How far the loudest tenth of a second of a window rose above the room's sound:
// the sound before the window, or, where that is missing or louder, the window's own
// quietest block. Energies per block of 32 ms.
class Loudness {
public:
    explicit Loudness(const std::vector<float>& room);
    // The window's first `samples` (our own chime, taken out) are no one's voice, nor
    // is the room's echo of them dying away after: sound counts again from the first
    // block that is louder than the one before it. Set before any sample is added.
    void skip(std::size_t samples) { skip_ = samples; }
    // Where our chime began: whether the window opened on a voice is judged on what
    // came before it, however short.
    void chimeFrom(std::size_t sample) { chimeFrom_ = std::min(sample, blockSamples); }
    void add(const std::vector<float>& samples);
    double riseDb() const;
    // The same from the end of what was skipped on, the stretch taken for its echo
    // included: a voice begun under our chime falls away through it as an echo does.
    double riseSinceSkipDb() const;
    // How far the window's first block rose above the room's sound: a window that
    // opened on somebody's voice cut off what was said before it.
    double openingRiseDb() const;
    // Whether the window opened on somebody's voice: its very first block, before our
    // chime could sound, rose as its first block past the chime did. A voice begun under
    // the chime, after the key went down, leaves the window's start quiet.
    bool openedOnVoice(double minRiseDb) const {
        return openingRiseDb() >= minRiseDb && startCount_ >= minStartSamples &&
               riseOf(startSum_ / double(startCount_)) >= minRiseDb;
    }
    // The room's mean square before the window (infinite: unknown).
    double roomEnergy() const { return room_; }

private:
    static constexpr std::size_t blockSamples = 512;
    static double energy(const float* block);
    // How far a block's energy rose above the room's.
    double riseOf(double energy) const;
    // The longest echo taken for our chime's (0.3 s: a room's reverberation time).
    static constexpr std::size_t maxEchoBlocks = 10;
    std::size_t skip_ = 0;
    std::size_t seen_ = 0;
    bool dyingAway_ = true;
    double lastSkipped_ = 0;
    double room_;
    double quietest_;
    double loudest_ = 0;
    double loudestSinceSkip_ = 0;
    std::array<double, 3> recentSinceSkip_{};
    std::size_t blocksSinceSkip_ = 0;
    std::optional<double> first_;
    // The window's start before our chime (at most a block), skipped or not.
    static constexpr std::size_t minStartSamples = 128; // 8 ms
    std::size_t chimeFrom_ = blockSamples;
    double startSum_ = 0;
    std::size_t startCount_ = 0;
    std::array<double, 3> recent_{};
    std::size_t blocks_ = 0;
    std::vector<float> pending_;
};

} // namespace brisklet::platform
