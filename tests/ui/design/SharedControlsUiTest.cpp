// The shared controls, each rendered offscreen in light and dark: drawn, corners
// left clear where the shape is round, text legible on the canvas it sits on, and
// the behaviour callers rely on.
#include "ui/design/DesignSystem.h"

#include "support/FakeDesktopAppearance.h"
#include "support/Pixels.h"
#include "support/ViewHarness.h"
#include "support/WaitFor.h"

#include <QQuickItem>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

using namespace brisklet;
using namespace brisklet::test;

namespace {

struct Control {
    const char* name;
    const char* qml;
    bool roundCorners;
    const char* textItem; // objectName of the text whose contrast counts; "" for none
};

const Control controls[] = {
    {"DSCard",
     "DSCard { id: card; width: 200; Text { text: 'Inside a card'; font: DS.text.body; color: card.c.ink } }",
     true, ""},
    {"DSPrimaryButton", "DSPrimaryButton { text: 'Run setup' }", true, "label"},
    {"DSSecondaryButton", "DSSecondaryButton { text: 'Cancel' }", true, "label"},
    {"DSPlainButton", "DSPlainButton { text: 'Not now' }", false, "label"},
    {"PhraseChip", "PhraseChip { phrase: 'open Firefox' }", true, "label"},
    {"PhraseChipProminent", "PhraseChip { phrase: 'left half'; prominent: true }", true, "label"},
    {"DSSectionHeader", "DSSectionHeader { title: 'Recent setups' }", false, ""},
    {"StatTile", "StatTile { width: 160; value: '42'; label: 'commands run'; detail: 'this week' }", true,
     "label"},
    {"DSCheckboxOff", "DSCheckbox { text: 'Play sounds'; font: DS.text.body }", false, "label"},
    {"DSCheckboxOn", "DSCheckbox { text: 'Play sounds'; font: DS.text.body; checked: true }", false, "label"},
    {"DSSegmented",
     "DSSegmented { options: [{value: 'system', label: 'System'}, {value: 'light', label: 'Light'},"
     " {value: 'dark', label: 'Dark'}]; selection: 'light' }",
     true, ""},
    {"BriskMark", "BriskMark { size: 56; level: 0.5 }", true, ""},
    {"BriskMarkFlat", "BriskMark { size: 56; flat: true; flatColor: c.ink }", true, ""},
};

class SharedControlsUiTest : public ::testing::TestWithParam<bool> {
protected:
    static void SetUpTestSuite() { ViewHarness::useSoftwareRenderer(); }
    void SetUp() override {
        DesignSystem::instance().setDesktop(&desktop);
        desktop.set(GetParam(), false);
    }
    void TearDown() override { DesignSystem::instance().setDesktop(nullptr); }

    bool load(ViewHarness& h, const QByteArray& body) {
        return h.loadText("import QtQuick\nimport Brisklet\n" + body);
    }
    QColor canvas() const { return DesignSystem::instance().palette(GetParam())->canvas; }
    QString suffix() const { return GetParam() ? QStringLiteral("-dark") : QStringLiteral("-light"); }

    FakeDesktopAppearance desktop;
};

} // namespace

TEST_P(SharedControlsUiTest, EachControlRendersLegiblyInItsAppearance) {
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        ViewHarness h;
        ASSERT_TRUE(load(h, c.qml));
        const QImage image = h.render();
        ViewHarness::save(image, QLatin1String(c.name) + suffix(), canvas());
        ASSERT_FALSE(image.isNull());
        EXPECT_TRUE(Pixels::nonBlank(image));
        if (c.roundCorners) {
            EXPECT_TRUE(Pixels::cornersTransparent(image, 1));
        }
        if (*c.textItem) {
            QQuickItem* text = h.find(QLatin1String(c.textItem));
            ASSERT_NE(text, nullptr);
            const QColor ink = text->property("color").value<QColor>();
            EXPECT_GE(Pixels::textContrast(image, h.boxOf(text), canvas(), ink), 4.5);
        }
    }
}

