// The brand mark's two outlines and the tray image, checked on their points and pixels.
#include "ui/design/BriskGeometry.h"

#include <QLineF>
#include <gtest/gtest.h>

#include <cmath>

using namespace brisklet;

namespace {

QPointF point(const QPainterPath& path, int i) {
    const auto e = path.elementAt(i);
    return {e.x, e.y};
}

// The ribbon's width at its far end, in grid units: the distance between the
// 13th left point and the first right point after it.
double farEndWidth(const QRectF& rect) {
    const QPainterPath p = BriskGeometry::strokePath(rect, 1);
    return QLineF(point(p, 12), point(p, 13)).length() / (std::min(rect.width(), rect.height()) / 28);
}

} // namespace

TEST(BriskGeometryTest, TheRibbonIsAlwaysTwentySixPointsAndClosed) {
    for (qreal progress : {0.0, 0.001, 0.5, 1.0, 1.5, -3.0, std::nan("")}) {
        const QPainterPath p = BriskGeometry::strokePath(QRectF(0, 0, 28, 28), progress);
        ASSERT_GE(p.elementCount(), 26) << progress;
        EXPECT_EQ(point(p, 0), point(p, p.elementCount() - 1)) << "closed, progress " << progress;
        EXPECT_GT(p.boundingRect().width(), 0) << "never empty, progress " << progress;
    }
}

TEST(BriskGeometryTest, ProgressIsClampedAndNotANumberDrawsItWhole) {
    const QRectF r(0, 0, 28, 28);
    const auto full = BriskGeometry::strokePath(r, 1).boundingRect();
    EXPECT_EQ(BriskGeometry::strokePath(r, 1.5).boundingRect(), full);
    EXPECT_EQ(BriskGeometry::strokePath(r, std::nan("")).boundingRect(), full);
    const auto sliver = BriskGeometry::strokePath(r, 0).boundingRect();
    EXPECT_EQ(sliver, BriskGeometry::strokePath(r, 0.001).boundingRect());
    EXPECT_LT(sliver.width(), 4) << "a short sliver at the start";
    EXPECT_NEAR(sliver.center().x(), 6.5, 1.6);
    EXPECT_NEAR(sliver.center().y(), 22.5, 1.6);
}

TEST(BriskGeometryTest, SmallMarksKeepAThickerEnd) {
    EXPECT_NEAR(farEndWidth(QRectF(0, 0, 16, 16)), 1.2, 1e-6);
    EXPECT_NEAR(farEndWidth(QRectF(0, 0, 18, 18)), 0.9, 1e-6);
    EXPECT_NEAR(farEndWidth(QRectF(0, 0, 56, 56)), 0.9, 1e-6);
}

TEST(BriskGeometryTest, AWideRectangleHangsTheMarkFromItsLeft) {
    const QPainterPath wide = BriskGeometry::strokePath(QRectF(0, 0, 56, 28), 1);
    const QPainterPath square = BriskGeometry::strokePath(QRectF(0, 0, 28, 28), 1);
    EXPECT_EQ(wide.boundingRect(), square.boundingRect()) << "scale 1 against the left edge";
}

TEST(BriskGeometryTest, TheStarHasFourPointsAroundItsCentre) {
    const QRectF r(0, 0, 28, 28);
    const QPainterPath star = BriskGeometry::starPath(r);
    EXPECT_NEAR(point(star, 0).x(), 21.8, 1e-9);
    EXPECT_NEAR(point(star, 0).y(), 6.2 - 4.5, 1e-9) << "the first point straight up";
    const QRectF box = star.boundingRect();
    EXPECT_NEAR(box.center().x(), 21.8, 1e-6);
    EXPECT_NEAR(box.width(), 9, 1e-6);

    const QRectF centred = BriskGeometry::starPath(r, QPointF(14, 14)).boundingRect();
    EXPECT_NEAR(centred.center().x(), 14, 1e-6);
    EXPECT_NEAR(centred.center().y(), 14, 1e-6);

    const QRectF none = BriskGeometry::starPath(r, std::nullopt, 0).boundingRect();
    EXPECT_EQ(none.width(), 0);
    EXPECT_EQ(none.height(), 0);
    EXPECT_NEAR(none.center().x(), 21.8, 1e-9);
}

TEST(BriskGeometryTest, ThePausedTrayImageIsCrossedByAClearedSlash) {
    const QImage normal = BriskGeometry::statusImage(false, 2);
    const QImage paused = BriskGeometry::statusImage(true, 2);
    EXPECT_EQ(normal.size(), QSize(36, 36));
    EXPECT_EQ(normal.deviceIndependentSize(), QSizeF(18, 18));
    EXPECT_EQ(normal.text(QStringLiteral("Description")), "Brisklet");
    // Only black and transparency: the tray colours it.
    for (int y = 0; y < normal.height(); ++y)
        for (int x = 0; x < normal.width(); ++x) {
            const QRgb px = normal.pixel(x, y);
            EXPECT_TRUE(qAlpha(px) == 0 || (qRed(px) == 0 && qGreen(px) == 0 && qBlue(px) == 0));
        }
    EXPECT_EQ(qAlpha(normal.pixel(1, 1)), 0) << "the top-left corner is empty";
    // The slash runs corner to corner; where it crosses the ribbon, a clear channel
    // runs beside it.
    EXPECT_GT(qAlpha(paused.pixel(18, 18)), 200) << "the slash itself";
    int cleared = 0;
    for (int y = 0; y < 36; ++y)
        for (int x = 0; x < 36; ++x)
            if (qAlpha(normal.pixel(x, y)) > 128 && qAlpha(paused.pixel(x, y)) < 64)
                ++cleared;
    EXPECT_GE(cleared, 4) << "ribbon pixels cleared beside the slash";
}
