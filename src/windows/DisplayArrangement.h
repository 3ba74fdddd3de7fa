#pragma once

#include <QRectF>

namespace brisklet::DisplayArrangement {

// Where a window goes when the display it belongs on is missing: shifted by 28 pt
// per slot (slot modulo 8) away from the edges of `frame`, then kept inside it.
// The size never changes; a window larger than the frame ends at its minimum
// corner. `rect` and `frame` are in the same (bottom-left origin) coordinates.
QRectF cascaded(const QRectF& rect, int slot, const QRectF& frame);

} // namespace brisklet::DisplayArrangement
