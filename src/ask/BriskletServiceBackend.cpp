#include "ask/BriskletServiceBackend.h"

#include "ask/AskClient.h"
#include "ask/Brand.h"
#include "ask/ServiceClient.h"

namespace brisklet {

BriskletServiceBackend::BriskletServiceBackend(std::function<ServiceClient&()> client)
    : client_(std::move(client)) {}

bool BriskletServiceBackend::isAvailable() const {
    return Brand::serviceConfigured();
}

void BriskletServiceBackend::plan(const QString& phrase, std::function<void(const AskResult&)> completion) {
    client_().ask(phrase, [completion = std::move(completion)](const TextResult& text) {
        if (!text.text) {
            completion(AskResult::failure(text.error, text.detail));
            return;
        }
        completion(AskClient::planResult(*text.text, "service plan rejected: "));
    });
}

} // namespace brisklet
