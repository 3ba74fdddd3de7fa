#include "ui/LevelMeter.h"

#include "ui/OnboardingRules.h"

namespace brisklet {

double LevelMeter::fillWidth(double width, float level) const {
    return OnboardingRules::levelFillWidth(width, level);
}

} // namespace brisklet
