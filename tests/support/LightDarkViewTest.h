#pragma once

// A view test run twice, light (false) and dark (true), on a fake desktop
// appearance and the software renderer, so its pictures are stable.
#include "support/FakeDesktopAppearance.h"
#include "support/ViewHarness.h"
#include "ui/DSPalette.h"
#include "ui/DesignSystem.h"

#include <QString>
#include <gtest/gtest.h>

namespace brisklet::test {

class LightDarkViewTest : public ::testing::TestWithParam<bool> {
protected:
    // `reduceMotion`: demos stand still and changes land at once.
    explicit LightDarkViewTest(bool reduceMotion = true) : reduceMotion_(reduceMotion) {}

    static void SetUpTestSuite() { ViewHarness::useSoftwareRenderer(); }
    void SetUp() override {
        DesignSystem::instance().setDesktop(&appearance);
        appearance.set(GetParam(), reduceMotion_);
    }
    void TearDown() override { DesignSystem::instance().setDesktop(nullptr); }

    DSPalette* palette() const { return DesignSystem::instance().palette(GetParam()); }
    // What a picture's name ends in.
    QString suffix() const { return GetParam() ? QStringLiteral("-dark") : QStringLiteral("-light"); }

    FakeDesktopAppearance appearance;

private:
    bool reduceMotion_;
};

} // namespace brisklet::test
