#include "ui/HUDController.h"

#include "base/Log.h"

namespace brisklet {

HUDController::HUDController(QObject* parent) : QObject(parent) {}

QString HUDController::kind() const {
    return QLatin1String(kindName(state_.kind));
}

void HUDController::show(const HUDState& state) {
    const bool kindMoved = state.kind != state_.kind;
    const bool textMoved = state.text != state_.text;
    const bool appears = !visible_;
    const bool dropsQuestion = state.kind != HUDState::Kind::confirm;
    if (dropsQuestion) {
        // A newer state drops a pending question without answering it.
        onRun_ = nullptr;
        onCancel_ = nullptr;
    }
    state_ = state;
    visible_ = true;
    qCInfo(lcApp).noquote()
        << QStringLiteral("hud: %1 “%2”").arg(QLatin1String(kindName(state.kind)), state.text);
    if (kindMoved)
        emit kindChanged();
    if (textMoved)
        emit textChanged();
    if (appears)
        emit visibleChanged();
    if (dropsQuestion)
        setAwaitingAnswer(false);
}

void HUDController::updateListening(const QString& partial) {
    if (state_.kind != HUDState::Kind::listening)
        return;
    if (state_.text == partial)
        return;
    state_.text = partial;
    emit textChanged();
}

void HUDController::showConfirm(const QString& question, std::function<void()> onRun,
                                std::function<void()> onCancel) {
    show(HUDState::confirm(question));
    onRun_ = std::move(onRun);
    onCancel_ = std::move(onCancel);
    setAwaitingAnswer(true);
}

void HUDController::answerConfirm(bool run) {
    auto action = run ? std::move(onRun_) : std::move(onCancel_);
    onRun_ = nullptr;
    onCancel_ = nullptr;
    // Settled before the answer runs: it may well ask the next question.
    setAwaitingAnswer(false);
    if (action)
        action();
}

void HUDController::hide() {
    if (!visible_)
        return;
    visible_ = false;
    qCInfo(lcApp) << "hud: hidden";
    emit visibleChanged();
}

void HUDController::setAwaitingAnswer(bool awaiting) {
    if (awaitingAnswer_ == awaiting)
        return;
    awaitingAnswer_ = awaiting;
    emit awaitingAnswerChanged();
}

} // namespace brisklet
