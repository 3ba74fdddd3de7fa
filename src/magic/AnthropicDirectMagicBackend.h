#pragma once

#include "magic/MagicBackend.h"

class QNetworkAccessManager;

namespace brisklet {

namespace platform {
class SecretStore;
}

// The setup builder with the user's own model key: the draft's text, unparsed.
class AnthropicDirectMagicBackend final : public MagicBackend {
public:
    AnthropicDirectMagicBackend(QNetworkAccessManager& network, platform::SecretStore* secrets,
                                QString apiBase);

    bool isAvailable() const override;
    void build(const QString& description, std::function<void(const TextResult&)> completion) override;

    int timeoutMs = 12000;
    static constexpr int maxTokens = 700;

private:
    QNetworkAccessManager& network_;
    platform::SecretStore* secrets_;
    QString apiBase_;
};

} // namespace brisklet
