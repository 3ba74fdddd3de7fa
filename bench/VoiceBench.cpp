// The always-on microphone's cost per unit of audio: converting the input to 16 kHz
// mono, and the clap path while clap wake is on; and how often the live input wakes
// its capture thread, on the test desktop's sound server.
#include "BenchDesktop.h"
#include "base/Scheduler.h"
#include "platform/linux/HeuristicSoundAnalyzer.h"
#include "platform/linux/PulseAudioInput.h"
#include "platform/linux/SampleConverter.h"
#include "voice/AudioEngine.h"
#include "voice/ClapDetector.h"

#include <QProcess>
#include <QThread>
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

// A second of a common microphone format (44.1 kHz stereo, 16-bit), handed over in
// the 200 ms stretches the idle input comes in.
void sampleConverterPerSecond(benchmark::State& state) {
    const platform::InputFormat format{44100, 2, platform::SampleFormat::int16};
    auto converter = platform::SampleConverter::create(format);
    std::vector<std::int16_t> second(44100 * 2);
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> noise(-300, 300);
    for (auto& s : second)
        s = static_cast<std::int16_t>(noise(rng));
    const auto* bytes = reinterpret_cast<const std::byte*>(second.data());
    const std::size_t stretch = second.size() * sizeof(std::int16_t) / 5;
    std::size_t made = 0;
    const auto out = [&](std::span<const float> s) { made += s.size(); };
    for (auto _ : state)
        for (std::size_t at = 0; at < 5 * stretch; at += stretch)
            converter->push(std::span<const std::byte>(bytes + at, stretch), out);
    benchmark::DoNotOptimize(made);
    state.SetLabel("one second of 44.1 kHz stereo to 16 kHz mono");
}
BENCHMARK(sampleConverterPerSecond)->Unit(benchmark::kMicrosecond);

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

// Wake-ups per second of the capture thread while nobody listens (the goal: one per
// idle stretch, 1000 / idlePeriodMs) and while a window does.
void captureWakeupsPerSecond(benchmark::State& state) {
    if (!std::getenv("BRISKLET_BENCH_DESKTOP")) {
        state.SkipWithError("no private test desktop");
        return;
    }
    // The test sink hands its monitor on in short stretches whatever the microphone
    // asks for (it does not rewind): the pace is measured on a sink of its own that
    // renders as far ahead as its listener asks, as a sound card's input does. The
    // bench's desktop is its own, and ends with it.
    const auto pactl = [](const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral("pactl"), args);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    };
    if (!pactl({"load-module", "module-null-sink", "sink_name=pacesink"}) ||
        !pactl({"load-module", "module-remap-source", "master=pacesink.monitor", "source_name=pacemic"}) ||
        !pactl({"set-default-source", "pacemic"})) {
        state.SkipWithError("no input of its own on the sound server");
        return;
    }
    auto owned = std::make_unique<platform::PulseAudioInput>();
    platform::PulseAudioInput* backend = owned.get();
    AudioEngine engine(std::move(owned), Scheduler::main());
    engine.start();
    engine.waitForControl();
    if (!engine.isRunning()) {
        state.SkipWithError("the sound server offers no input");
        return;
    }
    const auto rate = [&](bool listening) {
        engine.setListening(listening);
        engine.waitForControl();
        QThread::msleep(300);
        const long before = backend->captureWakeups();
        QThread::msleep(2000);
        return double(backend->captureWakeups() - before) / 2.0;
    };
    double idle = 0, listening = 0;
    for (auto _ : state) {
        idle = rate(false);
        listening = rate(true);
    }
    state.counters["idle/s"] = idle;
    state.counters["idle goal/s"] = 1000.0 / platform::PulseAudioInput::idlePeriodMs;
    state.counters["listening/s"] = listening;
}
BENCHMARK(captureWakeupsPerSecond)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

QString selfDir;

} // namespace

int main(int argc, char** argv) {
    return bench::runWithTestDesktop(argc, argv, selfDir);
}
