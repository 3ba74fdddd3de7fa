#pragma once

#include "platform/KeyTap.h"

#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

struct xcb_key_press_event_t;
struct xcb_ge_generic_event_t;

namespace brisklet::platform {

// The wake key on X11: a passive grab of the key on the root window in
// synchronous keyboard mode, on a thread and connection of its own. Each grabbed
// event is answered at once: replayed to the focused window (pass), or kept
// (swallow). Once a replay has ended the grab, XInput 2 raw events follow the
// keyboard until the wake key comes up.
class XcbKeyTap final : public KeyTap {
public:
    // The X keycode for a settings code: through the XKB key name, else the usual
    // evdev number. 0 for codes outside the table.
    struct KeyName {
        int code;
        const char* xkbName;
        int fallbackKeycode;
    };
    static const KeyName* keyNameFor(int code);

    XcbKeyTap() = default;
    ~XcbKeyTap() override;

    bool isTrusted() override;
    bool start(int keyCode, Handlers handlers, QString* error) override;
    bool setWakeKey(int keyCode, QString* error) override;
    bool isRunning() const override { return running_.load(); }
    void post(std::function<void()> work) override;
    void stop() override;

private:
    struct Session;
    void run(Session* session);
    Verdict deliver(const Event& event);
    void drainEvents(Session* s);
    void onGrabbedKey(Session* s, const xcb_key_press_event_t* key, bool press);
    void onRawKey(Session* s, const xcb_ge_generic_event_t* ge);
    void onKeymapChange(Session* s);
    void runPostedWork();
    void wakeThread();

    Handlers handlers_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopRequested_{false};
    int eventFd_ = -1;
    std::mutex commandsLock_;
    std::deque<std::function<void()>> commands_;
    std::thread::id threadId_;
    Session* session_ = nullptr; // the tap thread's, valid while it runs
};

} // namespace brisklet::platform
