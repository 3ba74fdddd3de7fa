#pragma once

#include <QString>

namespace brisklet {

// One setup as the tray menu and the pick panel offer it.
struct StatusSetup {
    QString name;
    QString icon;        // the setup's symbol name
    bool active = false; // the setup now applied
    bool operator==(const StatusSetup&) const = default;
};

} // namespace brisklet
