// Makes the program's chime sounds as 16-bit mono WAV files, so no recorded audio
// has to be shipped: soundgen OUTPUT_FOLDER
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr double kPi = 3.14159265358979323846;

bool writeWav(const std::string& path, const std::vector<double>& samples) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    auto u32 = [&](std::uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](std::uint16_t v) { std::fwrite(&v, 2, 1, f); };
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1); // PCM
    u16(1); // mono
    u32(kRate);
    u32(kRate * 2);
    u16(2);
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(dataBytes);
    for (double s : samples) {
        const double clipped = std::fmax(-1.0, std::fmin(1.0, s));
        u16(static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(clipped * 32767.0))));
    }
    return std::fclose(f) == 0;
}

// Short fades at both ends keep the speakers from clicking.
void fadeEdges(std::vector<double>& s, double seconds) {
    const size_t n = std::min(s.size() / 2, static_cast<size_t>(seconds * kRate));
    for (size_t i = 0; i < n; ++i) {
        const double g = static_cast<double>(i) / static_cast<double>(n);
        s[i] *= g;
        s[s.size() - 1 - i] *= g;
    }
}

// A falling water-drop blip: a sine gliding down in pitch with a quick decay.
std::vector<double> droplet() {
    const int n = static_cast<int>(0.22 * kRate);
    std::vector<double> s(n);
    double phase = 0;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        const double freq = 1400.0 * std::exp(-t * 6.0) + 600.0;
        phase += 2 * kPi * freq / kRate;
        s[i] = 0.6 * std::sin(phase) * std::exp(-t * 16.0);
    }
    fadeEdges(s, 0.003);
    return s;
}

// A soft breath of band-limited noise that swells and fades.
std::vector<double> whisper() {
    const int n = static_cast<int>(0.3 * kRate);
    std::vector<double> s(n);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    double lp = 0, lp2 = 0;
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / n;
        lp += 0.25 * (noise(rng) - lp);
        lp2 += 0.25 * (lp - lp2);
        const double envelope = std::sin(kPi * t);
        s[i] = 0.5 * (lp - lp2) * 4.0 * envelope * envelope;
    }
    fadeEdges(s, 0.005);
    return s;
}

// A dry wooden tick.
std::vector<double> tick() {
    const int n = static_cast<int>(0.05 * kRate);
    std::vector<double> s(n);
    for (int i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / kRate;
        s[i] = 0.7 * std::sin(2 * kPi * 2200.0 * t) * std::exp(-t * 120.0);
    }
    fadeEdges(s, 0.001);
    return s;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: soundgen OUTPUT_FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    bool ok = writeWav(folder + "/sound-droplet.wav", droplet());
    ok = writeWav(folder + "/sound-whisper.wav", whisper()) && ok;
    ok = writeWav(folder + "/sound-tick.wav", tick()) && ok;
    return ok ? 0 : 1;
}
