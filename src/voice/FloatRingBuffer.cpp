#include "voice/FloatRingBuffer.h"

#include <algorithm>

namespace brisklet {

FloatRingBuffer::FloatRingBuffer(std::size_t capacity) : storage_(std::max<std::size_t>(capacity, 1), 0.0f) {}

void FloatRingBuffer::write(std::span<const float> samples) {
    const std::size_t cap = storage_.size();
    // Only the newest `cap` samples of an oversized write can survive.
    if (samples.size() > cap)
        samples = samples.last(cap);
    const std::size_t n = samples.size();
    std::lock_guard lock(mutex_);
    if (count_ + n > cap) {
        const std::size_t overflow = count_ + n - cap;
        head_ = (head_ + overflow) % cap;
        count_ -= overflow;
    }
    const std::size_t start = (head_ + count_) % cap;
    const std::size_t first = std::min(n, cap - start);
    std::copy_n(samples.data(), first, storage_.data() + start);
    std::copy_n(samples.data() + first, n - first, storage_.data());
    count_ += n;
}

bool FloatRingBuffer::read(std::span<float> out) {
    const std::size_t cap = storage_.size();
    const std::size_t n = out.size();
    std::lock_guard lock(mutex_);
    if (n > count_)
        return false;
    const std::size_t first = std::min(n, cap - head_);
    std::copy_n(storage_.data() + head_, first, out.data());
    std::copy_n(storage_.data(), n - first, out.data() + first);
    head_ = (head_ + n) % cap;
    count_ -= n;
    return true;
}

void FloatRingBuffer::clear() {
    std::lock_guard lock(mutex_);
    head_ = 0;
    count_ = 0;
}

std::size_t FloatRingBuffer::count() const {
    std::lock_guard lock(mutex_);
    return count_;
}

} // namespace brisklet
