#include "windows/OverlapDetection.h"

#include <algorithm>

namespace brisklet::OverlapDetection {

namespace {
double area(const QRectF& r) {
    return r.width() * r.height();
}
} // namespace

std::vector<std::pair<QUuid, QUuid>> messyPairs(const std::vector<Window>& windows, double ratio,
                                                double minSide) {
    std::vector<std::pair<QUuid, QUuid>> found;
    for (size_t i = 0; i < windows.size(); ++i) {
        for (size_t j = i + 1; j < windows.size(); ++j) {
            const Window& a = windows[i];
            const Window& b = windows[j];
            if (a.display != b.display)
                continue;
            const double areaA = area(a.rect);
            const double areaB = area(b.rect);
            if (!(areaA > 0) || !(areaB > 0))
                continue;
            // Worked out by hand: edges that only touch make an empty intersection.
            const double left = std::max(a.rect.left(), b.rect.left());
            const double right = std::min(a.rect.x() + a.rect.width(), b.rect.x() + b.rect.width());
            const double top = std::max(a.rect.top(), b.rect.top());
            const double bottom = std::min(a.rect.y() + a.rect.height(), b.rect.y() + b.rect.height());
            const double w = right - left;
            const double h = bottom - top;
            if (!(w > 0) || !(h > 0))
                continue;
            if (w < minSide || h < minSide)
                continue;
            if (w * h / std::min(areaA, areaB) > ratio)
                found.emplace_back(a.id, b.id);
        }
    }
    return found;
}

} // namespace brisklet::OverlapDetection
