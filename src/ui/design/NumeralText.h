#pragma once

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QQuickPaintedItem>
#include <QRawFont>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <array>

namespace brisklet {

// A figure drawn with lining digits, each in a cell as wide as the widest digit,
// so figures keep their width as they change. The serif face draws old-style
// digits by default ("0" as a small "o", "1" as a small capital "I"), and Qt 6.4
// offers no way to ask a face for its lining set, so the digits' glyphs are
// picked here by name from the face itself. Other characters keep their own.
class NumeralText : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString text READ text WRITE setText NOTIFY textChanged)
    Q_PROPERTY(QFont font READ font WRITE setFont NOTIFY fontChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
public:
    explicit NumeralText(QQuickItem* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    QFont font() const { return font_; }
    void setFont(const QFont& font);
    QColor color() const { return color_; }
    void setColor(const QColor& color);

    void paint(QPainter* painter) override;

signals:
    void textChanged();
    void fontChanged();
    void colorChanged();

private:
    void readFont();
    void layOut();

    QString text_;
    QFont font_;
    QColor color_ = Qt::black;
    // What the face gives every figure, read once per font: its glyph-name table
    // is large and a figure may change many times a second.
    QRawFont raw_;
    std::array<quint32, 10> digits_{};
    std::array<qreal, 10> digitAdvances_{};
    qreal cell_ = 0;
    QGlyphRun run_; // laid out here on the main thread: painting may run elsewhere
};

} // namespace brisklet
