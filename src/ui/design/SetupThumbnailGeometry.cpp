#include "ui/design/SetupThumbnailGeometry.h"

#include <algorithm>
#include <cmath>

namespace brisklet::SetupThumbnailGeometry {

namespace {

// A hand-edited file may hold anything; what can't be a fraction counts as 0.
double finite(double value) {
    return std::isfinite(value) ? value : 0.0;
}

int lastDrawnIndex(const std::vector<SetupItem>& items, int connected) {
    const int cap = std::max(connected, drawnDisplays) - 1;
    int last = 0;
    for (const SetupItem& item : items) {
        if (item.frame)
            last = std::max(last, std::clamp(item.frame->displayIndex, 0, cap));
    }
    return last;
}

Tile tileFor(const SetupItem& item, double areaWidth, double areaHeight) {
    const SetupFrame& f = *item.frame;
    const double rx = finite(f.rx), ry = finite(f.ry), rw = finite(f.rw), rh = finite(f.rh);
    const double w = std::max(rw * areaWidth, minimumTile);
    const double h = std::max(rh * areaHeight, minimumTile);
    // Frames have their origin at the bottom left; the view's is at the top left.
    const double cx = (rx + rw * 0.5) * areaWidth;
    const double cy = (1.0 - ry - rh * 0.5) * areaHeight;
    Tile tile;
    tile.rect = QRectF(inset + cx - w / 2, inset + cy - h / 2, w, h);
    tile.barHeight = barHeight(h);
    tile.iconSize = iconSize(w, h);
    tile.web = item.kind == SetupItemKind::url;
    tile.appID = item.bundleID;
    return tile;
}

} // namespace

double barHeight(double tileHeight) {
    return std::min(tileHeight * 0.16, 3.5);
}

double iconSize(double tileWidth, double tileHeight) {
    return std::min(std::max(std::min(tileWidth, tileHeight) * 0.52, 9.0), 22.0);
}

std::vector<Screen> layout(const std::vector<SetupItem>& items, const std::vector<QSizeF>& connected,
                           double height) {
    const int count = static_cast<int>(connected.size());
    const int cap = std::max(count, drawnDisplays) - 1;
    const int last = lastDrawnIndex(items, count);
    std::vector<Screen> screens;
    for (int i = 0; i <= last; ++i) {
        const double proportion =
            i < count ? connected[i].width() / std::max(connected[i].height(), 1.0) : fallbackProportion;
        Screen screen{height * proportion, height, {}};
        const double areaWidth = std::max(screen.width - 2 * inset, 0.0);
        const double areaHeight = std::max(height - 2 * inset, 0.0);
        for (const SetupItem& item : items) {
            if (item.frame && std::clamp(item.frame->displayIndex, 0, cap) == i)
                screen.tiles.push_back(tileFor(item, areaWidth, areaHeight));
        }
        screens.push_back(std::move(screen));
    }
    return screens;
}

double totalWidth(const std::vector<Screen>& screens) {
    double width = 0;
    for (const Screen& screen : screens)
        width += screen.width;
    if (screens.size() > 1)
        width += screenSpacing * static_cast<double>(screens.size() - 1);
    return width;
}

} // namespace brisklet::SetupThumbnailGeometry
