#include "platform/linux/GammaBrightness.h"

#include "base/Log.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <xcb/randr.h>
#include <xcb/xcb.h>

namespace brisklet::platform {

namespace {
struct Free {
    void operator()(void* p) const { std::free(p); }
};
template <typename T> using Reply = std::unique_ptr<T, Free>;
using Connection = std::unique_ptr<xcb_connection_t, void (*)(xcb_connection_t*)>;

Connection connect() {
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    return Connection(c, xcb_disconnect);
}

// The CRTC that shows the primary monitor (else the first output with one).
uint32_t primaryCrtc(xcb_connection_t* c) {
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen)
        return 0;
    Reply<xcb_randr_get_output_primary_reply_t> primary(
        xcb_randr_get_output_primary_reply(c, xcb_randr_get_output_primary(c, screen->root), nullptr));
    Reply<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(
            c, xcb_randr_get_screen_resources_current(c, screen->root), nullptr));
    if (!resources)
        return 0;
    std::vector<xcb_randr_output_t> outputs;
    if (primary && primary->output)
        outputs.push_back(primary->output);
    const xcb_randr_output_t* all = xcb_randr_get_screen_resources_current_outputs(resources.get());
    outputs.insert(outputs.end(), all,
                   all + xcb_randr_get_screen_resources_current_outputs_length(resources.get()));
    for (xcb_randr_output_t output : outputs) {
        Reply<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(
            c, xcb_randr_get_output_info(c, output, resources->config_timestamp), nullptr));
        if (info && info->crtc)
            return info->crtc;
    }
    return 0;
}

bool setRamps(xcb_connection_t* c, uint32_t crtc, const std::vector<uint16_t>& r,
              const std::vector<uint16_t>& g, const std::vector<uint16_t>& b) {
    auto cookie = xcb_randr_set_crtc_gamma_checked(c, crtc, static_cast<uint16_t>(r.size()), r.data(),
                                                   g.data(), b.data());
    xcb_generic_error_t* error = xcb_request_check(c, cookie);
    const bool ok = error == nullptr;
    std::free(error);
    return ok;
}
} // namespace

std::vector<uint16_t> GammaBrightness::ramp(int size, double level) {
    const double l = std::isnan(level) ? 1.0 : std::clamp(level, 0.2, 1.0);
    std::vector<uint16_t> values(std::max(size, 0));
    for (int i = 0; i < size; ++i) {
        const double fraction = size > 1 ? static_cast<double>(i) / (size - 1) : 1.0;
        values[i] = static_cast<uint16_t>(std::lround(fraction * l * 65535.0));
    }
    return values;
}

bool GammaBrightness::set(double level) {
    Connection conn = connect();
    xcb_connection_t* c = conn.get();
    if (xcb_connection_has_error(c))
        return false;
    const uint32_t crtc = primaryCrtc(c);
    if (!crtc) {
        qCInfo(lcApp) << "no display to dim";
        return false;
    }
    Reply<xcb_randr_get_crtc_gamma_size_reply_t> size(
        xcb_randr_get_crtc_gamma_size_reply(c, xcb_randr_get_crtc_gamma_size(c, crtc), nullptr));
    if (!size || size->size == 0) {
        qCInfo(lcApp) << "the display has no gamma ramp to dim";
        return false;
    }
    std::lock_guard lock(mutex_);
    if (!applied_) {
        // What the display had before our first change, to give back at quit.
        Reply<xcb_randr_get_crtc_gamma_reply_t> saved(
            xcb_randr_get_crtc_gamma_reply(c, xcb_randr_get_crtc_gamma(c, crtc), nullptr));
        if (!saved)
            return false;
        const int n = saved->size;
        const uint16_t* red = xcb_randr_get_crtc_gamma_red(saved.get());
        const uint16_t* green = xcb_randr_get_crtc_gamma_green(saved.get());
        const uint16_t* blue = xcb_randr_get_crtc_gamma_blue(saved.get());
        savedRed_.assign(red, red + n);
        savedGreen_.assign(green, green + n);
        savedBlue_.assign(blue, blue + n);
        savedCrtc_ = crtc;
    }
    const auto values = ramp(size->size, level);
    if (!setRamps(c, crtc, values, values, values))
        return false;
    applied_ = true;
    return true;
}

bool GammaBrightness::restore() {
    std::lock_guard lock(mutex_);
    if (!applied_)
        return false;
    Connection conn = connect();
    if (xcb_connection_has_error(conn.get()))
        return false;
    const bool ok = setRamps(conn.get(), savedCrtc_, savedRed_, savedGreen_, savedBlue_);
    if (ok)
        applied_ = false;
    else
        qCWarning(lcApp) << "couldn't give the display its colours back";
    return ok;
}

bool GammaBrightness::applied() const {
    std::lock_guard lock(mutex_);
    return applied_;
}

} // namespace brisklet::platform
