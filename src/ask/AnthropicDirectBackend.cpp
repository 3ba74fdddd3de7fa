#include "ask/AnthropicDirectBackend.h"

#include "ask/AskClient.h"
#include "ask/MessagesApi.h"

namespace brisklet {

AnthropicDirectBackend::AnthropicDirectBackend(QNetworkAccessManager& network, platform::SecretStore* secrets,
                                               QString apiBase)
    : network_(network), secrets_(secrets), apiBase_(std::move(apiBase)) {}

bool AnthropicDirectBackend::isAvailable() const {
    return MessagesApi::apiKey(secrets_).has_value();
}

void AnthropicDirectBackend::plan(const QString& phrase, std::function<void(const AskResult&)> completion) {
    MessagesApi::Call call;
    call.maxTokens = maxTokens;
    call.system = MessagesApi::prompt(QStringLiteral("ask-system.txt"));
    call.content = phrase;
    MessagesApi::send(network_, secrets_, apiBase_, timeoutMs, call, true,
                      [completion = std::move(completion)](const TextResult& text) {
                          if (!text.text) {
                              completion(AskResult::failure(text.error, text.detail));
                              return;
                          }
                          completion(AskClient::planResult(*text.text, "ask plan rejected: "));
                      });
}

} // namespace brisklet
