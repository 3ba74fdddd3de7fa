#pragma once

#include "ask/AnthropicDirectBackend.h"
#include "ask/AskPort.h"
#include "ask/BriskletServiceBackend.h"
#include "ask/MessagesApi.h"

#include <QString>
#include <memory>
#include <optional>

class QNetworkAccessManager;

namespace brisklet {

class ServiceClient;

namespace platform {
class SecretStore;
}

// Sends a phrase that matched no command to a language model and turns the reply
// into a plan: through the user's own key when there is one, else through the
// hosted service. Main thread.
class AskClient final : public AskPort {
public:
    struct Options {
        // Requests take their proxy from it and go with it. Null: the client makes
        // its own.
        QNetworkAccessManager* network = nullptr;
        // The messages API's scheme and host.
        QString directApiBase = QString::fromLatin1(MessagesApi::defaultBase);
    };

    // `secrets` may be null: no stored key, and the install id lives in the settings.
    explicit AskClient(platform::SecretStore* secrets);
    AskClient(platform::SecretStore* secrets, Options options);
    ~AskClient() override;

    // The chosen route is usable and Ask is switched on.
    bool isEnabled() const override;
    void plan(const QString& phrase, std::function<void(const AskResult&)> completion) override;

    // Made on first use; the setup builder sends through it too.
    ServiceClient& serviceClient();
    QNetworkAccessManager& network() { return *network_; }

    // Why a reply is not a plan. Only ever logged.
    struct PlanError {
        QString msg;
        bool operator==(const PlanError&) const = default;
    };
    struct ParsedPlan {
        Plan plan;
        std::optional<PlanError> error;
    };
    // The strict reader of a model's plan: any broken rule rejects the whole reply.
    static ParsedPlan parsePlan(const QString& reply);
    // A reply's text as Ask's result: a rejected plan is logged after `rejectedLog`
    // ("ask plan rejected: ") and, like an empty one, is badPlan.
    static AskResult planResult(const QString& reply, const char* rejectedLog);

    // The user's model key from the keyring: trimmed; none when empty or holding a
    // control character, and never in snapshot mode.
    static std::optional<QString> keychainKey(platform::SecretStore* secrets);
    // Stores the trimmed key (replacing the old one only once the new one is kept),
    // or removes it for none or a blank key. Whether that worked.
    static bool setKeychainKey(platform::SecretStore* secrets, const std::optional<QString>& key);
    // "ANTHROPIC_API_KEY" is set and non-empty.
    static bool keyIsFromEnvironment();

private:
    AskBackend& route() const;

    platform::SecretStore* secrets_;
    std::unique_ptr<QNetworkAccessManager> ownNetwork_;
    QNetworkAccessManager* network_;
    std::unique_ptr<ServiceClient> serviceClient_;
    std::unique_ptr<AnthropicDirectBackend> direct_;
    std::unique_ptr<BriskletServiceBackend> service_;
};

} // namespace brisklet
