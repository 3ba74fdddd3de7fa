#pragma once

#include "ui/onboarding/PermissionCheckPort.h"

#include <functional>
#include <vector>

namespace brisklet::test {

// Grants read on demand: answers at once, or, when held, keeps every read open
// until the test answers it, so overlapping reads can be seen.
class FakePermissionCheck final : public PermissionCheckPort {
public:
    PermissionGrants grants;
    bool hold = false;
    int checks = 0;
    std::vector<std::function<void(const PermissionGrants&)>> open;

    void check(std::function<void(const PermissionGrants&)> done) override {
        ++checks;
        if (hold)
            open.push_back(std::move(done));
        else
            done(grants);
    }
    // Answers the oldest open read with the current grants.
    void answer() {
        if (open.empty())
            return;
        auto done = std::move(open.front());
        open.erase(open.begin());
        done(grants);
    }
};

} // namespace brisklet::test