TEST_P(SharedControlsUiTest, ASegmentedControlReportsPressesAndShowsOnlyItsOwnersValue) {
    ViewHarness h;
    ASSERT_TRUE(load(h,
                     "Item { width: 200; height: 40; property var chosen: 'three'; property var pressed: []\n"
                     " DSSegmented { objectName: 'control'; selection: parent.chosen;"
                     " options: [{value: 1, label: 'One'}, {value: 2, label: 'Two'}];"
                     " onActivated: value => parent.pressed = parent.pressed.concat([value]) } }"));
    ASSERT_FALSE(h.render().isNull());
    QQuickItem* one = h.find(QStringLiteral("segment0"));
    QQuickItem* two = h.find(QStringLiteral("segment1"));
    ASSERT_NE(one, nullptr);
    ASSERT_NE(two, nullptr);
    EXPECT_FALSE(one->property("selected").toBool()) << "a foreign value selects nothing";
    EXPECT_FALSE(two->property("selected").toBool());
    QMetaObject::invokeMethod(two, "clicked");
    QMetaObject::invokeMethod(two, "clicked");
    EXPECT_EQ(h.root()->property("pressed").toList(), QVariantList({2, 2}))
        << "every press, the same one too";
    EXPECT_FALSE(two->property("selected").toBool()) << "the owner decides";
    // The owner's value still reaches the control after presses; values compare as text.
    h.root()->setProperty("chosen", QStringLiteral("1"));
    EXPECT_TRUE(one->property("selected").toBool());
    h.root()->setProperty("chosen", 2);
    EXPECT_TRUE(two->property("selected").toBool());
    EXPECT_FALSE(one->property("selected").toBool());
}

TEST_P(SharedControlsUiTest, TheMarksStarGoesAtOnceAndPopsInUnlessMotionIsReduced) {
    const auto star = [](QQuickItem* mark) {
        return std::pair{mark->property("starOpacity").toReal(), mark->property("popScale").toReal()};
    };
    for (const bool reduce : {false, true}) {
        SCOPED_TRACE(reduce ? "reduced motion" : "full motion");
        desktop.set(GetParam(), reduce);
        ViewHarness drawOn;
        ASSERT_TRUE(load(drawOn, "BriskMark { size: 56; drawOn: true }"));
        QQuickItem* mark = drawOn.root();
        if (reduce) {
            EXPECT_EQ(star(mark), std::pair(1.0, 1.0)) << "complete at once";
            EXPECT_DOUBLE_EQ(mark->property("progress").toReal(), 1.0);
        } else {
            EXPECT_EQ(star(mark), std::pair(0.0, 0.4)) << "hidden at once, not fading";
            // Nothing of the star in the picture: only the ribbon's first sliver and its start.
            const QImage early = drawOn.render();
            int inked = 0;
            for (int y = 0; y < 28; ++y)
                for (int x = 28; x < 56; ++x)
                    inked += qAlpha(early.pixel(x, y)) > 30;
            EXPECT_EQ(inked, 0) << "the star's corner of the mark is empty";
        }
        ASSERT_TRUE(waitFor([&] { return star(mark) == std::pair(1.0, 1.0); }))
            << "the star at " << star(mark).first << " opacity, " << star(mark).second << " scale";
        ViewHarness::save(drawOn.render(),
                          QStringLiteral("BriskMark-drawn") + suffix() + (reduce ? "-reduced" : ""),
                          canvas());

        ViewHarness flourish;
        ASSERT_TRUE(load(flourish, "BriskMark { size: 56; flourish: true }"));
        mark = flourish.root();
        // Before any frame: where the pop starts from.
        const qreal popFrom = star(mark).second;
        ASSERT_TRUE(waitFor([&] { return star(mark) == std::pair(1.0, 1.0); }))
            << "the star at " << star(mark).first << " opacity, " << star(mark).second << " scale";
        if (reduce) {
            EXPECT_DOUBLE_EQ(popFrom, 1.0) << "no pop";
            EXPECT_FALSE(flourish.find(QStringLiteral("sparks"))->property("active").toBool()) << "no sparks";
        } else {
            EXPECT_DOUBLE_EQ(popFrom, 0.4) << "the star pops in from 0.4";
            EXPECT_TRUE(flourish.find(QStringLiteral("sparks"))->property("active").toBool());
        }
        EXPECT_EQ(star(mark), std::pair(1.0, 1.0));
        EXPECT_DOUBLE_EQ(mark->property("castAngle").toReal(), 0.0);
    }
}

