#pragma once

#include "magic/MagicBackend.h"

#include <functional>

namespace brisklet {

class ServiceClient;

// The setup builder through the hosted service.
class ServiceMagicBackend final : public MagicBackend {
public:
    explicit ServiceMagicBackend(std::function<ServiceClient&()> client);

    // The service is configured.
    bool isAvailable() const override;
    void build(const QString& description, std::function<void(const TextResult&)> completion) override;

private:
    std::function<ServiceClient&()> client_;
};

} // namespace brisklet
