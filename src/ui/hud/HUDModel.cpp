#include "ui/hud/HUDModel.h"

#include <algorithm>

namespace brisklet {

HUDModel::HUDModel(QObject* parent) : QObject(parent), bars_(barCount, barFloor) {}

void HUDModel::setState(const HUDState& state) {
    if (state == state_)
        return;
    state_ = state;
    emit stateChanged();
}

void HUDModel::setBars(const QList<qreal>& bars) {
    if (bars == bars_)
        return;
    bars_ = bars;
    emit barsChanged();
}

qreal HUDModel::liveLevelOf(const QList<qreal>& bars) {
    if (bars.isEmpty())
        return 0;
    return std::clamp((bars.front() - barFloor) / (1 - barFloor), 0.0, 1.0);
}

void HUDModel::setConfirm(std::function<void()> onRun, std::function<void()> onCancel) {
    const bool was = isAsking();
    onConfirmRun_ = std::move(onRun);
    onConfirmCancel_ = std::move(onCancel);
    if (was != isAsking())
        emit askingChanged();
}

void HUDModel::clearConfirm() {
    setConfirm(nullptr, nullptr);
}

void HUDModel::confirmRun() {
    // A copy: the answer clears the stored one while it runs.
    if (auto run = onConfirmRun_)
        run();
}

void HUDModel::confirmCancel() {
    if (auto cancel = onConfirmCancel_)
        cancel();
}

} // namespace brisklet
