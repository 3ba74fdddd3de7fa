#pragma once

#include "platform/SleepWatcher.h"

#include <functional>
#include <map>

namespace brisklet::test {

// A sleep watcher the test wakes by hand.
class FakeSleepWatcher final : public platform::SleepWatcher {
public:
    Token addWakeHandler(std::function<void()> handler) override {
        handlers[++next] = std::move(handler);
        return next;
    }
    void removeWakeHandler(Token token) override { handlers.erase(token); }
    // A handler may remove itself or add another while it runs.
    void wake() {
        const auto copy = handlers;
        for (const auto& [token, handler] : copy)
            handler();
    }

    std::map<Token, std::function<void()>> handlers;
    Token next = 0;
};

} // namespace brisklet::test
