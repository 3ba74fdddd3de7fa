#include "ask/ServiceClient.h"

#include "ask/Brand.h"
#include "base/Log.h"
#include "base/Prefs.h"
#include "platform/SecretStore.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QStringDecoder>
#include <QUrl>
#include <QUuid>

namespace brisklet {

namespace {

const QString kInstallAccount = QStringLiteral("install-id");

bool usableID(const std::optional<QString>& id) {
    return id && !id->isEmpty() && Brand::headerSafe(*id);
}

} // namespace

ServiceClient::ServiceClient(QNetworkAccessManager& network, platform::SecretStore* secrets)
    : network_(network), installID_(loadInstallID(secrets)) {}

QString ServiceClient::loadInstallID(platform::SecretStore* secrets) {
    if (Brand::snapshotMode())
        return QStringLiteral("snapshot-install");
    std::optional<QString> id;
    if (secrets)
        id = secrets->get(kInstallAccount);
    const std::optional<QString> inKeyring = id;
    if (!usableID(id) && Prefs::contains(Prefs::Key::installID))
        id = Prefs::stringValue(Prefs::Key::installID);
    // A stored value that would break a header is made anew rather than sent.
    if (!usableID(id))
        id = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    // Both places agree from now on, so a reset keyring is refilled and vice versa.
    // A keyring that already holds it is left alone.
    if (secrets && inKeyring != id && !secrets->set(kInstallAccount, *id))
        qCWarning(lcAsk) << "could not keep the install id in the keyring";
    Prefs::setValue(Prefs::Key::installID, *id);
    return *id;
}

QString ServiceClient::appVersion() {
    const QString version = QCoreApplication::applicationVersion();
    if (version.isEmpty() || !Brand::headerSafe(version))
        return QStringLiteral("dev");
    return version;
}

std::optional<QNetworkRequest> ServiceClient::functionRequest(const QString& name,
                                                              const QByteArray& method) const {
    if (!Brand::serviceConfigured())
        return std::nullopt;
    QNetworkRequest request(QUrl(Brand::apiBase() + QLatin1Char('/') + name, QUrl::StrictMode));
    request.setAttribute(QNetworkRequest::CustomVerbAttribute, method);
    request.setTransferTimeout(askTimeoutMs);
    const QByteArray key = Brand::publishableKey().toUtf8();
    request.setRawHeader("content-type", "application/json");
    request.setRawHeader("apikey", key);
    request.setRawHeader("x-install-id", installID_.toUtf8());
    request.setRawHeader("x-app-version", appVersion().toUtf8());
    request.setRawHeader("authorization", "Bearer " + key);
    return request;
}

void ServiceClient::ask(const QString& phrase, std::function<void(const TextResult&)> completion) {
    const QJsonObject body{{QStringLiteral("phrase"), phrase}};
    send(QJsonDocument(body).toJson(QJsonDocument::Compact), askTimeoutMs, true, std::move(completion));
}

void ServiceClient::buildSetup(const QString& description,
                               std::function<void(const TextResult&)> completion) {
    const QJsonObject body{{QStringLiteral("phrase"), description}, {QStringLiteral("kind"), "build"}};
    send(QJsonDocument(body).toJson(QJsonDocument::Compact), buildTimeoutMs, false, std::move(completion));
}

void ServiceClient::send(const QByteArray& body, int timeoutMs, bool logFailures,
                         std::function<void(const TextResult&)> completion) {
    std::optional<QNetworkRequest> request = functionRequest(QStringLiteral("ask"), "POST");
    if (!request) {
        completion(TextResult::failure(AskError::serviceUnavailable));
        return;
    }
    const QByteArray method = request->attribute(QNetworkRequest::CustomVerbAttribute).toByteArray();
    ModelRequest::send(network_, *request, method, body, timeoutMs,
                       [logFailures, completion = std::move(completion)](const ModelRequest::Reply& reply) {
                           if (logFailures && reply.failedInTransit())
                               ModelRequest::logTransportFailure(reply);
                           completion(mapReply(reply));
                       });
}

TextResult ServiceClient::mapReply(const ModelRequest::Reply& reply) {
    if (reply.failedInTransit())
        return TextResult::failure(AskError::network, reply.errorString);
    if (!reply.status)
        return TextResult::failure(AskError::server, QStringLiteral("0"));
    const int code = *reply.status;
    if (code == 200) {
        // A reply too big to be a plan is not one.
        if (reply.end == ModelRequest::Reply::End::tooLarge)
            return TextResult::failure(AskError::badPlan);
        QStringDecoder decoder(QStringDecoder::Utf8);
        const QString text = decoder.decode(reply.body);
        return TextResult::success(decoder.hasError() ? QString() : text);
    }
    if (code == 503)
        return TextResult::failure(AskError::serviceUnavailable);
    return TextResult::failure(AskError::server, QString::number(code));
}

} // namespace brisklet
