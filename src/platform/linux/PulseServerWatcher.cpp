#include "platform/linux/PulseServerWatcher.h"

#include "base/Log.h"

#include <pulse/pulseaudio.h>

namespace brisklet::platform {

PulseServerWatcher::PulseServerWatcher(std::function<void(const QByteArray&)> onDefaultSourceChanged)
    : onChanged_(std::move(onDefaultSourceChanged)) {
    loop_ = pa_threaded_mainloop_new();
    if (!loop_)
        return;
    pa_threaded_mainloop_set_name(loop_, "bk.audio.pulse");
    context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "Brisklet device watch");
    if (!context_)
        return;
    pa_context_set_state_callback(context_, &PulseServerWatcher::contextState, this);
    pa_threaded_mainloop_lock(loop_);
    bool ok = pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0 &&
              pa_threaded_mainloop_start(loop_) >= 0;
    // Wait for the connection and the first answer, so the default is known at once.
    while (ok) {
        const pa_context_state_t state = pa_context_get_state(context_);
        if (state == PA_CONTEXT_READY) {
            std::lock_guard lock(mutex_);
            if (haveInfo_)
                break;
        } else if (!PA_CONTEXT_IS_GOOD(state)) {
            ok = false;
            break;
        }
        pa_threaded_mainloop_wait(loop_);
    }
    connected_ = ok;
    pa_threaded_mainloop_unlock(loop_);
    if (!ok)
        qCInfo(lcAudio) << "no PulseAudio-compatible sound server to follow the default input";
}

PulseServerWatcher::~PulseServerWatcher() {
    if (loop_)
        pa_threaded_mainloop_stop(loop_);
    if (context_) {
        pa_context_disconnect(context_);
        pa_context_unref(context_);
    }
    if (loop_)
        pa_threaded_mainloop_free(loop_);
}

bool PulseServerWatcher::isConnected() const {
    return connected_;
}

QByteArray PulseServerWatcher::defaultSource() const {
    std::lock_guard lock(mutex_);
    return defaultSource_;
}

void PulseServerWatcher::contextState(pa_context* context, void* self) {
    auto* watcher = static_cast<PulseServerWatcher*>(self);
    if (pa_context_get_state(context) == PA_CONTEXT_READY) {
        pa_context_set_subscribe_callback(
            context,
            [](pa_context* c, pa_subscription_event_type_t type, uint32_t index, void* s) {
                serverEvent(c, static_cast<int>(type), index, s);
            },
            watcher);
        if (pa_operation* op = pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr))
            pa_operation_unref(op);
        watcher->requestServerInfo();
    }
    pa_threaded_mainloop_signal(watcher->loop_, 0);
}

void PulseServerWatcher::serverEvent(pa_context*, int type, unsigned, void* self) {
    if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) == PA_SUBSCRIPTION_EVENT_SERVER)
        static_cast<PulseServerWatcher*>(self)->requestServerInfo();
}

void PulseServerWatcher::requestServerInfo() {
    pa_operation* op = pa_context_get_server_info(
        context_, [](pa_context* c, const pa_server_info* info, void* s) { serverInfo(c, info, s); }, this);
    if (op)
        pa_operation_unref(op);
}

void PulseServerWatcher::serverInfo(pa_context*, const void* data, void* self) {
    auto* watcher = static_cast<PulseServerWatcher*>(self);
    const auto* info = static_cast<const pa_server_info*>(data);
    const QByteArray name =
        info && info->default_source_name ? QByteArray(info->default_source_name) : QByteArray();
    bool changed = false;
    {
        std::lock_guard lock(watcher->mutex_);
        changed = watcher->haveInfo_ && name != watcher->defaultSource_;
        watcher->defaultSource_ = name;
        watcher->haveInfo_ = true;
    }
    pa_threaded_mainloop_signal(watcher->loop_, 0);
    if (changed && watcher->onChanged_)
        watcher->onChanged_(name);
}

} // namespace brisklet::platform
