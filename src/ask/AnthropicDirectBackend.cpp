#include "ask/AnthropicDirectBackend.h"

#include "ask/AskClient.h"
#include "ask/MessagesApi.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace brisklet {

AnthropicDirectBackend::AnthropicDirectBackend(QNetworkAccessManager& network, platform::SecretStore* secrets,
                                               QString apiBase)
    : network_(network), secrets_(secrets), apiBase_(std::move(apiBase)) {}

bool AnthropicDirectBackend::isAvailable() const {
    return MessagesApi::apiKey(secrets_).has_value();
}

void AnthropicDirectBackend::plan(const QString& phrase, std::function<void(const AskResult&)> completion) {
    const std::optional<QString> key = MessagesApi::apiKey(secrets_);
    if (!key) {
        completion(AskResult::failure(AskError::noKey));
        return;
    }
    MessagesApi::Call call;
    call.maxTokens = maxTokens;
    call.system = MessagesApi::prompt(QStringLiteral("ask-system.txt"));
    call.content = phrase;
    QNetworkReply* reply =
        network_.post(MessagesApi::request(apiBase_, *key, timeoutMs), MessagesApi::body(call));
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, completion = std::move(completion)] {
        const TextResult text = MessagesApi::readReply(*reply, true);
        reply->deleteLater();
        if (!text.text) {
            completion(AskResult::failure(text.error, text.detail));
            return;
        }
        completion(AskClient::planResult(*text.text, "ask plan rejected: "));
    });
}

} // namespace brisklet
