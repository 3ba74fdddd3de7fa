#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace brisklet {

// One selectable wake key. The key code is the one the settings store.
struct WakeKeyOption {
    int keyCode = 54;
    QString label;
    bool isModifier = false;
    std::uint64_t deviceFlag = 0; // kept with the setting; the key code tells left from right here
    bool operator==(const WakeKeyOption&) const = default;

    // The eight keys on offer, the default first.
    static const std::vector<WakeKeyOption>& all();
    static const WakeKeyOption& defaultOption();
    // The row for a stored code; 0 and unknown codes give the default.
    static const WakeKeyOption& forCode(int keyCode);
};

// How the user thinks of the wake key; only the hints' wording depends on it.
enum class ActivationStyle { hold, tap };
QString activationStyleRawValue(ActivationStyle style);
std::optional<ActivationStyle> activationStyleFromRawValue(const QString& raw);
const std::vector<ActivationStyle>& allActivationStyles();

} // namespace brisklet
