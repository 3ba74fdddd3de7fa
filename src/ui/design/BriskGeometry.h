#pragma once

#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <optional>

namespace brisklet::BriskGeometry {

// The brand mark on its 28 × 28 grid, hung from the rectangle's top-left corner at
// scale min(width, height) / 28.

// The ribbon's closed outline from the start of its spine up to `progress`
// (clamped to 0.001…1; not a number draws it whole). Filled, not stroked.
QPainterPath strokePath(const QRectF& rect, qreal progress);
// The four-pointed star's outline; `center` in grid units (default (21.8, 6.2)),
// `scale` multiplies both radii.
QPainterPath starPath(const QRectF& rect, std::optional<QPointF> center = std::nullopt, qreal scale = 1);

// The tray's 18 × 18 image at the given device pixel ratio: the mark in black on
// transparency, crossed by a slash (with a clear channel either side) when paused.
QImage statusImage(bool paused, qreal devicePixelRatio = 1);

} // namespace brisklet::BriskGeometry
