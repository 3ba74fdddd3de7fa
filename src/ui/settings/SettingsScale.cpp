#include "ui/settings/SettingsScale.h"

#include <algorithm>
#include <cmath>

namespace brisklet::SettingsScale {

namespace {

// Settings written as numbers come back as text in a new process.
double number(const QVariant& stored) {
    bool ok = false;
    const double value = stored.toDouble(&ok);
    return ok ? value : std::nan("");
}

} // namespace

double shownSensitivity(const QVariant& stored) {
    const double value = number(stored);
    if (std::isnan(value) || value < shownMinimum)
        return shownMaximum;
    return 14 - std::min(value, shownMaximum);
}

double storedSensitivity(double shown) {
    return 14 - shown;
}

float levelFill(float level, float width) {
    const float fraction = std::min(1.0f, std::pow(9.0f * level, 0.7f));
    return std::max(4.0f, width * (std::isnan(fraction) ? 0.0f : fraction));
}

double volume(const QVariant& stored) {
    const double value = number(stored);
    if (std::isnan(value))
        return 0;
    return std::clamp(value, 0.0, 1.0);
}

} // namespace brisklet::SettingsScale
