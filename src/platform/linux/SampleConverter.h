#pragma once

#include "platform/AudioBackend.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <span>
#include <vector>

struct soxr;

namespace brisklet::platform {

// Turns interleaved input of any rate, channel count and sample format into
// 16 kHz mono float. Channels are averaged. Every input sample is used: the
// output comes in as many pieces as it takes, never cut to a buffer's size.
class SampleConverter final {
public:
    using Output = std::function<void(std::span<const float> samples)>;
    static constexpr int targetRate = 16000;

    // Null when the format is unusable (no rate, no channels, unknown sample
    // format) or the resampler could not be made; `error` then says why.
    static std::unique_ptr<SampleConverter> create(const InputFormat& format, QString* error = nullptr);
    ~SampleConverter();

    SampleConverter(const SampleConverter&) = delete;
    SampleConverter& operator=(const SampleConverter&) = delete;

    // Any number of bytes; a trailing part of a frame is kept for the next call.
    void push(std::span<const std::byte> bytes, const Output& out);
    // End of the input: let out what the resampler still holds back.
    void finish(const Output& out);

    // Output samples the resampler holds back for now: input already taken in whose
    // 16 kHz samples have not come out yet.
    double held() const;

    const InputFormat& format() const { return format_; }
    int bytesPerFrame() const { return bytesPerFrame_; }

private:
    explicit SampleConverter(const InputFormat& format);
    void toMono(const std::byte* frames, std::size_t count);
    void resample(const float* in, std::size_t frames, bool end, const Output& out);

    static constexpr std::size_t blockFrames = 4096;

    InputFormat format_;
    int bytesPerSample_ = 0;
    int bytesPerFrame_ = 0;
    soxr* resampler_ = nullptr; // null when the input is already 16 kHz
    double ratio_ = 1.0;
    std::vector<std::byte> partial_;
    std::vector<float> mono_;
    std::vector<float> resampled_;
    bool reportedError_ = false;
};

} // namespace brisklet::platform
