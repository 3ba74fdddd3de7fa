#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
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

// Our own chime as the microphone hears it at the start of a window, swapped for the
// room's sound before anything decodes it: the general model took it for a word ("oh
// neat" for "mute"), which left a right reading covering too little of what it heard,
// and the grammar's path through it scored worse. The chime starts with the first
// sample well above the room within `latest` samples of the window's start (it
// reaches the microphone a little late) and lasts `length` samples; where none rises
// by then, nobody heard it and nothing is swapped, and without the room's sound there
// is nothing to swap it for.
class OpeningSound {
public:
    OpeningSound(const std::vector<float>& room, std::size_t length, std::size_t latest);
    // The window's next samples, the chime in them swapped in place.
    void mask(std::vector<float>& samples);

private:
    const std::vector<float> room_;
    const std::size_t length_;
    const std::size_t latest_;
    float threshold_ = 0;
    std::size_t seen_ = 0;
    std::size_t onset_ = 0;
    bool started_ = false;
    bool done_ = false;
};

// How far the loudest tenth of a second of a window rose above the room's sound:
// the sound before the window, or, where that is missing or louder, the window's own
// quietest block. Energies per block of 32 ms.
class Loudness {
public:
    // The first `skip` samples of the window (our own chime) are no one's voice.
    Loudness(const std::vector<float>& room, std::size_t skip);
    void add(const std::vector<float>& samples);
    double riseDb() const;

private:
    static constexpr std::size_t blockSamples = 512;
    static double energy(const float* block);
    const std::size_t skip_;
    std::size_t seen_ = 0;
    double room_;
    double quietest_;
    double loudest_ = 0;
    std::array<double, 3> recent_{};
    std::size_t blocks_ = 0;
    std::vector<float> pending_;
};

} // namespace brisklet::platform
