#include "ui/design/DSMotion.h"

#include <QPointF>
#include <cmath>
#include <numbers>

namespace brisklet {

namespace {

// QEasingCurve keeps a plain function pointer: one per spring.
qreal hudCurve(qreal t) {
    return DSMotion::spring(t, 0.3, 0.75);
}
qreal waveCurve(qreal t) {
    return DSMotion::spring(t, 0.16, 0.7);
}

} // namespace

int DSMotion::settleMs(qreal response, qreal damping) {
    return int(std::lround(1100.0 * response / damping));
}

qreal DSMotion::spring(qreal t, qreal response, qreal damping) {
    if (t >= 1)
        return 1;
    if (t <= 0)
        return 0;
    const qreal seconds = t * settleMs(response, damping) / 1000.0;
    const qreal omega = 2 * std::numbers::pi / response;
    const qreal zeta = damping;
    // Under-damped step response.
    const qreal omegaD = omega * std::sqrt(1 - zeta * zeta);
    const qreal decay = std::exp(-zeta * omega * seconds);
    return 1 - decay * (std::cos(omegaD * seconds) + zeta * omega / omegaD * std::sin(omegaD * seconds));
}

DSMotion::DSMotion(QObject* parent)
    : QObject(parent), hudSpringDuration(settleMs(0.3, 0.75)), waveSpringDuration(settleMs(0.16, 0.7)) {
    easeOut = QEasingCurve(QEasingCurve::BezierSpline);
    easeOut.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
    hudSpring.setCustomType(&hudCurve);
    waveSpring.setCustomType(&waveCurve);
}

} // namespace brisklet
