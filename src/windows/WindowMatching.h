#pragma once

#include <QRectF>
#include <QString>
#include <vector>

namespace brisklet {

// Decides which live window of an app takes which saved slot when a layout or a
// setup is put back: exact titles first, then the rest in reading order.
namespace WindowMatching {

// A live window: its title and its frame (top-left origin, y grows downward).
struct LiveWindow {
    QString title;
    QRectF frame;
};

// One decision: an index into the windows and an index into the slot titles.
struct Pair {
    int win = 0;
    int slot = 0;
    bool operator==(const Pair&) const = default;
};

// Title matches come first, in slot order, then the reading-order pairs. Each
// window and each slot appears at most once; leftovers on either side are absent.
std::vector<Pair> pair(const std::vector<LiveWindow>& windows, const std::vector<QString>& slotTitles);

} // namespace WindowMatching
} // namespace brisklet
