#pragma once

#include "ask/AskPort.h"

#include <QString>
#include <functional>
#include <vector>

namespace brisklet::test {

// Ask as the test scripts it: keeps each phrase and the pending completion, which
// the test calls with the result it wants.
struct FakeAsk final : AskPort {
    bool enabled = true;
    std::vector<QString> asked;
    std::function<void(const AskResult&)> completion;
    bool isEnabled() const override { return enabled; }
    void plan(const QString& phrase, std::function<void(const AskResult&)> c) override {
        asked.push_back(phrase);
        completion = std::move(c);
    }
};

} // namespace brisklet::test
