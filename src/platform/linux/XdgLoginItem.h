#pragma once

#include "platform/LoginItem.h"

#include <QString>
#include <optional>

namespace brisklet::platform {

// The login item as an XDG autostart entry, ~/.config/autostart/brisklet.desktop,
// which starts the program with "--autostart" so it stays in the background.
class XdgLoginItem final : public LoginItem {
public:
    // `executable` empty: this program.
    explicit XdgLoginItem(QString executable = {});

    bool set(bool enabled) override;
    bool isEnabled() const override;

    static QString entryPath();
    // The entry's text for `executable`; nothing for a path that no Exec line can
    // hold (a line break).
    static std::optional<QByteArray> entryFor(const QString& executable);

private:
    QString executable_;
};

} // namespace brisklet::platform
