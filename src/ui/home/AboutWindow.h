#pragma once

#include <QString>

class QQuickView;

// The About window of the main menu: the name and the version of this build. One
// at a time; closing it lets it go. Main thread.
namespace brisklet::AboutWindow {

inline constexpr int width = 300;
inline constexpr int height = 220;

// The version this build was made as.
QString version();
// Opens the window, or brings the open one forward. Without a graphical
// application there is nothing to show.
void show();
// The open window; null when none is open.
QQuickView* current();

} // namespace brisklet::AboutWindow
