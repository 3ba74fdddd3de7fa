#include "ask/AskClient.h"

#include "ask/Brand.h"
#include "ask/ServiceClient.h"
#include "base/Log.h"
#include "base/Prefs.h"
#include "platform/SecretStore.h"

#include <QNetworkAccessManager>

namespace brisklet {

namespace {

const QString kKeyAccount = QStringLiteral("anthropic-api-key");

} // namespace

AskClient::AskClient(platform::SecretStore* secrets) : AskClient(secrets, Options{}) {}

AskClient::AskClient(platform::SecretStore* secrets, Options options) : secrets_(secrets) {
    if (!options.network)
        ownNetwork_ = std::make_unique<QNetworkAccessManager>();
    network_ = options.network ? options.network : ownNetwork_.get();
    direct_ = std::make_unique<AnthropicDirectBackend>(*network_, secrets_, options.directApiBase);
    service_ =
        std::make_unique<BriskletServiceBackend>([this]() -> ServiceClient& { return serviceClient(); });
}

AskClient::~AskClient() = default;

ServiceClient& AskClient::serviceClient() {
    if (!serviceClient_)
        serviceClient_ = std::make_unique<ServiceClient>(*network_, secrets_);
    return *serviceClient_;
}

AskBackend& AskClient::route() const {
    if (direct_->isAvailable())
        return *direct_;
    return *service_;
}

bool AskClient::isEnabled() const {
    return route().isAvailable() && Prefs::boolValue(Prefs::Key::askEnabled);
}

void AskClient::plan(const QString& phrase, std::function<void(const AskResult&)> completion) {
    if (!Prefs::boolValue(Prefs::Key::askEnabled)) {
        completion(AskResult::failure(AskError::disabled));
        return;
    }
    AskBackend& backend = route();
    if (!backend.isAvailable()) {
        completion(AskResult::failure(AskError::serviceUnavailable));
        return;
    }
    backend.plan(phrase, std::move(completion));
}

AskResult AskClient::planResult(const QString& reply, const char* rejectedLog) {
    const ParsedPlan parsed = parsePlan(reply);
    if (parsed.error) {
        qCCritical(lcAsk).noquote() << QString::fromLatin1(rejectedLog) + parsed.error->msg;
        return AskResult::failure(AskError::badPlan);
    }
    if (parsed.plan.empty())
        return AskResult::failure(AskError::badPlan);
    return AskResult::success(parsed.plan);
}

std::optional<QString> AskClient::keychainKey(platform::SecretStore* secrets) {
    if (Brand::snapshotMode() || !secrets)
        return std::nullopt;
    const std::optional<QString> stored = secrets->get(kKeyAccount);
    if (!stored)
        return std::nullopt;
    const QString key = stored->trimmed();
    if (key.isEmpty() || !Brand::headerSafe(key))
        return std::nullopt;
    return key;
}

bool AskClient::setKeychainKey(platform::SecretStore* secrets, const std::optional<QString>& key) {
    if (Brand::snapshotMode())
        return true;
    if (!secrets)
        return false;
    const QString trimmed = key ? key->trimmed() : QString();
    if (trimmed.isEmpty())
        return secrets->clear(kKeyAccount);
    return secrets->set(kKeyAccount, trimmed);
}

bool AskClient::keyIsFromEnvironment() {
    return !qEnvironmentVariable("ANTHROPIC_API_KEY").isEmpty();
}

} // namespace brisklet
