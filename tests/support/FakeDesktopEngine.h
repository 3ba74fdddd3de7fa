#pragma once

#include "support/AnimatorTimers.h"
#include "support/FakeDesktop.h"
#include "windows/WindowEngine.h"

#include <gtest/gtest.h>

namespace brisklet::test {

// A window engine over a fake desktop with one display, on a fake clock, pretending
// to be process 99 so that the desktop's other windows belong to other apps.
class FakeDesktopEngine : public ::testing::Test {
protected:
    explicit FakeDesktopEngine(QRectF display, double panelTop = 0)
        : display_(display), panelTop_(panelTop) {}

    void SetUp() override {
        engine.setOwnPid(99);
        desktop.setDisplays({FakeDesktop::display(1, display_, panelTop_)});
    }

    FakeClock clock;
    FakeDesktop desktop{clock};
    FakeOwnWindows own;
    FakeLauncher launcher{desktop, clock};
    WindowEngine engine{desktop, &own, &launcher, clock, virtualTimeTimer(clock)};

private:
    QRectF display_;
    double panelTop_;
};

} // namespace brisklet::test
