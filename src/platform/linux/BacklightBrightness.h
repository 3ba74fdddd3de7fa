#pragma once

#include "platform/BrightnessEngine.h"

#include <QString>

namespace brisklet::platform {

// The built-in panel's backlight: read from sysfs, set through logind, which lets
// the active session's user do it without root.
class BacklightBrightness final : public BrightnessEngine {
public:
    // `sysfsRoot`: the folder of backlight devices.
    explicit BacklightBrightness(QString sysfsRoot = QStringLiteral("/sys/class/backlight"));

    bool isAvailable() override;
    std::optional<double> read() override;
    bool set(double level) override;

    // The preferred device's name (firmware over platform over raw), if any.
    std::optional<QString> device() const;

private:
    std::optional<long long> readNumber(const QString& device, const char* file) const;
    QString root_;
};

} // namespace brisklet::platform
