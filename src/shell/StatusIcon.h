#pragma once

#include <QColor>
#include <QIcon>

namespace brisklet::StatusIcon {

// The tray icon: a simple mark drawn in code, in the given colour, with the
// paused form showing two bars. Sizes 16 to 48 px.
QIcon make(bool paused, const QColor& color);

} // namespace brisklet::StatusIcon
