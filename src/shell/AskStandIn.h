#pragma once

#include "ask/AskPort.h"

namespace brisklet {

// Ask is not available in this build: it is never enabled and refuses at once.
class AskStandIn final : public AskPort {
public:
    bool isEnabled() const override { return false; }
    void plan(const QString& phrase, std::function<void(const AskResult&)> completion) override;
};

} // namespace brisklet
