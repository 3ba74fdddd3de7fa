#include "support/WavFile.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace brisklet::test {

namespace {
std::uint32_t u32(const char* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
std::uint16_t u16(const char* p) {
    std::uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
int bytesOf(platform::SampleFormat format) {
    switch (format) {
    case platform::SampleFormat::uint8:
        return 1;
    case platform::SampleFormat::int16:
        return 2;
    case platform::SampleFormat::int32:
    case platform::SampleFormat::float32:
        return 4;
    case platform::SampleFormat::unknown:
        break;
    }
    return 0;
}
} // namespace

std::size_t WavData::frames() const {
    const int frameBytes = bytesOf(format.sampleFormat) * format.channels;
    return frameBytes > 0 ? bytes.size() / static_cast<std::size_t>(frameBytes) : 0;
}

std::vector<float> WavData::samples() const {
    const int width = bytesOf(format.sampleFormat);
    std::vector<float> out;
    if (width == 0)
        return out;
    out.reserve(bytes.size() / static_cast<std::size_t>(width));
    for (std::size_t i = 0; i + static_cast<std::size_t>(width) <= bytes.size(); i += width) {
        const std::byte* p = bytes.data() + i;
        switch (format.sampleFormat) {
        case platform::SampleFormat::uint8:
            out.push_back((static_cast<float>(std::to_integer<std::uint8_t>(*p)) - 128.0f) / 128.0f);
            break;
        case platform::SampleFormat::int16: {
            std::int16_t v;
            std::memcpy(&v, p, 2);
            out.push_back(static_cast<float>(v) / 32768.0f);
            break;
        }
        case platform::SampleFormat::int32: {
            std::int32_t v;
            std::memcpy(&v, p, 4);
            out.push_back(static_cast<float>(v / 2147483648.0));
            break;
        }
        case platform::SampleFormat::float32: {
            float v;
            std::memcpy(&v, p, 4);
            out.push_back(v);
            break;
        }
        case platform::SampleFormat::unknown:
            break;
        }
    }
    return out;
}

std::optional<WavData> readWav(const QString& path, QString* error) {
    auto fail = [&](const QString& why) -> std::optional<WavData> {
        if (error)
            *error = path + ": " + why;
        return std::nullopt;
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray all = file.readAll();
    if (all.size() < 12 || std::memcmp(all.constData(), "RIFF", 4) != 0 ||
        std::memcmp(all.constData() + 8, "WAVE", 4) != 0)
        return fail(QStringLiteral("not a WAV file"));

    int formatTag = 0, channels = 0, bits = 0;
    std::uint32_t rate = 0;
    const char* data = nullptr;
    std::uint32_t dataSize = 0;
    qsizetype pos = 12;
    while (pos + 8 <= all.size()) {
        const char* chunk = all.constData() + pos;
        std::uint32_t size = u32(chunk + 4);
        const qsizetype bodyStart = pos + 8;
        const qsizetype available = all.size() - bodyStart;
        if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && available >= 16) {
            formatTag = u16(chunk + 8);
            channels = u16(chunk + 10);
            rate = u32(chunk + 12);
            bits = u16(chunk + 22);
            if (formatTag == 0xFFFE && size >= 40 && available >= 40)
                formatTag = u16(chunk + 8 + 24); // the sub-format's first two bytes
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            data = chunk + 8;
            // Streams written to a pipe carry a placeholder size.
            dataSize = static_cast<std::uint32_t>(std::min<qsizetype>(size, available));
            break;
        }
        pos = bodyStart + size + (size & 1);
    }
    if (!data || channels <= 0 || rate == 0)
        return fail(QStringLiteral("no format or no data"));

    WavData wav;
    wav.format.sampleRate = static_cast<int>(rate);
    wav.format.channels = channels;
    const auto* begin = reinterpret_cast<const std::byte*>(data);
    if (formatTag == 1 && bits == 8)
        wav.format.sampleFormat = platform::SampleFormat::uint8;
    else if (formatTag == 1 && bits == 16)
        wav.format.sampleFormat = platform::SampleFormat::int16;
    else if (formatTag == 1 && bits == 32)
        wav.format.sampleFormat = platform::SampleFormat::int32;
    else if (formatTag == 3 && bits == 32)
        wav.format.sampleFormat = platform::SampleFormat::float32;
    else if (formatTag == 1 && bits == 24) {
        wav.format.sampleFormat = platform::SampleFormat::float32;
        const std::uint32_t count = dataSize / 3;
        wav.bytes.resize(std::size_t(count) * 4);
        for (std::uint32_t i = 0; i < count; ++i) {
            const auto* s = reinterpret_cast<const unsigned char*>(data) + i * 3;
            std::int32_t v = (s[0] << 8) | (s[1] << 16) | (s[2] << 24);
            const float f = static_cast<float>(v / 2147483648.0);
            std::memcpy(wav.bytes.data() + std::size_t(i) * 4, &f, 4);
        }
        return wav;
    } else
        return fail(QStringLiteral("unsupported sample format (tag %1, %2 bits)").arg(formatTag).arg(bits));
    wav.bytes.assign(begin, begin + dataSize);
    return wav;
}

bool writeWav(const QString& path, std::span<const float> samples, int rate, int channels) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    QByteArray out;
    auto put32 = [&](std::uint32_t v) { out.append(reinterpret_cast<const char*>(&v), 4); };
    auto put16 = [&](std::uint16_t v) { out.append(reinterpret_cast<const char*>(&v), 2); };
    out.append("RIFF", 4);
    put32(36 + dataSize);
    out.append("WAVEfmt ", 8);
    put32(16);
    put16(1);
    put16(static_cast<std::uint16_t>(channels));
    put32(static_cast<std::uint32_t>(rate));
    put32(static_cast<std::uint32_t>(rate * channels * 2));
    put16(static_cast<std::uint16_t>(channels * 2));
    put16(16);
    out.append("data", 4);
    put32(dataSize);
    for (float s : samples) {
        const auto v = static_cast<std::int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f));
        put16(static_cast<std::uint16_t>(v));
    }
    return file.write(out) == out.size();
}

} // namespace brisklet::test
