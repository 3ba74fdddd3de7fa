#pragma once

#include "support/Pixels.h"
#include "support/ViewHarness.h"

#include <QImage>
#include <QQuickItem>
#include <gtest/gtest.h>

namespace brisklet::test {

// At rest each bar of the meter in `image` is a round dot: the corners of its box
// stay close to the pill, where a square block would fill them with amber.
inline void expectRoundRestingDots(const ViewHarness& harness, const QImage& image, QQuickItem* meter) {
    ASSERT_NE(meter, nullptr);
    const auto away = [&](QPoint p, QPoint pill) {
        return Pixels::contrast(image.pixelColor(p), image.pixelColor(pill));
    };
    int dots = 0;
    for (QQuickItem* dot : meter->childItems().first()->childItems()) {
        if (dot->width() != 3.5)
            continue; // the repeater
        ++dots;
        const QRect box = harness.boxOf(dot);
        const QPoint pill = box.topLeft() - QPoint(0, 4);
        EXPECT_GT(away(box.center(), pill), 2.0);
        for (QPoint corner : {box.topLeft(), box.topRight(), box.bottomLeft(), box.bottomRight()})
            EXPECT_LT(away(corner, pill), away(box.center(), pill) * 0.6) << corner.x() << "," << corner.y();
    }
    EXPECT_GT(dots, 0);
}

} // namespace brisklet::test
