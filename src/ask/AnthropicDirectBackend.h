#pragma once

#include "ask/AskBackend.h"

class QNetworkAccessManager;

namespace brisklet {

namespace platform {
class SecretStore;
}

// Ask with the user's own model key, straight to the messages API.
class AnthropicDirectBackend final : public AskBackend {
public:
    // `apiBase` is the API's scheme and host ("https://api.anthropic.com").
    AnthropicDirectBackend(QNetworkAccessManager& network, platform::SecretStore* secrets, QString apiBase);

    // A key is in the environment or the keyring.
    bool isAvailable() const override;
    void plan(const QString& phrase, std::function<void(const AskResult&)> completion) override;

    int timeoutMs = 4000;
    static constexpr int maxTokens = 500;

private:
    QNetworkAccessManager& network_;
    platform::SecretStore* secrets_;
    QString apiBase_;
};

} // namespace brisklet
