#include "magic/ServiceMagicBackend.h"

#include "ask/Brand.h"
#include "ask/ServiceClient.h"

namespace brisklet {

ServiceMagicBackend::ServiceMagicBackend(std::function<ServiceClient&()> client)
    : client_(std::move(client)) {}

bool ServiceMagicBackend::isAvailable() const {
    return Brand::serviceConfigured();
}

void ServiceMagicBackend::build(const QString& description,
                                std::function<void(const TextResult&)> completion) {
    client_().buildSetup(description, std::move(completion));
}

} // namespace brisklet
