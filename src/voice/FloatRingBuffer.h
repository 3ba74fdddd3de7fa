#pragma once

#include <cstddef>
#include <mutex>
#include <span>
#include <vector>

namespace brisklet {

// Fixed-size sample ring between the capture thread and the processing thread.
// Writing never blocks and never fails: when full, the oldest samples go, so it
// always holds the newest `capacity` samples.
class FloatRingBuffer final {
public:
    static constexpr std::size_t defaultCapacity = 128000; // 8 s at 16 kHz

    explicit FloatRingBuffer(std::size_t capacity = defaultCapacity);

    void write(std::span<const float> samples);
    // Copy out and remove the `out.size()` oldest samples; false (and nothing
    // removed) when fewer are held.
    bool read(std::span<float> out);
    void clear();

    std::size_t count() const;
    std::size_t capacity() const { return storage_.size(); }

private:
    mutable std::mutex mutex_;
    std::vector<float> storage_;
    std::size_t head_ = 0; // oldest sample
    std::size_t count_ = 0;
};

} // namespace brisklet
