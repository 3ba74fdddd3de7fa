#include "windows/DisplayArrangement.h"

#include <QStringList>
#include <algorithm>

namespace brisklet::DisplayArrangement {

QRectF cascaded(const QRectF& rect, int slot, const QRectF& frame) {
    // C++'s remainder keeps the sign of the slot, as the offsets should.
    const double off = 28.0 * (slot % 8);
    const double frameMinX = frame.x(), frameMaxX = frame.x() + frame.width();
    const double frameMinY = frame.y(), frameMaxY = frame.y() + frame.height();
    const double dx = rect.x() + rect.width() + off <= frameMaxX ? off : -off;
    const double dy = frameMinY <= rect.y() - off ? -off : off;
    const double x1 = rect.x() + dx;
    const double y1 = rect.y() + dy;
    const double x = std::min(std::max(frameMinX, frameMaxX - rect.width()), std::max(x1, frameMinX));
    const double y = std::min(std::max(frameMinY, frameMaxY - rect.height()), std::max(y1, frameMinY));
    return {x, y, rect.width(), rect.height()};
}

QString label(const QString& fingerprint) {
    const QStringList pieces = fingerprint.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    if (pieces.isEmpty())
        return QStringLiteral("single display");
    bool ok = false;
    const qlonglong count = pieces.front().toLongLong(&ok, 10);
    if (ok && count >= 2)
        return QString::number(count) + QStringLiteral(" displays");
    return QStringLiteral("single display");
}

} // namespace brisklet::DisplayArrangement
