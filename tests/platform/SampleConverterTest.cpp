#include "platform/linux/SampleConverter.h"
#include "support/WavFile.h"

#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

using namespace brisklet;
using platform::InputFormat;
using platform::SampleConverter;
using platform::SampleFormat;

namespace {

bool sox(const QStringList& args) {
    QProcess p;
    p.start("sox", args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << "sox " << args.join(' ').toStdString()
                      << " failed: " << p.readAllStandardError().toStdString();
        return false;
    }
    return true;
}

// Converts `bytes`, handing them over `step` bytes at a time.
std::vector<float> convert(const InputFormat& format, std::span<const std::byte> bytes, std::size_t step) {
    auto converter = SampleConverter::create(format);
    EXPECT_TRUE(converter);
    std::vector<float> out;
    if (!converter)
        return out;
    auto sink = [&](std::span<const float> s) { out.insert(out.end(), s.begin(), s.end()); };
    for (std::size_t at = 0; at < bytes.size(); at += step)
        converter->push(bytes.subspan(at, std::min(step, bytes.size() - at)), sink);
    converter->finish(sink);
    return out;
}

template <typename T> std::vector<std::byte> bytesOf(const std::vector<T>& values) {
    std::vector<std::byte> b(values.size() * sizeof(T));
    std::memcpy(b.data(), values.data(), b.size());
    return b;
}

double rms(std::span<const float> a) {
    double sum = 0;
    for (float x : a)
        sum += double(x) * x;
    return std::sqrt(sum / double(a.size()));
}

} // namespace

TEST(SampleConverter, matchesSoxOnA48kHzStereoRecording) {
    QTemporaryDir dir;
    const QString input = dir.filePath("t.wav"), reference = dir.filePath("ref.wav");
    ASSERT_TRUE(sox({"-n", "-r", "48000", "-c", "2", "-b", "16", "-e", "signed-integer", input, "synth", "1",
                     "sine", "440", "vol", "0.5"}));
    ASSERT_TRUE(sox({input, "-r", "16000", "-c", "1", "-e", "floating-point", "-b", "32", reference}));
    QString error;
    auto wav = test::readWav(input, &error);
    ASSERT_TRUE(wav) << error.toStdString();
    ASSERT_EQ(wav->format, (InputFormat{48000, 2, SampleFormat::int16}));
    auto ref = test::readWav(reference, &error);
    ASSERT_TRUE(ref) << error.toStdString();
    const std::vector<float> expected = ref->samples();
    ASSERT_EQ(expected.size(), 16000u);

    // Whole, and in pieces that split frames (1001 bytes is not a multiple of 4).
    const std::vector<float> whole = convert(wav->format, wav->bytes, wav->bytes.size());
    const std::vector<float> pieces = convert(wav->format, wav->bytes, 1001);
    EXPECT_EQ(whole, pieces);

    // Nothing dropped: one second in, one second out.
    EXPECT_NEAR(double(whole.size()), 16000.0, 16.0);

    // Same waveform as sox's, away from the edges where the two filters start up.
    const std::size_t n = std::min(whole.size(), expected.size());
    std::vector<float> diff;
    for (std::size_t i = 200; i + 200 < n; ++i)
        diff.push_back(whole[i] - expected[i]);
    EXPECT_NEAR(rms(std::span<const float>(whole).subspan(200, n - 400)), 0.5 / std::sqrt(2.0), 0.01);
    EXPECT_LT(rms(diff), 0.01);
}

TEST(SampleConverter, keepsEverySampleOfLongAndUnevenInput) {
    // 44.1 kHz mono float, 10 s handed over in one piece and in odd pieces.
    std::vector<float> signal(441000);
    for (std::size_t i = 0; i < signal.size(); ++i)
        signal[i] = 0.3f * float(std::sin(2 * M_PI * 300.0 * double(i) / 44100.0));
    const auto bytes = bytesOf(signal);
    const InputFormat format{44100, 1, SampleFormat::float32};
    const auto once = convert(format, bytes, bytes.size());
    const auto uneven = convert(format, bytes, 333);
    EXPECT_NEAR(double(once.size()), 160000.0, 16.0);
    EXPECT_EQ(once.size(), uneven.size());
    EXPECT_NEAR(rms(std::span<const float>(once).subspan(1000, 150000)), 0.3 / std::sqrt(2.0), 0.005);
}

TEST(SampleConverter, scalesEachSampleFormatAndAveragesChannels) {
    // 16 kHz: no resampling, so the values come through exactly.
    struct Case {
        InputFormat format;
        std::vector<std::byte> bytes;
        std::vector<float> expected;
    };
    const std::vector<Case> cases = {
        {{16000, 2, SampleFormat::int16}, bytesOf<std::int16_t>({16384, -16384, 16384, 16384}), {0.0f, 0.5f}},
        {{16000, 1, SampleFormat::int32}, bytesOf<std::int32_t>({1 << 30, -(1 << 30)}), {0.5f, -0.5f}},
        {{16000, 1, SampleFormat::uint8}, bytesOf<std::uint8_t>({128, 192, 0}), {0.0f, 0.5f, -1.0f}},
        {{16000, 3, SampleFormat::float32}, bytesOf<float>({0.3f, 0.6f, 0.9f}), {0.6f}},
    };
    for (const Case& c : cases) {
        const auto out = convert(c.format, c.bytes, 3);
        ASSERT_EQ(out.size(), c.expected.size());
        for (std::size_t i = 0; i < out.size(); ++i)
            EXPECT_NEAR(out[i], c.expected[i], 1e-6) << "sample " << i;
    }
}

TEST(SampleConverter, refusesUnusableFormats) {
    QString error;
    EXPECT_FALSE(SampleConverter::create({48000, 0, SampleFormat::int16}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(SampleConverter::create({0, 1, SampleFormat::int16}));
    EXPECT_FALSE(SampleConverter::create({48000, 2, SampleFormat::unknown}));
    EXPECT_TRUE(SampleConverter::create({8000, 1, SampleFormat::uint8}));
}
