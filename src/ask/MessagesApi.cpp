#include "ask/MessagesApi.h"

#include "ask/AskClient.h"
#include "ask/Brand.h"
#include "ask/ModelReply.h"
#include "base/Log.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUrl>
#include <mutex>

namespace brisklet::MessagesApi {

std::optional<QString> apiKey(platform::SecretStore* secrets) {
    const QString env = qEnvironmentVariable("ANTHROPIC_API_KEY");
    if (!env.isEmpty() && Brand::headerSafe(env))
        return env;
    if (!env.isEmpty()) {
        // Asked before every request and on every look at the settings: say it once
        // per value, and never the value itself.
        static std::mutex mutex;
        static QString refused;
        std::lock_guard lock(mutex);
        if (refused != env) {
            refused = env;
            qCWarning(lcAsk) << "ANTHROPIC_API_KEY holds control characters and is not used";
        }
    }
    return AskClient::keychainKey(secrets);
}

QNetworkRequest request(const QString& base, const QString& key) {
    QNetworkRequest r(QUrl(base + QStringLiteral("/v1/messages")));
    r.setRawHeader("content-type", "application/json");
    r.setRawHeader("x-api-key", key.toUtf8());
    r.setRawHeader("anthropic-version", version);
    return r;
}

QByteArray body(const Call& call) {
    const QJsonObject message{{QStringLiteral("role"), QStringLiteral("user")},
                              {QStringLiteral("content"), call.content}};
    const QJsonObject root{{QStringLiteral("model"), QString::fromLatin1(model)},
                           {QStringLiteral("max_tokens"), call.maxTokens},
                           {QStringLiteral("system"), call.system},
                           {QStringLiteral("messages"), QJsonArray{message}}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

std::optional<QString> firstText(const QByteArray& body) {
    const QJsonDocument doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonValue content = doc.object().value(QStringLiteral("content"));
    // An array of blocks, every one an object, or no reply of the messages API.
    if (!content.isArray() || !ModelReply::allObjects(content.toArray()))
        return std::nullopt;
    for (const QJsonValue& block : content.toArray()) {
        const QJsonObject o = block.toObject();
        if (o.value(QStringLiteral("type")) != QJsonValue(QStringLiteral("text")))
            continue;
        const QJsonValue text = o.value(QStringLiteral("text"));
        if (!text.isString())
            return std::nullopt;
        return text.toString();
    }
    return std::nullopt;
}

TextResult readReply(const ModelRequest::Reply& reply, bool logFailures) {
    if (reply.failedInTransit()) {
        if (logFailures)
            ModelRequest::logTransportFailure(reply);
        return TextResult::failure(AskError::network, reply.errorString);
    }
    const int code = reply.status.value_or(0);
    // A body too big to be a plan or a draft is a bad reply, unread.
    if (code == 200 && reply.end == ModelRequest::Reply::End::tooLarge)
        return TextResult::failure(AskError::badPlan);
    if (code != 200 || reply.body.isEmpty()) {
        if (logFailures)
            qCCritical(lcAsk, "ask HTTP %ld", long(code));
        return TextResult::failure(AskError::server, QString::number(code));
    }
    if (std::optional<QString> text = firstText(reply.body))
        return TextResult::success(*text);
    return TextResult::failure(AskError::badPlan);
}

QString prompt(const QString& name) {
    QFile file(QStringLiteral(":/prompts/") + name);
    if (!file.open(QIODevice::ReadOnly)) {
        qCCritical(lcAsk).noquote() << "missing prompt" << name;
        return {};
    }
    return QString::fromUtf8(file.readAll());
}

void send(QNetworkAccessManager& network, platform::SecretStore* secrets, const QString& base, int timeoutMs,
          const Call& call, bool logFailures, std::function<void(const TextResult&)> done) {
    const std::optional<QString> key = apiKey(secrets);
    if (!key) {
        done(TextResult::failure(AskError::noKey));
        return;
    }
    ModelRequest::send(network, request(base, *key), "POST", body(call), timeoutMs,
                       [logFailures, done = std::move(done)](const ModelRequest::Reply& reply) {
                           done(readReply(reply, logFailures));
                       });
}

} // namespace brisklet::MessagesApi