TEST_P(SharedControlsUiTest, ALongPhraseStaysOnOneLineWithItsQuotes) {
    ViewHarness h;
    ASSERT_TRUE(load(
        h, "PhraseChip { width: 120; phrase: 'put the editor on the left and the browser on the right' }"));
    const QImage image = h.render();
    ViewHarness::save(image, QStringLiteral("PhraseChipLong") + suffix(), canvas());
    QQuickItem* label = h.find(QStringLiteral("label"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->property("lineCount").toInt(), 1);
    EXPECT_TRUE(h.root()->property("shortened").toBool());
    EXPECT_TRUE(label->property("text").toString().startsWith(QChar(0x201C)));
    EXPECT_TRUE(label->property("text").toString().endsWith(QChar(0x201D)));
}

TEST_P(SharedControlsUiTest, APhraseChipIsPaddedEquallyOnBothSidesOfItsQuotedPhrase) {
    int shot = 0;
    for (const char* qml :
         {"PhraseChip { phrase: 'open Firefox' }", "PhraseChip { phrase: 'left half'; prominent: true }",
          "PhraseChip { phrase: 'everyday copy' }", "PhraseChip { phrase: 'w' }"}) {
        SCOPED_TRACE(qml);
        ViewHarness h;
        ASSERT_TRUE(load(h, qml));
        const QImage image = h.render();
        ViewHarness::save(image, QStringLiteral("PhraseChip-padding%1").arg(++shot) + suffix(), canvas());
        ASSERT_FALSE(image.isNull());
        QQuickItem* label = h.find(QStringLiteral("label"));
        ASSERT_NE(label, nullptr);
        EXPECT_NEAR(h.root()->width(), label->implicitWidth() + 16, 1)
            << "8 px each side of the quoted phrase";

        // The ink of the text inside the capsule, along the rows the text is drawn in.
        const QRect capsule = h.boxOf(h.root());
        const QRect rows = h.boxOf(label);
        const QColor fill = Pixels::over(h.root()->property("color").value<QColor>().rgba(), canvas());
        int inkLeft = capsule.right(), inkRight = capsule.left();
        for (int y = rows.top(); y <= rows.bottom(); ++y) {
            for (int x = capsule.left(); x <= capsule.right(); ++x) {
                const QColor seen = Pixels::over(image.pixel(x, y), canvas());
                const int apart =
                    std::max({std::abs(seen.red() - fill.red()), std::abs(seen.green() - fill.green()),
                              std::abs(seen.blue() - fill.blue())});
                if (apart > 40) {
                    inkLeft = std::min(inkLeft, x);
                    inkRight = std::max(inkRight, x);
                }
            }
        }
        ASSERT_LT(inkLeft, inkRight) << "the phrase is drawn";
        const int left = inkLeft - capsule.left();
        const int right = capsule.right() - inkRight;
        EXPECT_NEAR(left, right, 1) << "left " << left << ", right " << right;
        EXPECT_NEAR(left, 8, 2);
    }
}

TEST_P(SharedControlsUiTest, ACheckboxsMarkIsAsBigAsANinePointBoldGlyph) {
    // The box of the pixels at least half inked with the mark's colour over the fill.
    const auto inkOf = [](const QImage& image, const QRect& box, const QColor& mark, const QColor& fill) {
        const auto apart = [](const QColor& a, const QColor& b) {
            return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) +
                   std::abs(a.blue() - b.blue());
        };
        QRect ink;
        for (int y = box.top(); y <= box.bottom(); ++y)
            for (int x = box.left(); x <= box.right(); ++x) {
                const QColor seen(image.pixel(x, y));
                if (apart(seen, mark) < apart(seen, fill))
                    ink |= QRect(x, y, 1, 1);
            }
        return ink;
    };
    ViewHarness h;
    ASSERT_TRUE(load(h, "DSCheckbox { text: 'Play sounds'; font: DS.text.body; checked: true }"));
    const QImage image = h.render();
    ViewHarness::save(image, QStringLiteral("DSCheckbox-mark") + suffix(), canvas());
    QQuickItem* check = h.find(QStringLiteral("check"));
    QQuickItem* box = h.find(QStringLiteral("box"));
    ASSERT_TRUE(check && box);
    EXPECT_TRUE(check->isVisible());
    const QFont font = check->property("font").value<QFont>();
    EXPECT_EQ(font.pixelSize(), 9);
    EXPECT_EQ(font.weight(), QFont::Bold);
    const QColor mark = check->property("color").value<QColor>();
    const QColor fill = box->property("color").value<QColor>();
    EXPECT_GE(Pixels::contrast(mark, fill), 3.0);
    const QRect drawn = inkOf(image, h.boxOf(box).adjusted(1, 1, -1, -1), mark, fill);
    ASSERT_FALSE(drawn.isEmpty()) << "the mark is drawn";

    // The same glyph set at 9 points bold, in the same colours.
    ViewHarness glyph;
    ASSERT_TRUE(load(glyph, QStringLiteral("Rectangle { width: 15; height: 15; color: '%1'\n"
                                           " Text { anchors.centerIn: parent; text: DS.symbol('checkmark');"
                                           " color: '%2'; font.family: DS.symbolFamily; font.pixelSize: 9;"
                                           " font.weight: Font.Bold } }")
                                .arg(fill.name(), mark.name())
                                .toUtf8()));
    const QImage reference = glyph.render();
    ViewHarness::save(reference, QStringLiteral("DSCheckbox-mark-reference") + suffix(), canvas());
    const QRect nine = inkOf(reference, reference.rect(), mark, fill);
    ASSERT_FALSE(nine.isEmpty());
    // Drawn by the same renderer from the same font, equal glyphs ink the same pixels.
    EXPECT_EQ(drawn.size(), nine.size()) << "drawn " << drawn.width() << "×" << drawn.height()
                                         << ", a 9-point glyph " << nine.width() << "×" << nine.height();
}

