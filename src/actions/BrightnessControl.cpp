#include "actions/BrightnessControl.h"

#include "base/Log.h"
#include "base/Termination.h"

#include <algorithm>

namespace brisklet {

namespace {
constexpr int rampSteps = 8;
constexpr double rampStepSeconds = 0.03;

// Stands in when no engine could be made at all.
class NoBrightness final : public platform::BrightnessEngine {
public:
    bool isAvailable() override { return false; }
    std::optional<double> read() override { return std::nullopt; }
    bool set(double) override { return false; }
};
} // namespace

BrightnessControl::BrightnessControl(EngineFactory preferred, EngineFactory fallback, Clock& clock,
                                     std::function<bool()> reduceMotion)
    : preferred_(std::move(preferred)), fallback_(std::move(fallback)), clock_(clock),
      reduceMotion_(std::move(reduceMotion)) {}

platform::BrightnessEngine& BrightnessControl::engine() {
    std::call_once(chosen_, [this] {
        std::shared_ptr<platform::BrightnessEngine> chosen = preferred_ ? preferred_() : nullptr;
        if (chosen && chosen->isAvailable()) {
            qCInfo(lcApp) << "brightness: through the preferred engine";
        } else {
            chosen = fallback_ ? fallback_() : nullptr;
            if (!chosen)
                chosen = std::make_shared<NoBrightness>();
            qCInfo(lcApp) << "brightness: through the fallback engine";
        }
        {
            std::lock_guard lock(engineMutex_);
            engine_ = chosen;
        }
        // The displays get their colours back however we quit in order.
        std::weak_ptr<platform::BrightnessEngine> weak = chosen;
        Termination::addHook([weak] {
            if (auto e = weak.lock())
                e->restore();
        });
    });
    return *engine_;
}

bool BrightnessControl::apply(int percent) {
    platform::BrightnessEngine& e = engine();
    if (!e.isAvailable())
        return false;
    const double target = std::clamp(percent, 5, 100) / 100.0;
    const auto current = e.read();
    if (current && !(reduceMotion_ && reduceMotion_())) {
        bool ok = false;
        for (int k = 1; k <= rampSteps; ++k) {
            // The last step decides: it is the level the display ends at.
            ok = e.set(*current + (target - *current) * k / static_cast<double>(rampSteps));
            clock_.sleep(rampStepSeconds);
        }
        return ok;
    }
    return e.set(target);
}

bool BrightnessControl::restoreDisplays() {
    std::shared_ptr<platform::BrightnessEngine> e;
    {
        std::lock_guard lock(engineMutex_);
        e = engine_;
    }
    return e ? e->restore() : false;
}

} // namespace brisklet
