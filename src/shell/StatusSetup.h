#pragma once

#include <QList>
#include <QString>
#include <QUuid>
#include <optional>
#include <vector>

namespace brisklet {

struct Setup;

// One setup as the tray menu and the pick panel offer it.
struct StatusSetup {
    QString name;
    QString icon;        // the setup's symbol name
    bool active = false; // the setup now applied
    QUuid id;            // what a run names: another setup may be said alike
    bool operator==(const StatusSetup&) const = default;
};

// Every setup, most recently run (or, never run, made) first, ties in the given
// order; `activeID` marks the one now applied.
QList<StatusSetup> statusSetupsOf(const std::vector<Setup>& setups, const std::optional<QUuid>& activeID);

} // namespace brisklet
