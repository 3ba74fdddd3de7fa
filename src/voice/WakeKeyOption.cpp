#include "voice/WakeKeyOption.h"

namespace brisklet {

const std::vector<WakeKeyOption>& WakeKeyOption::all() {
    static const std::vector<WakeKeyOption> table{
        {54, QStringLiteral("Right Super"), true, 0x10}, {61, QStringLiteral("Right Alt"), true, 0x40},
        {58, QStringLiteral("Left Alt"), true, 0x20},    {55, QStringLiteral("Left Super"), true, 0x08},
        {105, QStringLiteral("F13"), false, 0},          {107, QStringLiteral("F14"), false, 0},
        {113, QStringLiteral("F15"), false, 0},          {106, QStringLiteral("F16"), false, 0},
    };
    return table;
}

const WakeKeyOption& WakeKeyOption::defaultOption() {
    return all().front();
}

const WakeKeyOption& WakeKeyOption::forCode(int keyCode) {
    for (const auto& option : all())
        if (option.keyCode == keyCode)
            return option;
    return defaultOption();
}

QString activationStyleRawValue(ActivationStyle style) {
    return style == ActivationStyle::tap ? QStringLiteral("tap") : QStringLiteral("hold");
}

std::optional<ActivationStyle> activationStyleFromRawValue(const QString& raw) {
    if (raw == QLatin1String("hold"))
        return ActivationStyle::hold;
    if (raw == QLatin1String("tap"))
        return ActivationStyle::tap;
    return std::nullopt;
}

const std::vector<ActivationStyle>& allActivationStyles() {
    static const std::vector<ActivationStyle> styles{ActivationStyle::hold, ActivationStyle::tap};
    return styles;
}

} // namespace brisklet
