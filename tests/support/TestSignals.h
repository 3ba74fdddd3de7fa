#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace brisklet::test {

// Generated 16 kHz mono test audio.
namespace TestSignals {

constexpr int sampleRate = 16000;

// Pink noise with peaks near `amplitude` (a quiet room).
std::vector<float> pinkNoise(double seconds, float amplitude, std::uint32_t seed = 1);
// A hand clap: 15 ms of white noise with a sharp attack and a fast fade, mixed in
// at `atSeconds`.
void addClap(std::vector<float>& signal, double atSeconds, float amplitude = 0.6f, std::uint32_t seed = 7);
// A steady sine tone mixed in from `fromSeconds` for `seconds`.
void addTone(std::vector<float>& signal, double fromSeconds, double seconds, double hz, float amplitude);
// Mixes `clip` into `signal` at `atSeconds`, growing the signal if needed.
void mix(std::vector<float>& signal, const std::vector<float>& clip, double atSeconds, float gain = 1.0f);
// Spoken text from flite, converted to 16 kHz mono by sox. Empty with `error` set
// when either program is missing or fails.
std::vector<float> speech(const std::string& text, std::string* error = nullptr);

// Hands the signal out in 512-sample chunks with their positions, as the audio
// engine does (a short tail is dropped).
void feed(const std::vector<float>& signal,
          const std::function<void(std::span<const float>, std::int64_t)>& sink,
          std::int64_t firstPosition = 0);

} // namespace TestSignals
} // namespace brisklet::test
