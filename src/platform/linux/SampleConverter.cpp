#include "platform/linux/SampleConverter.h"

#include "base/Log.h"

#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace brisklet::platform {

namespace {
int sampleBytes(SampleFormat format) {
    switch (format) {
    case SampleFormat::uint8:
        return 1;
    case SampleFormat::int16:
        return 2;
    case SampleFormat::int32:
    case SampleFormat::float32:
        return 4;
    case SampleFormat::unknown:
        break;
    }
    return 0;
}

template <typename T> T load(const std::byte* p) {
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}
} // namespace

std::unique_ptr<SampleConverter> SampleConverter::create(const InputFormat& format, QString* error) {
    auto fail = [&](const QString& why) {
        if (error)
            *error = why;
        return nullptr;
    };
    if (format.sampleRate <= 0 || format.channels <= 0)
        return fail(QStringLiteral("input has no sample rate or no channels"));
    if (sampleBytes(format.sampleFormat) == 0)
        return fail(QStringLiteral("unknown sample format"));
    std::unique_ptr<SampleConverter> converter(new SampleConverter(format));
    if (format.sampleRate != targetRate) {
        // Medium quality: 16-bit precision with most of the band kept, the class
        // speech recognition needs; one thread, as the capture thread is one.
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        soxr_error_t why = nullptr;
        converter->resampler_ = soxr_create(format.sampleRate, targetRate, 1, &why, &io, &quality, &runtime);
        if (!converter->resampler_)
            return fail(QString::fromUtf8(why ? why : "resampler not made"));
    }
    return converter;
}

SampleConverter::SampleConverter(const InputFormat& format)
    : format_(format), bytesPerSample_(sampleBytes(format.sampleFormat)),
      bytesPerFrame_(bytesPerSample_ * format.channels), ratio_(double(targetRate) / format.sampleRate) {
    partial_.reserve(static_cast<std::size_t>(bytesPerFrame_));
    mono_.resize(blockFrames);
    // Room for one block's output and the resampler's look-ahead; a call that
    // produces more simply goes round again.
    resampled_.resize(static_cast<std::size_t>(std::ceil(blockFrames * ratio_)) + 256);
}

SampleConverter::~SampleConverter() {
    if (resampler_)
        soxr_delete(resampler_);
}

void SampleConverter::push(std::span<const std::byte> bytes, const Output& out) {
    const auto frameBytes = static_cast<std::size_t>(bytesPerFrame_);
    if (!partial_.empty()) {
        const std::size_t take = std::min(frameBytes - partial_.size(), bytes.size());
        partial_.insert(partial_.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(take));
        bytes = bytes.subspan(take);
        if (partial_.size() < frameBytes)
            return;
        toMono(partial_.data(), 1);
        partial_.clear();
        resample(mono_.data(), 1, false, out);
    }
    std::size_t frames = bytes.size() / frameBytes;
    const std::byte* p = bytes.data();
    while (frames > 0) {
        const std::size_t n = std::min(frames, blockFrames);
        toMono(p, n);
        resample(mono_.data(), n, false, out);
        p += n * frameBytes;
        frames -= n;
    }
    const std::size_t rest = bytes.size() % frameBytes;
    partial_.assign(bytes.end() - static_cast<std::ptrdiff_t>(rest), bytes.end());
}

double SampleConverter::held() const {
    return resampler_ ? soxr_delay(resampler_) : 0.0;
}

void SampleConverter::finish(const Output& out) {
    partial_.clear();
    resample(mono_.data(), 0, true, out);
}

void SampleConverter::toMono(const std::byte* frames, std::size_t count) {
    const int channels = format_.channels;
    const float scale = 1.0f / static_cast<float>(channels);
    for (std::size_t i = 0; i < count; ++i) {
        float sum = 0.0f;
        for (int c = 0; c < channels; ++c) {
            const std::byte* s = frames + (i * channels + c) * bytesPerSample_;
            switch (format_.sampleFormat) {
            case SampleFormat::uint8:
                sum += (static_cast<float>(load<std::uint8_t>(s)) - 128.0f) / 128.0f;
                break;
            case SampleFormat::int16:
                sum += static_cast<float>(load<std::int16_t>(s)) / 32768.0f;
                break;
            case SampleFormat::int32:
                sum += static_cast<float>(static_cast<double>(load<std::int32_t>(s)) / 2147483648.0);
                break;
            case SampleFormat::float32:
                sum += load<float>(s);
                break;
            case SampleFormat::unknown:
                break;
            }
        }
        mono_[i] = sum * scale;
    }
}

void SampleConverter::resample(const float* in, std::size_t frames, bool end, const Output& out) {
    if (!resampler_) {
        if (frames > 0)
            out(std::span<const float>(in, frames));
        return;
    }
    // Unused input goes round again, and so does a full output buffer (the
    // resampler may hold more); at the end (no input), until nothing more comes out.
    for (;;) {
        std::size_t used = 0, made = 0;
        if (soxr_error_t error = soxr_process(resampler_, end ? nullptr : in, end ? 0 : frames, &used,
                                              resampled_.data(), resampled_.size(), &made)) {
            if (!reportedError_)
                qCCritical(lcAudio, "audio conversion failed: %s", error);
            reportedError_ = true;
            return;
        }
        if (made > 0)
            out(std::span<const float>(resampled_.data(), made));
        in += used;
        frames -= used;
        if (used == 0 && made == 0)
            break;
        if (frames == 0 && made < resampled_.size() && !(end && made > 0))
            break;
    }
}

} // namespace brisklet::platform
