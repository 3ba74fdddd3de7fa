#pragma once

#include <QColor>
#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// One appearance's colours: the design tokens, the brand aliases (copies of
// tokens, for the few views that name the brand) and a few colours the views use
// that are not tokens: labelPrimary/labelSecondary (text on the heads-up display),
// systemOrange and windowBackground. Built once per appearance from one table.
class DSPalette final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Palettes come from DS.")
    Q_PROPERTY(bool dark MEMBER dark CONSTANT)
    Q_PROPERTY(QColor canvas MEMBER canvas CONSTANT)
    Q_PROPERTY(QColor surface MEMBER surface CONSTANT)
    Q_PROPERTY(QColor surfaceRaised MEMBER surfaceRaised CONSTANT)
    Q_PROPERTY(QColor sidebar MEMBER sidebar CONSTANT)
    Q_PROPERTY(QColor well MEMBER well CONSTANT)
    Q_PROPERTY(QColor ink MEMBER ink CONSTANT)
    Q_PROPERTY(QColor inkSecondary MEMBER inkSecondary CONSTANT)
    Q_PROPERTY(QColor inkTertiary MEMBER inkTertiary CONSTANT)
    Q_PROPERTY(QColor inkQuaternary MEMBER inkQuaternary CONSTANT)
    Q_PROPERTY(QColor hairline MEMBER hairline CONSTANT)
    Q_PROPERTY(QColor hairlineStrong MEMBER hairlineStrong CONSTANT)
    Q_PROPERTY(QColor ember MEMBER ember CONSTANT)
    Q_PROPERTY(QColor emberText MEMBER emberText CONSTANT)
    Q_PROPERTY(QColor emberWash MEMBER emberWash CONSTANT)
    Q_PROPERTY(QColor action MEMBER action CONSTANT)
    Q_PROPERTY(QColor onAction MEMBER onAction CONSTANT)
    Q_PROPERTY(QColor success MEMBER success CONSTANT)
    Q_PROPERTY(QColor labelPrimary MEMBER labelPrimary CONSTANT)
    Q_PROPERTY(QColor labelSecondary MEMBER labelSecondary CONSTANT)
    Q_PROPERTY(QColor systemOrange MEMBER systemOrange CONSTANT)
    Q_PROPERTY(QColor windowBackground MEMBER windowBackground CONSTANT)
    Q_PROPERTY(QColor briskletCream MEMBER briskletCream CONSTANT)
    Q_PROPERTY(QColor briskletInk MEMBER briskletInk CONSTANT)
    Q_PROPERTY(QColor briskletSubtle MEMBER briskletSubtle CONSTANT)
    Q_PROPERTY(QColor briskletHairline MEMBER briskletHairline CONSTANT)
    Q_PROPERTY(QColor briskletAmber MEMBER briskletAmber CONSTANT)
public:
    explicit DSPalette(bool dark, QObject* parent = nullptr);

    // A colour of the table: 0xRRGGBB with an alpha, for each appearance.
    struct Entry {
        const char* name;
        QColor DSPalette::*member;
        quint32 light;
        double lightAlpha;
        quint32 dark;
        double darkAlpha;
    };
    static const std::vector<Entry>& table();

    const bool dark;
    QColor canvas, surface, surfaceRaised, sidebar, well;
    QColor ink, inkSecondary, inkTertiary, inkQuaternary;
    QColor hairline, hairlineStrong;
    QColor ember, emberText, emberWash;
    QColor action, onAction, success;
    QColor labelPrimary, labelSecondary, systemOrange, windowBackground;
    QColor briskletCream, briskletInk, briskletSubtle, briskletHairline, briskletAmber;
};

} // namespace brisklet
