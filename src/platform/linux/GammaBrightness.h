#pragma once

#include "platform/BrightnessEngine.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace brisklet::platform {

// Dims the primary monitor through its CRTC's gamma ramps. The ramps outlive the
// program, so the first change saves the ramps it found and restore() puts them
// back. The level cannot be read back.
class GammaBrightness final : public BrightnessEngine {
public:
    bool isAvailable() override { return true; }
    std::optional<double> read() override { return std::nullopt; }
    bool set(double level) override;
    bool restore() override;

    // Whether a change has been made (and not yet restored).
    bool applied() const;
    // The ramp of one channel at `level` (raised to at least 0.2, at most 1).
    static std::vector<uint16_t> ramp(int size, double level);

private:
    mutable std::mutex mutex_;
    bool applied_ = false;
    uint32_t savedCrtc_ = 0;
    std::vector<uint16_t> savedRed_, savedGreen_, savedBlue_;
};

} // namespace brisklet::platform
