#pragma once

#include "platform/AudioBackend.h"

#include <QString>

#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace brisklet::test {

// A PCM or float WAV file as it is stored: interleaved frames in `format`
// (24-bit files come back as float32).
struct WavData {
    platform::InputFormat format;
    std::vector<std::byte> bytes;

    std::size_t frames() const;
    // All channels' samples as float, interleaved.
    std::vector<float> samples() const;
};

// Null when the file is missing or not a WAV we can read; `error` says why.
std::optional<WavData> readWav(const QString& path, QString* error = nullptr);

// Write mono or interleaved float samples as 16-bit PCM.
bool writeWav(const QString& path, std::span<const float> samples, int rate, int channels = 1);

} // namespace brisklet::test
