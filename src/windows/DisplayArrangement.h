#pragma once

#include <QRectF>
#include <QString>

namespace brisklet::DisplayArrangement {

// Where a window goes when the display it belongs on is missing: shifted by 28 pt
// per slot (slot modulo 8) away from the edges of `frame`, then kept inside it.
// The size never changes; a window larger than the frame ends at its minimum
// corner. `rect` and `frame` are in the same (bottom-left origin) coordinates.
QRectF cascaded(const QRectF& rect, int slot, const QRectF& frame);

// A display fingerprint ("2:1728x1117,2560x1440") in words: "2 displays", or
// "single display" for one, none or anything that doesn't read as a count.
QString label(const QString& fingerprint);

} // namespace brisklet::DisplayArrangement
