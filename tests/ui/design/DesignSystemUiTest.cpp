// The design system as views see it: the palettes from their one table, the
// appearance chosen over the desktop's, a window's own forced appearance, the
// fonts, the symbol table against the icon font and the springs.
#include "ui/design/DesignSystem.h"

#include "base/Prefs.h"
#include "support/FakeDesktopAppearance.h"
#include "support/ViewHarness.h"
#include "ui/design/Symbols.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QRawFont>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

class DesignSystemUiTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ViewHarness::useSoftwareRenderer(); }
    void SetUp() override {
        Prefs::remove(QLatin1String(Prefs::Key::appearance));
        ds.reloadAppearance();
        ds.setDesktop(&desktop);
    }
    void TearDown() override {
        ds.setDesktop(nullptr);
        Prefs::remove(QLatin1String(Prefs::Key::appearance));
        ds.reloadAppearance();
    }

    DesignSystem& ds = DesignSystem::instance();
    FakeDesktopAppearance desktop;
};

QColor rgba(quint32 rgb, double alpha) {
    QColor c(QRgb(rgb | 0xFF000000u));
    c.setAlphaF(float(alpha));
    return c;
}

} // namespace

TEST_F(DesignSystemUiTest, PalettesHoldTheTokensOfBothAppearances) {
    DSPalette* light = ds.light();
    DSPalette* dark = ds.dark();
    EXPECT_EQ(light->property("canvas").value<QColor>(), rgba(0xF7F4EF, 1));
    EXPECT_EQ(dark->property("canvas").value<QColor>(), rgba(0x171412, 1));
    EXPECT_EQ(light->property("hairline").value<QColor>(), rgba(0x000000, 0.09));
    EXPECT_EQ(dark->property("hairline").value<QColor>(), rgba(0xFFFFFF, 0.10));
    EXPECT_EQ(dark->property("hairlineStrong").value<QColor>(), rgba(0xFFFFFF, 0.18));
    EXPECT_EQ(light->property("emberWash").value<QColor>(), rgba(0xE89B1C, 0.13));
    EXPECT_EQ(dark->property("emberWash").value<QColor>(), rgba(0xF5A623, 0.16));
    EXPECT_EQ(dark->property("success").value<QColor>(), rgba(0x7BC47F, 1));
    // Tokens that share values by design.
    EXPECT_EQ(light->action, light->ink);
    EXPECT_EQ(dark->action, dark->ink);
    EXPECT_EQ(dark->inkQuaternary, light->inkSecondary);
    EXPECT_EQ(light->onAction, light->canvas);
    // Every table row reaches a property of the same name with the same colour.
    for (const auto& e : DSPalette::table()) {
        EXPECT_EQ(light->property(e.name).value<QColor>(), light->*e.member) << e.name;
        EXPECT_EQ(dark->property(e.name).value<QColor>(), rgba(e.dark, e.darkAlpha)) << e.name;
    }
    EXPECT_EQ(DSPalette::table().size(), 17u + 4u);
}

TEST_F(DesignSystemUiTest, BrandAliasesAreTheirTokens) {
    for (DSPalette* p : {ds.light(), ds.dark()}) {
        EXPECT_EQ(p->property("briskletCream").value<QColor>(), p->canvas);
        EXPECT_EQ(p->property("briskletInk").value<QColor>(), p->ink);
        EXPECT_EQ(p->property("briskletSubtle").value<QColor>(), p->inkSecondary);
        EXPECT_EQ(p->property("briskletHairline").value<QColor>(), p->hairline);
        EXPECT_EQ(p->property("briskletAmber").value<QColor>(), p->ember);
    }
}

TEST_F(DesignSystemUiTest, TheChoiceOverridesTheDesktopAndOtherTextMeansSystem) {
    EXPECT_EQ(appAppearanceFrom(QStringLiteral("Dark")), std::nullopt);
    EXPECT_EQ(appAppearanceFrom(QString()), std::nullopt);
    EXPECT_EQ(appAppearanceFrom(QStringLiteral("dark")), AppAppearance::dark);

    EXPECT_EQ(ds.appearance(), "system");
    EXPECT_FALSE(ds.isDark());
    desktop.set(true, false);
    EXPECT_TRUE(ds.systemDark());
    EXPECT_TRUE(ds.isDark()) << "system follows the desktop live";

    ds.setAppearance(QStringLiteral("light"));
    EXPECT_FALSE(ds.isDark());
    EXPECT_EQ(Prefs::stringValue(QLatin1String(Prefs::Key::appearance)), "light");
    ds.setAppearance(QStringLiteral("Dark"));
    EXPECT_EQ(ds.appearance(), "system");
    EXPECT_TRUE(ds.isDark());

    Prefs::setValue(QLatin1String(Prefs::Key::appearance), QStringLiteral("nonsense"));
    ds.reloadAppearance();
    EXPECT_EQ(ds.appearance(), "system");
    Prefs::setValue(QLatin1String(Prefs::Key::appearance), QStringLiteral("light"));
    ds.reloadAppearance();
    EXPECT_FALSE(ds.isDark());
}

TEST_F(DesignSystemUiTest, ReduceMotionFollowsTheDesktopLive) {
    int changes = 0;
    QObject::connect(&ds, &DesignSystem::reduceMotionChanged, [&] { ++changes; });
    desktop.set(false, true);
    EXPECT_TRUE(ds.reduceMotion());
    desktop.set(false, false);
    EXPECT_FALSE(ds.reduceMotion());
    EXPECT_EQ(changes, 2);
    ds.setDesktop(nullptr);
    EXPECT_EQ(desktop.handlerCount(), 0u) << "no handler left behind";
}

