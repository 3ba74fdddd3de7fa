#pragma once

#include "ui/WindowPort.h"

#include <functional>

namespace brisklet {

// A window still to come: counts and logs its showings and keeps the callbacks
// that the wake settings of both windows share.
class WindowStandIn : public WindowPort {
public:
    explicit WindowStandIn(const char* name) : name_(name) {}
    void show() override;
    bool isVisible() const override { return visible_; }
    int shown() const { return shown_; }

    std::function<float()> levelProvider;
    std::function<void(double)> onSensitivityChange;
    std::function<void()> onWakeConfigChange;

private:
    const char* name_;
    bool visible_ = false;
    int shown_ = 0;
};

} // namespace brisklet
