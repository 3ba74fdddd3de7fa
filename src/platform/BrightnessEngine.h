#pragma once

#include <optional>

namespace brisklet::platform {

// One way of changing the brightness of the main display. Calls block briefly:
// off the main thread, except restore() at quit.
class BrightnessEngine {
public:
    virtual ~BrightnessEngine() = default;
    // Whether this engine can change the main display now.
    virtual bool isAvailable() = 0;
    // The current brightness, 0…1; nothing when it cannot be read.
    virtual std::optional<double> read() = 0;
    // Sets the brightness, 0…1; true on success.
    virtual bool set(double level) = 0;
    // Gives the displays back what they had before this engine changed them, for
    // engines whose changes would outlive the program. True when something was
    // restored.
    virtual bool restore() { return false; }
};

} // namespace brisklet::platform
