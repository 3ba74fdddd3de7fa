#pragma once

// A view test run twice, light (false) and dark (true), on a fake desktop
// appearance and the software renderer, so its pictures are stable.
#include "support/FakeDesktopAppearance.h"
#include "support/Pixels.h"
#include "support/ViewHarness.h"
#include "ui/design/DSPalette.h"
#include "ui/design/DesignSystem.h"

#include <QImage>
#include <QQuickItem>
#include <QString>
#include <QTest>
#include <QVariantMap>
#include <gtest/gtest.h>

namespace brisklet::test {

class LightDarkViewTest : public ::testing::TestWithParam<bool> {
protected:
    // `reduceMotion`: demos stand still and changes land at once.
    explicit LightDarkViewTest(bool reduceMotion = true) : reduceMotion_(reduceMotion) {}

    static void SetUpTestSuite() { ViewHarness::useSoftwareRenderer(); }
    void SetUp() override {
        DesignSystem::instance().setDesktop(&appearance);
        appearance.set(GetParam(), reduceMotion_);
    }
    void TearDown() override { DesignSystem::instance().setDesktop(nullptr); }

    DSPalette* palette() const { return DesignSystem::instance().palette(GetParam()); }
    // What a picture's name ends in.
    QString suffix() const { return GetParam() ? QStringLiteral("-dark") : QStringLiteral("-light"); }
    QColor canvas() const { return palette()->canvas; }

    // Loads the module's file `view` into `h`, renders it once it settled and saves the
    // picture as `name` plus the suffix, laid over `backdrop`; null when it won't load.
    QImage loadAndShoot(ViewHarness& h, const QString& view, const QVariantMap& properties,
                        const QString& name, const QColor& backdrop) {
        const bool loaded = h.loadView(view, properties);
        EXPECT_TRUE(loaded) << h.errors().toStdString();
        if (!loaded)
            return {};
        QTest::qWait(20);
        QImage image = h.render();
        ViewHarness::save(image, name + suffix(), backdrop);
        return image;
    }

    // A text item under `under`: shown, saying something, legible on the canvas.
    void legible(ViewHarness& h, const QImage& image, QQuickItem* under, const QString& objectName,
                 double least = 4.5) {
        ASSERT_TRUE(under) << objectName.toStdString();
        QQuickItem* item = ViewHarness::find(under, objectName);
        ASSERT_TRUE(item) << objectName.toStdString();
        EXPECT_TRUE(item->isVisible()) << objectName.toStdString();
        EXPECT_FALSE(item->property("text").toString().isEmpty()) << objectName.toStdString();
        const QColor ink = item->property("color").value<QColor>();
        EXPECT_GE(Pixels::textContrast(image, h.boxOf(item), canvas(), ink), least)
            << objectName.toStdString();
    }

    FakeDesktopAppearance appearance;

private:
    bool reduceMotion_;
};

} // namespace brisklet::test
