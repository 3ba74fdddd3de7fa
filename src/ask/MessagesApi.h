#pragma once

#include "ask/ModelRequest.h"
#include "ask/TextResult.h"

#include <QByteArray>
#include <QNetworkRequest>
#include <QString>
#include <functional>
#include <optional>

class QNetworkAccessManager;

namespace brisklet::platform {
class SecretStore;
}

// The language-model messages API as both direct routes use it.
namespace brisklet::MessagesApi {

inline constexpr const char* defaultBase = "https://api.anthropic.com";
inline constexpr const char* model = "claude-haiku-4-5";
inline constexpr const char* version = "2023-06-01";

// "ANTHROPIC_API_KEY" when set, non-empty and fit for a header; else the keyring's.
std::optional<QString> apiKey(platform::SecretStore* secrets);

struct Call {
    int maxTokens = 0;
    QString system;
    QString content;
};

// POST {base}/v1/messages with the key and version headers.
QNetworkRequest request(const QString& base, const QString& key);
// {"model", "max_tokens", "system", "messages": [{"role": "user", "content"}]}.
QByteArray body(const Call& call);

// A finished reply as the text of its first text block; a reply that arrived but
// holds no such text is badPlan. With `logFailures`, network and HTTP failures are
// written to the log.
TextResult readReply(const ModelRequest::Reply& reply, bool logFailures);
// Sends `call` with the API key and hands `done` the reply as readReply reads it;
// without a key nothing is sent and `done` gets noKey at once.
void send(QNetworkAccessManager& network, platform::SecretStore* secrets, const QString& base, int timeoutMs,
          const Call& call, bool logFailures, std::function<void(const TextResult&)> done);
// The text of the first "text" block of a messages reply body.
std::optional<QString> firstText(const QByteArray& body);

// A prompt of the program's resources, exactly as shipped.
QString prompt(const QString& name);

} // namespace brisklet::MessagesApi
