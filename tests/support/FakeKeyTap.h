#pragma once

#include "platform/KeyTap.h"

namespace brisklet::test {

// A key tap driven by the test: `send` delivers one key event as the desktop
// would (on the calling thread) and returns the verdict; `lose` drops the
// connection.
class FakeKeyTap final : public platform::KeyTap {
public:
    bool isTrusted() override { return trusted; }
    bool start(int keyCode, Handlers handlers, QString* error) override {
        ++starts;
        if (!refusal.isEmpty()) {
            if (error)
                *error = refusal;
            return false;
        }
        key = keyCode;
        handlers_ = std::move(handlers);
        running = true;
        return true;
    }
    bool setWakeKey(int keyCode, QString* error) override {
        if (!refusal.isEmpty()) {
            if (error)
                *error = refusal;
            return false;
        }
        key = keyCode;
        return true;
    }
    bool isRunning() const override { return running; }
    void post(std::function<void()> work) override { work(); }
    void stop() override {
        running = false;
        handlers_ = {};
    }

    Verdict send(const Event& event) {
        return running && handlers_.onEvent ? handlers_.onEvent(event) : Verdict::pass;
    }
    void lose() {
        running = false;
        if (handlers_.onLost)
            handlers_.onLost();
        handlers_ = {};
    }

    bool trusted = true;
    QString refusal; // non-empty: the key is held by another program
    bool running = false;
    int key = 0;
    int starts = 0;

private:
    Handlers handlers_;
};

} // namespace brisklet::test