TEST_F(DesignSystemUiTest, AForcedDarkWindowShowsDarkTokensWhileTheAppIsLight) {
    const QByteArray qml = "import QtQuick\nimport Brisklet\nRectangle { width: 10; height: 10; color: "
                           "DS.paletteFor(Window.window, DS.isDark).ink }";
    ViewHarness forced(true);
    ViewHarness plain;
    ASSERT_TRUE(forced.loadText(qml));
    ASSERT_TRUE(plain.loadText(qml));
    ASSERT_FALSE(forced.render().isNull());
    ASSERT_FALSE(plain.render().isNull());
    EXPECT_EQ(forced.root()->property("color").value<QColor>(), ds.dark()->ink);
    EXPECT_EQ(plain.root()->property("color").value<QColor>(), ds.light()->ink);

    desktop.set(true, false);
    EXPECT_EQ(plain.root()->property("color").value<QColor>(), ds.dark()->ink) << "bindings follow";
    ds.setAppearance(QStringLiteral("light"));
    EXPECT_EQ(plain.root()->property("color").value<QColor>(), ds.light()->ink);
    EXPECT_EQ(forced.root()->property("color").value<QColor>(), ds.dark()->ink);
}

TEST_F(DesignSystemUiTest, FontsComeFromTheFamiliesTheAppShipsWith) {
    DSText* text = ds.text();
    EXPECT_EQ(QFontInfo(text->body).family(), "Inter");
    EXPECT_EQ(QFontInfo(text->display).family(), "Vollkorn");
    EXPECT_EQ(QFontInfo(text->hud).family(), "Quicksand");
    EXPECT_EQ(QFontInfo(text->mono).family(), "JetBrains Mono");
    EXPECT_EQ(text->body.pixelSize(), 13);
    EXPECT_EQ(text->display.weight(), QFont::DemiBold);
    EXPECT_EQ(text->hud.weight(), QFont::Bold) << "Quicksand has no semibold";
    // 11.5 logical pixels asked for; never drawn at 11.
    EXPECT_NEAR(text->phrase.pointSizeF() * 96 / 72, 11.5, 1e-9);
    const QString sample = QStringLiteral("put the editor on the left");
    const auto width = [&](const QFont& f) { return QFontMetricsF(f).horizontalAdvance(sample); };
    EXPECT_GT(width(text->phrase), width(DSText::font(11, DSText::medium, DSText::Design::rounded)));
}

TEST_F(DesignSystemUiTest, EverySymbolTheViewsNameIsAGlyphOfTheIconFont) {
    QFont iconFont(QLatin1String(Symbols::fontFamily));
    iconFont.setPixelSize(16);
    ASSERT_EQ(QFontInfo(iconFont).family(), Symbols::fontFamily);
    const QRawFont raw = QRawFont::fromFont(iconFont);
    ASSERT_TRUE(raw.isValid());
    for (const QString& name : Symbols::names())
        EXPECT_TRUE(raw.supportsCharacter(uint(Symbols::codePoint(name)))) << name.toStdString();
    EXPECT_EQ(Symbols::glyph(QStringLiteral("no.such.symbol")),
              Symbols::glyph(QStringLiteral("questionmark.circle")));

    // The names the views use: symbol: "…", name: "…" and DS.symbol("…").
    const QRegularExpression used(
        QStringLiteral(R"re((?:symbol:\s*|name:\s*|DS\.symbol\()"([a-z0-9.]+)")re"));
    QDirIterator files(QStringLiteral(BRISKLET_TEST_SOURCE_DIR "/../src"), {"*.qml", "*.cpp"}, QDir::Files,
                       QDirIterator::Subdirectories);
    int found = 0;
    while (files.hasNext()) {
        QFile f(files.next());
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        auto matches = used.globalMatch(QString::fromUtf8(f.readAll()));
        while (matches.hasNext()) {
            const QString name = matches.next().captured(1);
            ++found;
            EXPECT_NE(Symbols::codePoint(name), 0u)
                << name.toStdString() << " in " << f.fileName().toStdString();
        }
    }
    EXPECT_GE(found, 3);
}

TEST_F(DesignSystemUiTest, SpringsSettleOnTheirTargetInTheirTime) {
    DSMotion* motion = ds.motion();
    EXPECT_EQ(motion->hudSpringDuration, 440);
    EXPECT_EQ(motion->waveSpringDuration, 251);
    EXPECT_DOUBLE_EQ(motion->hudSpring.valueForProgress(0), 0);
    EXPECT_DOUBLE_EQ(motion->hudSpring.valueForProgress(1), 1);
    EXPECT_NEAR(motion->hudSpring.valueForProgress(0.95), 1, 0.01);
    qreal peak = 0;
    for (int i = 0; i <= 100; ++i)
        peak = std::max(peak, motion->waveSpring.valueForProgress(i / 100.0));
    EXPECT_GT(peak, 1.0) << "an underdamped spring overshoots a little";
    EXPECT_LT(peak, 1.1);
    EXPECT_EQ(motion->quick, 100);
    EXPECT_EQ(motion->deliberate, 250);
}
