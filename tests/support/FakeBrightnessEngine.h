#pragma once

#include "base/Clock.h"
#include "platform/BrightnessEngine.h"

#include <memory>
#include <optional>
#include <vector>

namespace brisklet::test {

// What a fake brightness engine was asked to do. Shared, since the engine is made
// inside the control and may go before the test looks.
struct BrightnessLog {
    std::vector<double> sets;  // levels, in order
    std::vector<double> times; // the clock's time of each set
    int restores = 0;          // restores that undid a change
};

// A display whose brightness the test reads back. Like the gamma fallback, a
// restore only does something after a change.
class FakeBrightnessEngine final : public platform::BrightnessEngine {
public:
    FakeBrightnessEngine(std::shared_ptr<BrightnessLog> log, Clock& clock, bool available = true,
                         std::optional<double> current = std::nullopt)
        : log_(std::move(log)), clock_(clock), available_(available), current_(current) {}

    bool isAvailable() override { return available_; }
    std::optional<double> read() override { return current_; }
    bool set(double level) override {
        log_->sets.push_back(level);
        log_->times.push_back(clock_.now());
        changed_ = true;
        return failAt != static_cast<int>(log_->sets.size());
    }
    bool restore() override {
        if (!changed_)
            return false;
        changed_ = false;
        ++log_->restores;
        return true;
    }

    int failAt = 0; // 1-based index of a set that fails

private:
    std::shared_ptr<BrightnessLog> log_;
    Clock& clock_;
    bool available_;
    std::optional<double> current_;
    bool changed_ = false;
};

} // namespace brisklet::test
