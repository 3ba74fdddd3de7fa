#include "support/TestSignals.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <random>

namespace brisklet::test::TestSignals {

std::vector<float> pinkNoise(double seconds, float amplitude, std::uint32_t seed) {
    const size_t count = static_cast<size_t>(seconds * sampleRate);
    std::vector<float> out(count);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> white(-1.0f, 1.0f);
    // Paul Kellet's economy filter: close enough to 1/f for a noise bed.
    float b0 = 0, b1 = 0, b2 = 0;
    float peak = 1e-9f;
    for (auto& s : out) {
        const float w = white(rng);
        b0 = 0.99765f * b0 + w * 0.0990460f;
        b1 = 0.96300f * b1 + w * 0.2965164f;
        b2 = 0.57000f * b2 + w * 1.0526913f;
        s = b0 + b1 + b2 + w * 0.1848f;
        peak = std::max(peak, std::fabs(s));
    }
    for (auto& s : out)
        s = s / peak * amplitude;
    return out;
}

void addClap(std::vector<float>& signal, double atSeconds, float amplitude, std::uint32_t seed) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> white(-1.0f, 1.0f);
    const int length = static_cast<int>(0.015 * sampleRate);
    const int attack = static_cast<int>(0.0005 * sampleRate);
    const int fadeStart = static_cast<int>(0.002 * sampleRate);
    std::vector<float> clip(length);
    for (int i = 0; i < length; ++i) {
        float gain = 1.0f;
        if (i < attack)
            gain = static_cast<float>(i) / attack;
        else if (i >= fadeStart) // a quarter-sine fade, as sox's "q" fade
            gain = static_cast<float>(std::cos(M_PI / 2 * (i - fadeStart) / double(length - fadeStart)));
        clip[i] = white(rng) * amplitude * gain;
    }
    mix(signal, clip, atSeconds);
}

void addTone(std::vector<float>& signal, double fromSeconds, double seconds, double hz, float amplitude) {
    std::vector<float> clip(static_cast<size_t>(seconds * sampleRate));
    for (size_t i = 0; i < clip.size(); ++i)
        clip[i] = amplitude * static_cast<float>(std::sin(2 * M_PI * hz * double(i) / sampleRate));
    mix(signal, clip, fromSeconds);
}

void mix(std::vector<float>& signal, const std::vector<float>& clip, double atSeconds, float gain) {
    const size_t start = static_cast<size_t>(std::llround(atSeconds * sampleRate));
    if (signal.size() < start + clip.size())
        signal.resize(start + clip.size(), 0.0f);
    for (size_t i = 0; i < clip.size(); ++i)
        signal[start + i] += clip[i] * gain;
}

std::vector<float> speech(const std::string& text, std::string* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why.toStdString();
        return std::vector<float>{};
    };
    QTemporaryDir dir;
    if (!dir.isValid())
        return fail(QStringLiteral("no temporary folder"));
    const QString spoken = dir.filePath(QStringLiteral("spoken.wav"));
    const QString raw = dir.filePath(QStringLiteral("speech.raw"));
    QProcess flite;
    flite.start(QStringLiteral("flite"),
                {QStringLiteral("-t"), QString::fromStdString(text), QStringLiteral("-o"), spoken});
    if (!flite.waitForFinished(30000) || flite.exitStatus() != QProcess::NormalExit || flite.exitCode() != 0)
        return fail(QStringLiteral("flite failed: ") + flite.errorString());
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {spoken, QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-e"),
               QStringLiteral("floating-point"), QStringLiteral("-b"), QStringLiteral("32"),
               QStringLiteral("-r"), QStringLiteral("16000"), QStringLiteral("-c"), QStringLiteral("1"),
               raw});
    if (!sox.waitForFinished(30000) || sox.exitStatus() != QProcess::NormalExit || sox.exitCode() != 0)
        return fail(QStringLiteral("sox failed: ") + sox.errorString() +
                    QString::fromLocal8Bit(sox.readAllStandardError()));
    QFile file(raw);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("no converted speech"));
    const QByteArray bytes = file.readAll();
    std::vector<float> out(static_cast<size_t>(bytes.size()) / sizeof(float));
    std::memcpy(out.data(), bytes.constData(), out.size() * sizeof(float));
    return out;
}

void feed(const std::vector<float>& signal,
          const std::function<void(std::span<const float>, std::int64_t)>& sink, std::int64_t firstPosition) {
    constexpr size_t chunk = 512;
    for (size_t at = 0; at + chunk <= signal.size(); at += chunk)
        sink(std::span<const float>(signal.data() + at, chunk),
             firstPosition + static_cast<std::int64_t>(at));
}

} // namespace brisklet::test::TestSignals
