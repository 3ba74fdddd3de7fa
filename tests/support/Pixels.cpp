#include "support/Pixels.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace brisklet::test::Pixels {

namespace {

double luminance(const QColor& c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

} // namespace

bool nonBlank(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 1)
        for (int x = 0; x < image.width(); x += 1) {
            colours.insert(image.pixel(x, y));
            if (colours.size() > 8)
                return true;
        }
    return false;
}

bool cornersTransparent(const QImage& image, int inset) {
    const int w = image.width();
    const int h = image.height();
    for (int dy = 0; dy < inset; ++dy)
        for (int dx = 0; dx < inset; ++dx)
            for (const QPoint p : {QPoint(dx, dy), QPoint(w - 1 - dx, dy), QPoint(dx, h - 1 - dy),
                                   QPoint(w - 1 - dx, h - 1 - dy)})
                if (qAlpha(image.pixel(p)) != 0)
                    return false;
    return true;
}

double contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor over(QRgb pixel, const QColor& backdrop) {
    const QColor c = QColor::fromRgba(pixel);
    const double a = c.alphaF();
    return QColor::fromRgbF(float(c.redF() * a + backdrop.redF() * (1 - a)),
                            float(c.greenF() * a + backdrop.greenF() * (1 - a)),
                            float(c.blueF() * a + backdrop.blueF() * (1 - a)));
}

double textContrast(const QImage& image, const QRect& box, const QColor& backdrop, const QColor& text) {
    const QRect area = box.intersected(image.rect());
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[over(image.pixel(x, y), backdrop).rgb()];
    if (counts.isEmpty())
        return 1;
    const QRgb background =
        std::max_element(counts.keyValueBegin(), counts.keyValueEnd(), [](auto a, auto b) {
            return a.second < b.second;
        })->first;
    if (text.isValid())
        return contrast(over(text.rgba(), QColor::fromRgb(background)), QColor::fromRgb(background));
    double best = 1;
    for (auto it = counts.keyValueBegin(); it != counts.keyValueEnd(); ++it)
        best = std::max(best, contrast(QColor::fromRgb(it->first), QColor::fromRgb(background)));
    return best;
}

int countNear(const QImage& image, const QRect& box, const QColor& colour, int slack) {
    const QRect area = box.intersected(image.rect());
    int found = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = QColor::fromRgba(image.pixel(x, y));
            if (std::abs(pixel.red() - colour.red()) <= slack &&
                std::abs(pixel.green() - colour.green()) <= slack &&
                std::abs(pixel.blue() - colour.blue()) <= slack)
                ++found;
        }
    }
    return found;
}

} // namespace brisklet::test::Pixels
