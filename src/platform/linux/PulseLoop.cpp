#include "platform/linux/PulseLoop.h"

#include <pulse/pulseaudio.h>

namespace brisklet::platform::pulse {

pa_threaded_mainloop* startLoop(const char* name) {
    pa_threaded_mainloop* loop = pa_threaded_mainloop_new();
    if (!loop)
        return nullptr;
    pa_threaded_mainloop_set_name(loop, name);
    if (pa_threaded_mainloop_start(loop) < 0) {
        pa_threaded_mainloop_free(loop);
        return nullptr;
    }
    return loop;
}

pa_context* newContext(pa_threaded_mainloop* loop, const char* name) {
    pa_proplist* props = pa_proplist_new();
    pa_proplist_sets(props, PA_PROP_APPLICATION_NAME, "Brisklet");
    pa_context* context = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop), name, props);
    pa_proplist_free(props);
    return context;
}

void dropContext(pa_context*& context) {
    if (!context)
        return;
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_set_subscribe_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
    context = nullptr;
}

namespace {
struct Wait {
    pa_threaded_mainloop* loop;
    bool over = false;
};
} // namespace

bool waitUntil(pa_threaded_mainloop* loop, const std::function<bool()>& done,
               std::chrono::milliseconds limit) {
    if (done())
        return true;
    if (limit.count() <= 0)
        return false;
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(loop);
    timeval when;
    pa_timeval_add(pa_gettimeofday(&when), pa_usec_t(limit.count()) * PA_USEC_PER_MSEC);
    Wait wait{loop};
    pa_time_event* timer = api->time_new(
        api, &when,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* self) {
            auto* w = static_cast<Wait*>(self);
            w->over = true;
            pa_threaded_mainloop_signal(w->loop, 0);
        },
        &wait);
    while (!done() && !wait.over)
        pa_threaded_mainloop_wait(loop);
    api->time_free(timer);
    return done();
}

} // namespace brisklet::platform::pulse
