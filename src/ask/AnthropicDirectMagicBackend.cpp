#include "ask/AnthropicDirectMagicBackend.h"

#include "ask/MessagesApi.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>

namespace brisklet {

AnthropicDirectMagicBackend::AnthropicDirectMagicBackend(QNetworkAccessManager& network,
                                                         platform::SecretStore* secrets, QString apiBase)
    : network_(network), secrets_(secrets), apiBase_(std::move(apiBase)) {}

bool AnthropicDirectMagicBackend::isAvailable() const {
    return MessagesApi::apiKey(secrets_).has_value();
}

void AnthropicDirectMagicBackend::build(const QString& description,
                                        std::function<void(const TextResult&)> completion) {
    const std::optional<QString> key = MessagesApi::apiKey(secrets_);
    if (!key) {
        completion(TextResult::failure(AskError::noKey));
        return;
    }
    MessagesApi::Call call;
    call.maxTokens = maxTokens;
    call.system = MessagesApi::prompt(QStringLiteral("magic-system.txt"));
    call.content = description;
    QNetworkReply* reply =
        network_.post(MessagesApi::request(apiBase_, *key, timeoutMs), MessagesApi::body(call));
    QObject::connect(reply, &QNetworkReply::finished, reply, [reply, completion = std::move(completion)] {
        const TextResult text = MessagesApi::readReply(*reply, false);
        reply->deleteLater();
        completion(text);
    });
}

} // namespace brisklet
