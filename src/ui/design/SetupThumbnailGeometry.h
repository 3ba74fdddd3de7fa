#pragma once

#include "setups/Setup.h"

#include <QRectF>
#include <QSizeF>
#include <QString>
#include <vector>

namespace brisklet::SetupThumbnailGeometry {

// One window of the miniature.
struct Tile {
    QRectF rect; // in its screen, the screen's top-left at (0, 0)
    double barHeight = 0;
    double iconSize = 0;
    bool web = false;
    QString appID;
    bool operator==(const Tile&) const = default;
};

// One display of the miniature, with its windows in item order (later on top).
struct Screen {
    double width = 0;
    double height = 0;
    std::vector<Tile> tiles;
    bool operator==(const Screen&) const = default;
};

inline constexpr double screenSpacing = 5;
inline constexpr double inset = 3;
inline constexpr double fallbackProportion = 1.6;
inline constexpr double minimumTile = 8;
// Screens drawn at least, so that a setup made on more displays than are
// connected still shows them; a stored index beyond this is drawn on the last.
inline constexpr int drawnDisplays = 8;

// The screens that draw `items` at `height`, from display 0 to the highest index a
// placed item uses. `connected` holds the sizes of the displays connected now, in
// the system's order; they give each screen its proportion.
std::vector<Screen> layout(const std::vector<SetupItem>& items, const std::vector<QSizeF>& connected,
                           double height);

// A tile of size w × h: its title bar's height and its icon's edge.
double barHeight(double tileHeight);
double iconSize(double tileWidth, double tileHeight);

// The whole miniature's width: the screens side by side.
double totalWidth(const std::vector<Screen>& screens);

} // namespace brisklet::SetupThumbnailGeometry
