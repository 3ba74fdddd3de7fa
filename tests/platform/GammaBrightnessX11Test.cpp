#include "platform/linux/GammaBrightness.h"
#include "support/X11Session.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/randr.h>

namespace {
// The first CRTC's red ramp, read directly from the server.
std::vector<uint16_t> redRamp(xcb_connection_t* c, xcb_window_t root) {
    auto* res = xcb_randr_get_screen_resources_current_reply(
        c, xcb_randr_get_screen_resources_current(c, root), nullptr);
    if (!res)
        return {};
    std::vector<uint16_t> ramp;
    if (xcb_randr_get_screen_resources_current_crtcs_length(res) > 0) {
        const xcb_randr_crtc_t crtc = xcb_randr_get_screen_resources_current_crtcs(res)[0];
        if (auto* g = xcb_randr_get_crtc_gamma_reply(c, xcb_randr_get_crtc_gamma(c, crtc), nullptr)) {
            const uint16_t* red = xcb_randr_get_crtc_gamma_red(g);
            ramp.assign(red, red + g->size);
            std::free(g);
        }
    }
    std::free(res);
    return ramp;
}
} // namespace

TEST(GammaBrightness, dimsThePrimaryMonitorAndGivesItsRampsBack) {
    brisklet::test::X11Session x;
    ASSERT_TRUE(x.problem().isEmpty()) << x.problem().toStdString();
    const auto before = redRamp(x.connection(), x.root());
    ASSERT_FALSE(before.empty()) << "the test display has no gamma ramp";

    brisklet::platform::GammaBrightness gamma;
    EXPECT_TRUE(gamma.isAvailable());
    EXPECT_EQ(gamma.read(), std::nullopt);
    EXPECT_FALSE(gamma.restore()) << "nothing changed yet";
    ASSERT_TRUE(gamma.set(0.1));
    EXPECT_TRUE(gamma.applied());
    EXPECT_EQ(redRamp(x.connection(), x.root()),
              brisklet::platform::GammaBrightness::ramp(int(before.size()), 0.1));
    ASSERT_TRUE(gamma.set(0.5));
    EXPECT_TRUE(gamma.restore());
    EXPECT_FALSE(gamma.applied());
    EXPECT_EQ(redRamp(x.connection(), x.root()), before) << "the original ramps, not the first dimmed ones";
}
