#include "platform/linux/SampleConverter.h"

#include "base/Log.h"

#include <samplerate.h>

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
        int code = 0;
        converter->src_ = src_new(SRC_SINC_FASTEST, 1, &code);
        if (!converter->src_)
            return fail(QString::fromUtf8(src_strerror(code)));
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
    if (src_)
        src_delete(src_);
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
    if (!src_) {
        if (frames > 0)
            out(std::span<const float>(in, frames));
        return;
    }
    SRC_DATA data{};
    data.src_ratio = ratio_;
    data.end_of_input = end ? 1 : 0;
    for (;;) {
        data.data_in = in;
        data.input_frames = static_cast<long>(frames);
        data.data_out = resampled_.data();
        data.output_frames = static_cast<long>(resampled_.size());
        if (int code = src_process(src_, &data); code != 0) {
            if (!reportedError_)
                qCCritical(lcAudio, "audio conversion failed: %s", src_strerror(code));
            reportedError_ = true;
            return;
        }
        if (data.output_frames_gen > 0)
            out(std::span<const float>(resampled_.data(), static_cast<std::size_t>(data.output_frames_gen)));
        in += data.input_frames_used;
        frames -= static_cast<std::size_t>(data.input_frames_used);
        const bool progress = data.input_frames_used > 0 || data.output_frames_gen > 0;
        if (!progress)
            break;
        // Unused input goes round again, and so does a full output buffer (the
        // resampler may hold more); at the end, until nothing more comes out.
        const bool full = data.output_frames_gen == data.output_frames;
        if (frames == 0 && !full && !(end && data.output_frames_gen > 0))
            break;
    }
}

} // namespace brisklet::platform
