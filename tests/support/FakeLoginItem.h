#pragma once

#include "platform/LoginItem.h"

namespace brisklet::test {

// A login item in memory; `refuse` makes switching on fail and leaves it off.
struct FakeLoginItem final : platform::LoginItem {
    bool enabled = false;
    bool refuse = false;
    int sets = 0;

    bool set(bool on) override {
        ++sets;
        if (on && refuse)
            return false;
        enabled = on;
        return true;
    }
    bool isEnabled() const override { return enabled; }
};

} // namespace brisklet::test
