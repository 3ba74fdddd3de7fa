#pragma once

#include "ask/AskBackend.h"

#include <functional>

namespace brisklet {

class ServiceClient;

// Ask through the hosted service. The client is made on first use, so reading the
// install identifier waits for the first request.
class BriskletServiceBackend final : public AskBackend {
public:
    explicit BriskletServiceBackend(std::function<ServiceClient&()> client);

    // The service is configured.
    bool isAvailable() const override;
    void plan(const QString& phrase, std::function<void(const AskResult&)> completion) override;

private:
    std::function<ServiceClient&()> client_;
};

} // namespace brisklet
