#pragma once

#include "platform/AppearanceSwitch.h"
#include "platform/ProcessRunner.h"

#include <QString>

namespace brisklet::platform {

// The appearance through GNOME's `color-scheme` setting, which GNOME-like desktops
// and the settings portal follow. Read from the portal when one answers on the
// session bus, else from gsettings.
class GsettingsAppearance final : public AppearanceSwitch {
public:
    explicit GsettingsAppearance(ProcessRunner& runner) : runner_(runner) {}

    std::optional<Scheme> current() override;
    // gsettings exits 0 even when the setting could not be stored (no session bus to
    // reach dconf), so the value is always read back.
    ScriptOutcome set(Scheme scheme) override;

    // "prefer-dark" is dark; "default" and "prefer-light" are light. Quotes of
    // gsettings' output are tolerated.
    static std::optional<Scheme> fromSetting(const QString& text);
    // The portal's number: 1 dark, 2 light, 0 (no preference) light.
    static std::optional<Scheme> fromPortal(uint value);

    static constexpr double limit = 15.0;

private:
    std::optional<Scheme> fromGsettings();
    std::optional<Scheme> fromPortal();

    ProcessRunner& runner_;
};

} // namespace brisklet::platform
