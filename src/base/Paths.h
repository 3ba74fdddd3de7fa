#pragma once

#include <QString>

namespace brisklet::Paths {

// The data folder, $XDG_DATA_HOME/Brisklet. Every path is computed afresh on each
// call and nothing is created by reading one.
QString dataFolder();
QString commandsJSON();
QString layoutsJSON();
QString setupsJSON();
// Executable files the user keeps as Brisklet Shortcuts.
QString shortcutsFolder();

// Create the data folder with its parents. A failure is logged at error level and
// returned; the stores then report their own write failures.
bool ensure();

} // namespace brisklet::Paths
