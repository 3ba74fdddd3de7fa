#pragma once

#include <QColor>
#include <QIcon>

namespace brisklet::StatusIcon {

// The tray icon: the brand mark in the given colour (crossed out when paused), at
// the sizes trays ask for, 16 to 48 px.
QIcon make(bool paused, const QColor& color);
// A setup's symbol as a menu icon in `color`, drawn through the same symbol table
// as the views; null for a name the table doesn't know.
QIcon symbol(const QString& name, const QColor& color);

} // namespace brisklet::StatusIcon
