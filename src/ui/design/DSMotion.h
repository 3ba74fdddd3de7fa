#pragma once

#include <QEasingCurve>
#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace brisklet {

// The animations of the interface: four ease-out durations (ms) and two springs,
// each a custom easing curve with the duration it needs to settle. The tokens
// never look at Reduce Motion; the views that animate do (DS.reduceMotion).
// Not final: Qt 6.4 registers a QML type by deriving from it.
class DSMotion : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("Motion comes from DS.")
    Q_PROPERTY(int quick MEMBER quick CONSTANT)
    Q_PROPERTY(int standard MEMBER standard CONSTANT)
    Q_PROPERTY(int entrance MEMBER entrance CONSTANT)
    Q_PROPERTY(int deliberate MEMBER deliberate CONSTANT)
    Q_PROPERTY(QEasingCurve easeOut MEMBER easeOut CONSTANT)
    Q_PROPERTY(QEasingCurve hudSpring MEMBER hudSpring CONSTANT)
    Q_PROPERTY(int hudSpringDuration MEMBER hudSpringDuration CONSTANT)
    Q_PROPERTY(QEasingCurve waveSpring MEMBER waveSpring CONSTANT)
    Q_PROPERTY(int waveSpringDuration MEMBER waveSpringDuration CONSTANT)
public:
    explicit DSMotion(QObject* parent = nullptr);

    // The step response of a damped spring (ω = 2π / response, ζ = damping) over
    // `settle` seconds, at progress t of 0…1. Ends at exactly 1.
    static qreal spring(qreal t, qreal response, qreal damping);
    // How long a spring takes to come within 0.1 % of its target, in ms.
    static int settleMs(qreal response, qreal damping);

    const int quick = 100;
    const int standard = 160;
    const int entrance = 200;
    const int deliberate = 250;
    QEasingCurve easeOut;
    QEasingCurve hudSpring;
    const int hudSpringDuration;
    QEasingCurve waveSpring;
    const int waveSpringDuration;
};

} // namespace brisklet
