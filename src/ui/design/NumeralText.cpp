#include "ui/design/NumeralText.h"

#include <QPainter>
#include <QtEndian>
#include <algorithm>
#include <optional>

namespace brisklet {

namespace {

const char* const digitNames[10] = {"zero", "one", "two",   "three", "four",
                                    "five", "six", "seven", "eight", "nine"};

// Glyph names from a face's 'post' table (format 2), index by glyph; empty when
// the face carries none. Every read is bounds-checked: the table comes from a file.
std::vector<QByteArray> glyphNames(const QByteArray& post) {
    const auto u16 = [&](qsizetype at) -> std::optional<quint16> {
        if (at < 0 || at + 2 > post.size())
            return std::nullopt;
        return qFromBigEndian<quint16>(post.constData() + at);
    };
    if (post.size() < 34 || qFromBigEndian<quint32>(post.constData()) != 0x00020000)
        return {};
    const quint16 count = *u16(32);
    const qsizetype stringsAt = 34 + 2 * qsizetype(count);
    if (stringsAt > post.size())
        return {};
    std::vector<QByteArray> strings;
    for (qsizetype at = stringsAt; at < post.size();) {
        const int length = quint8(post.at(at));
        if (at + 1 + length > post.size())
            break;
        strings.push_back(post.mid(at + 1, length));
        at += 1 + length;
    }
    std::vector<QByteArray> names(count);
    for (quint16 glyph = 0; glyph < count; ++glyph) {
        const quint16 index = *u16(34 + 2 * glyph);
        // The first 258 are the standard Macintosh names, which hold no variants.
        if (index >= 258 && size_t(index - 258) < strings.size())
            names[glyph] = strings[index - 258];
    }
    return names;
}

// The glyphs of the ten lining digits of `font` (tabular ones first), when the
// face names them; absent when it has none of its own.
std::optional<std::array<quint32, 10>> liningDigits(const QRawFont& font) {
    const std::vector<QByteArray> names = glyphNames(font.fontTable("post"));
    for (const char* suffix : {".tf", ".lf"}) {
        std::array<quint32, 10> glyphs{};
        int found = 0;
        for (int digit = 0; digit < 10; ++digit) {
            const QByteArray wanted = QByteArray(digitNames[digit]) + suffix;
            const auto it = std::find(names.begin(), names.end(), wanted);
            if (it == names.end())
                break;
            glyphs[size_t(digit)] = quint32(it - names.begin());
            ++found;
        }
        if (found == 10)
            return glyphs;
    }
    return std::nullopt;
}

} // namespace

NumeralText::NumeralText(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    readFont();
    layOut();
}

void NumeralText::setText(const QString& text) {
    if (text == text_)
        return;
    text_ = text;
    layOut();
    emit textChanged();
}

void NumeralText::setFont(const QFont& font) {
    if (font == font_)
        return;
    font_ = font;
    readFont();
    layOut();
    emit fontChanged();
}

void NumeralText::setColor(const QColor& color) {
    if (color == color_)
        return;
    color_ = color;
    update();
    emit colorChanged();
}

void NumeralText::readFont() {
    raw_ = QRawFont::fromFont(font_);
    if (!raw_.isValid())
        return;
    // A digit the face has no lining form of keeps its usual glyph.
    if (const auto lining = liningDigits(raw_)) {
        digits_ = *lining;
    } else {
        for (int digit = 0; digit < 10; ++digit)
            digits_[size_t(digit)] = raw_.glyphIndexesForString(QString::number(digit)).value(0);
    }
    const QList<QPointF> advances =
        raw_.advancesForGlyphIndexes(QList<quint32>(digits_.begin(), digits_.end()));
    cell_ = 0;
    for (int digit = 0; digit < 10; ++digit) {
        digitAdvances_[size_t(digit)] = advances.value(digit).x();
        cell_ = std::max(cell_, digitAdvances_[size_t(digit)]);
    }
}

void NumeralText::layOut() {
    run_ = QGlyphRun();
    if (!raw_.isValid()) {
        setImplicitSize(0, 0);
        update();
        return;
    }
    QList<quint32> glyphs = raw_.glyphIndexesForString(text_);
    // One glyph per character: the text of a figure holds no combining marks.
    const bool oneToOne = glyphs.size() == text_.size();
    QList<QPointF> positions;
    qreal x = 0;
    for (qsizetype i = 0; i < glyphs.size(); ++i) {
        const QChar ch = oneToOne ? text_.at(i) : QChar();
        if (ch >= u'0' && ch <= u'9') {
            const int digit = ch.unicode() - u'0';
            glyphs[i] = digits_[size_t(digit)];
            positions << QPointF(x + (cell_ - digitAdvances_[size_t(digit)]) / 2, raw_.ascent());
            x += cell_;
        } else {
            positions << QPointF(x, raw_.ascent());
            x += raw_.advancesForGlyphIndexes(QList<quint32>{glyphs[i]}).value(0).x();
        }
    }
    run_.setRawFont(raw_);
    run_.setGlyphIndexes(glyphs);
    run_.setPositions(positions);
    setImplicitSize(x, raw_.ascent() + raw_.descent());
    update();
}

void NumeralText::paint(QPainter* painter) {
    if (run_.glyphIndexes().isEmpty())
        return;
    painter->setPen(color_);
    painter->drawGlyphRun(QPointF(0, 0), run_);
}

} // namespace brisklet
