#pragma once

#include <QColor>
#include <QImage>
#include <QRect>

namespace brisklet::test::Pixels {

// More than a handful of distinct colours: something was drawn.
bool nonBlank(const QImage& image);
// Fully transparent in a small square at each corner.
bool cornersTransparent(const QImage& image, int inset = 2);
// The WCAG contrast ratio of two opaque colours (1 … 21).
double contrast(const QColor& a, const QColor& b);
// Text inside `box` against the background under it: the background is the
// commonest colour there, the text the pixel that differs most from it (or, when
// given, the text's own colour laid over that background: thin glyphs may cover
// no pixel fully). The picture is first laid over `backdrop`, so translucent
// layers count as seen.
double textContrast(const QImage& image, const QRect& box, const QColor& backdrop = Qt::black,
                    const QColor& text = QColor());
// The colour a translucent pixel shows over `backdrop`.
QColor over(QRgb pixel, const QColor& backdrop);
// How many pixels inside `box` are within `slack` of `colour` in each channel.
int countNear(const QImage& image, const QRect& box, const QColor& colour, int slack = 12);

} // namespace brisklet::test::Pixels