TEST_P(SharedControlsUiTest, AStatTileKeepsAnEmptyDetailLineButNotAMissingOne) {
    ViewHarness with;
    ViewHarness without;
    ASSERT_TRUE(load(with, "StatTile { width: 160; value: '3'; label: 'setups'; detail: '' }"));
    ASSERT_TRUE(load(without, "StatTile { width: 160; value: '3'; label: 'setups' }"));
    ASSERT_FALSE(with.render().isNull());
    ASSERT_FALSE(without.render().isNull());
    EXPECT_TRUE(with.find(QStringLiteral("detail"))->isVisible());
    EXPECT_FALSE(without.find(QStringLiteral("detail"))->isVisible());
    EXPECT_GE(with.root()->implicitHeight() - without.root()->implicitHeight(), 4)
        << "the line and the spacing before it";
}

TEST_P(SharedControlsUiTest, AStatTilesFiguresKeepTheirWidthWhateverTheDigits) {
    ViewHarness ones;
    ViewHarness eights;
    ASSERT_TRUE(load(ones, "StatTile { width: 160; value: '111'; label: 'runs' }"));
    ASSERT_TRUE(load(eights, "StatTile { width: 160; value: '888'; label: 'runs' }"));
    ASSERT_FALSE(ones.render().isNull());
    ASSERT_FALSE(eights.render().isNull());
    const qreal narrow = ones.find(QStringLiteral("value"))->width();
    EXPECT_GT(narrow, 0);
    EXPECT_DOUBLE_EQ(narrow, eights.find(QStringLiteral("value"))->width());
}

