#pragma once

#include <QFont>
#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// The fonts of the interface: four designs on the families the app ships with,
// and the named text styles built from them once.
// Not final: Qt 6.4 registers a QML type by deriving from it.
class DSText : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Text styles come from DS.")
    Q_PROPERTY(QFont display MEMBER display CONSTANT)
    Q_PROPERTY(QFont numeral MEMBER numeral CONSTANT)
    Q_PROPERTY(QFont title MEMBER title CONSTANT)
    Q_PROPERTY(QFont overline MEMBER overline CONSTANT)
    Q_PROPERTY(QFont headline MEMBER headline CONSTANT)
    Q_PROPERTY(QFont body MEMBER body CONSTANT)
    Q_PROPERTY(QFont bodyMedium MEMBER bodyMedium CONSTANT)
    Q_PROPERTY(QFont callout MEMBER callout CONSTANT)
    Q_PROPERTY(QFont caption MEMBER caption CONSTANT)
    Q_PROPERTY(QFont captionMedium MEMBER captionMedium CONSTANT)
    Q_PROPERTY(QFont phrase MEMBER phrase CONSTANT)
    Q_PROPERTY(QFont hud MEMBER hud CONSTANT)
    Q_PROPERTY(QFont hudSecondary MEMBER hudSecondary CONSTANT)
    Q_PROPERTY(QFont mono MEMBER mono CONSTANT)
public:
    enum class Design { standard, serif, rounded, monospaced };
    static constexpr int regular = 400;
    static constexpr int medium = 500;
    static constexpr int semibold = 600;
    static constexpr int bold = 700;

    explicit DSText(QObject* parent = nullptr);

    // The installed family for a design, else a DejaVu face; chosen once per process.
    static QString family(Design design);
    // A font of `size` logical pixels (11.5 stays 11.5) in the given weight and design.
    static QFont font(qreal size, int weight, Design design);

    QFont display, numeral, title, overline, headline, body, bodyMedium, callout, caption, captionMedium,
        phrase, hud, hudSecondary, mono;
};

} // namespace brisklet
