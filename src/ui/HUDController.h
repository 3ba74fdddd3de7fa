#pragma once

#include "flow/HUDPort.h"

#include <QObject>
#include <functional>

namespace brisklet {

// Drives the heads-up display. Until the floating panel exists this controller
// keeps the state and writes each change to the log, so every request's road can
// be followed. Main thread.
class HUDController final : public QObject, public HUDPort {
    Q_OBJECT
public:
    explicit HUDController(QObject* parent = nullptr);

    void show(const HUDState& state) override;
    // Replaces the partial transcript while listening; never overwrites a later state.
    void updateListening(const QString& partial) override;
    // Asks a yes/no question; exactly one of the two runs, unless a newer state
    // replaces the question first.
    void showConfirm(const QString& question, std::function<void()> onRun,
                     std::function<void()> onCancel) override;
    void hide() override;

    // The user's answer to a pending question.
    void answerConfirm(bool run);

    const HUDState& state() const { return state_; }
    bool isVisible() const { return visible_; }

    std::function<float()> levelProvider;

signals:
    void stateChanged(const brisklet::HUDState& state);

private:
    HUDState state_;
    bool visible_ = false;
    std::function<void()> onRun_;
    std::function<void()> onCancel_;
};

} // namespace brisklet
