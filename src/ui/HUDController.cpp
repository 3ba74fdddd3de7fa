#include "ui/HUDController.h"

#include "base/Log.h"

namespace brisklet {

HUDController::HUDController(QObject* parent) : QObject(parent) {}

void HUDController::show(const HUDState& state) {
    state_ = state;
    visible_ = true;
    if (state.kind != HUDState::Kind::confirm) {
        // A newer state drops a pending question without answering it.
        onRun_ = nullptr;
        onCancel_ = nullptr;
    }
    qCInfo(lcApp).noquote() << QStringLiteral("hud: %1 “%2”").arg(QLatin1String(kindName(state.kind)), state.text);
    emit stateChanged(state_);
}

void HUDController::updateListening(const QString& partial) {
    if (state_.kind != HUDState::Kind::listening)
        return;
    state_.text = partial;
    emit stateChanged(state_);
}

void HUDController::showConfirm(const QString& question, std::function<void()> onRun,
                                std::function<void()> onCancel) {
    show(HUDState::confirm(question));
    onRun_ = std::move(onRun);
    onCancel_ = std::move(onCancel);
}

void HUDController::answerConfirm(bool run) {
    auto action = run ? std::move(onRun_) : std::move(onCancel_);
    onRun_ = nullptr;
    onCancel_ = nullptr;
    if (action)
        action();
}

void HUDController::hide() {
    if (!visible_)
        return;
    visible_ = false;
    qCInfo(lcApp) << "hud: hidden";
}

} // namespace brisklet
