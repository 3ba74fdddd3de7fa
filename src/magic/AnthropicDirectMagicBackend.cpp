#include "magic/AnthropicDirectMagicBackend.h"

#include "ask/MessagesApi.h"

namespace brisklet {

AnthropicDirectMagicBackend::AnthropicDirectMagicBackend(QNetworkAccessManager& network,
                                                         platform::SecretStore* secrets, QString apiBase)
    : network_(network), secrets_(secrets), apiBase_(std::move(apiBase)) {}

bool AnthropicDirectMagicBackend::isAvailable() const {
    return MessagesApi::apiKey(secrets_).has_value();
}

void AnthropicDirectMagicBackend::build(const QString& description,
                                        std::function<void(const TextResult&)> completion) {
    MessagesApi::Call call;
    call.maxTokens = maxTokens;
    call.system = MessagesApi::prompt(QStringLiteral("magic-system.txt"));
    call.content = description;
    MessagesApi::send(network_, secrets_, apiBase_, timeoutMs, call, false, std::move(completion));
}

} // namespace brisklet
