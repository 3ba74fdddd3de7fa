#pragma once

#include "ask/ModelRequest.h"
#include "ask/TextResult.h"

#include <QByteArray>
#include <QNetworkRequest>
#include <QString>
#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace brisklet {

namespace platform {
class SecretStore;
}

// Builds every request to the hosted service, sends it and maps the reply. One per
// process; its install identifier is fixed when it is made. Main thread.
class ServiceClient final {
public:
    // `secrets` may be null (no keyring): the identifier then lives in the settings.
    ServiceClient(QNetworkAccessManager& network, platform::SecretStore* secrets);

    const QString& installID() const { return installID_; }
    // The program's version, or "dev".
    static QString appVersion();

    // Sends {"phrase"}; 6 s time-out.
    void ask(const QString& phrase, std::function<void(const TextResult&)> completion);
    // Sends {"phrase", "kind": "build"}; 20 s time-out.
    void buildSetup(const QString& description, std::function<void(const TextResult&)> completion);

    // POST {apiBase}/{name} with the service's headers; none when the service is not
    // configured.
    std::optional<QNetworkRequest> functionRequest(const QString& name, const QByteArray& method) const;

    // A finished reply as the service's result.
    static TextResult mapReply(const ModelRequest::Reply& reply);

    // Time-outs in milliseconds; tests shorten them.
    int askTimeoutMs = 6000;
    int buildTimeoutMs = 20000;

private:
    // With `logFailures`, as for Ask (not for a build), transport failures are logged
    // as the direct route logs them.
    void send(const QByteArray& body, int timeoutMs, bool logFailures,
              std::function<void(const TextResult&)> completion);
    static QString loadInstallID(platform::SecretStore* secrets);

    QNetworkAccessManager& network_;
    QString installID_;
};

} // namespace brisklet
