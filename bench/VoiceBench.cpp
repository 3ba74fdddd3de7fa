// The clap path's cost per unit of audio: what the always-on microphone spends
// while clap wake is on.
#include "platform/linux/HeuristicSoundAnalyzer.h"
#include "voice/ClapDetector.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

using namespace brisklet;

namespace {

// A second of quiet room with a voiced stretch in the middle, the analyser's
// busiest kind of window.
std::vector<float> testSecond() {
    std::vector<float> out(16000);
    std::mt19937 rng(5);
    std::uniform_real_distribution<float> noise(-0.003f, 0.003f);
    for (size_t i = 0; i < out.size(); ++i) {
        const double t = double(i) / 16000.0;
        double voice = 0;
        if (t > 0.25 && t < 0.75)
            for (int h = 1; h < 20; ++h)
                voice += std::sin(2 * M_PI * 140.0 * h * t) / h;
        out[i] = noise(rng) + static_cast<float>(0.1 * voice);
    }
    return out;
}

void clapDetectorPerChunk(benchmark::State& state) {
    ClapDetector detector;
    const auto audio = testSecond();
    std::int64_t position = 0;
    size_t at = 0;
    for (auto _ : state) {
        detector.process(std::span<const float>(audio.data() + at, 512), position);
        position += 512;
        at = (at + 512) % (audio.size() - 512);
    }
    state.SetLabel("one 32 ms chunk");
}
BENCHMARK(clapDetectorPerChunk);

void heuristicAnalyserPerWindow(benchmark::State& state) {
    const auto audio = testSecond();
    std::vector<float> high(audio.size());
    auto filter = Biquad::clapHighPass();
    for (size_t i = 0; i < audio.size(); ++i)
        high[i] = filter.step(audio[i]);
    for (auto _ : state) {
        auto scores = platform::HeuristicSoundAnalyzer::scoreWindow(audio, high, -60.0);
        benchmark::DoNotOptimize(scores);
    }
    state.SetLabel("one 1 s window (two per second of audio)");
}
BENCHMARK(heuristicAnalyserPerWindow)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
