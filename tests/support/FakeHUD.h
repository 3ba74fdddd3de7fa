#pragma once

#include "flow/HUDPort.h"

#include <QStringList>
#include <vector>

namespace brisklet::test {

// Keeps what a request showed: the current state, whether it is visible, every
// state and every partial transcript in order, and a pending question the test can
// answer.
class FakeHUD final : public HUDPort {
public:
    void show(const HUDState& state) override {
        state_ = state;
        visible_ = true;
        shown.push_back(state);
        onRun_ = nullptr;
        onCancel_ = nullptr;
    }
    void updateListening(const QString& partial) override {
        if (state_.kind != HUDState::Kind::listening)
            return;
        state_.text = partial;
        partials.push_back(partial);
    }
    void showConfirm(const QString& question, std::function<void()> onRun, std::function<void()> onCancel) override {
        show(HUDState::confirm(question));
        onRun_ = std::move(onRun);
        onCancel_ = std::move(onCancel);
    }
    void hide() override { visible_ = false; }

    void answerConfirm(bool run) {
        auto action = run ? std::move(onRun_) : std::move(onCancel_);
        onRun_ = nullptr;
        onCancel_ = nullptr;
        if (action)
            action();
    }
    const HUDState& state() const { return state_; }
    bool isVisible() const { return visible_; }

    std::vector<HUDState> shown;
    // Each partial transcript the listening state took, in order.
    std::vector<QString> partials;

private:
    HUDState state_;
    bool visible_ = false;
    std::function<void()> onRun_;
    std::function<void()> onCancel_;
};

} // namespace brisklet::test