TEST_P(SharedControlsUiTest, AFiguresDigitsStandOnTheLineAtCapitalHeightAndZeroIsNoO) {
    // The inked box of one character as a figure draws it.
    const auto ink = [&](const char* character) {
        ViewHarness h;
        const QByteArray qml =
            QByteArray("NumeralText { text: '") + character + "'; font: DS.text.numeral; color: 'black' }";
        EXPECT_TRUE(load(h, qml));
        const QImage image = h.render();
        ViewHarness::save(image, QStringLiteral("Numeral-") + QLatin1String(character) + suffix(), canvas());
        QRect box;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) > 100)
                    box |= QRect(x, y, 1, 1);
        return box;
    };
    const QRect capital = ink("H");
    const QRect o = ink("O");
    ASSERT_FALSE(capital.isEmpty());
    for (const char* digit : {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}) {
        SCOPED_TRACE(digit);
        const QRect box = ink(digit);
        EXPECT_NEAR(box.top(), capital.top(), 2) << "as tall as a capital";
        EXPECT_NEAR(box.bottom(), capital.bottom(), 2) << "on the line, no descender";
    }
    EXPECT_LT(ink("0").width(), o.width() - 2) << "a zero narrower than the letter O";
    ViewHarness tile;
    ASSERT_TRUE(load(tile, "StatTile { width: 160; value: '0'; label: 'commands run' }"));
    ViewHarness::save(tile.render(), QStringLiteral("StatTile-zero") + suffix(), canvas());
}

TEST_P(SharedControlsUiTest, AHeaderIsInCapitalsWithSpacedLetters) {
    ViewHarness h;
    ASSERT_TRUE(load(h, "DSSectionHeader { title: 'Recent Setups of Max' }"));
    EXPECT_EQ(h.root()->property("text").toString(), "RECENT SETUPS OF MAX");
    EXPECT_NEAR(h.root()->property("font").value<QFont>().letterSpacing(), 0.8, 0.01);
}

TEST_P(SharedControlsUiTest, UnderReduceMotionAPressedButtonStillShrinksAtOnce) {
    desktop.set(GetParam(), true);
    ViewHarness h;
    ASSERT_TRUE(load(h, "DSPrimaryButton { text: 'Run' }"));
    ASSERT_FALSE(h.render().isNull());
    QQuickItem* button = h.root();
    const QPoint centre(int(button->width() / 2), int(button->height() / 2));
    QTest::mousePress(&h.view(), Qt::LeftButton, {}, centre);
    EXPECT_DOUBLE_EQ(button->scale(), 0.97) << "no animation to wait for";
    QTest::mouseRelease(&h.view(), Qt::LeftButton, {}, centre);
    EXPECT_DOUBLE_EQ(button->scale(), 1.0);
}

TEST_P(SharedControlsUiTest, ClickingACheckboxsLabelFlipsIt) {
    ViewHarness h;
    ASSERT_TRUE(load(h, "DSCheckbox { text: 'Play sounds and chimes'; font: DS.text.body }"));
    ASSERT_FALSE(h.render().isNull());
    QQuickItem* label = h.find(QStringLiteral("label"));
    ASSERT_NE(label, nullptr);
    const QPoint onLabel = h.boxOf(label).center();
    QTest::mouseClick(&h.view(), Qt::LeftButton, {}, onLabel);
    EXPECT_TRUE(h.root()->property("checked").toBool());
    EXPECT_TRUE(h.find(QStringLiteral("check"))->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Appearance, SharedControlsUiTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Dark" : "Light"; });
