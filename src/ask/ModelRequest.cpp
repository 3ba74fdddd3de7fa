#include "ask/ModelRequest.h"

#include <QIODevice>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <memory>

namespace brisklet::ModelRequest {

namespace {

// A body that can be read once only. The network layer resends a request whose
// connection closed before any answer, which for a model request means a second
// charge for one phrase; a body it cannot rewind makes that a failure instead.
class OneShotBody final : public QIODevice {
public:
    explicit OneShotBody(const QByteArray& data) : data_(data) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override { return data_.size() - pos_ + QIODevice::bytesAvailable(); }

protected:
    qint64 readData(char* out, qint64 max) override {
        if (pos_ >= data_.size())
            return -1;
        const qint64 n = std::min<qint64>(max, data_.size() - pos_);
        std::memcpy(out, data_.constData() + pos_, size_t(n));
        pos_ += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data_;
    qint64 pos_ = 0;
};

// The requests a manager has on their way, kept as a child so it goes with it.
// Dropping idle connections shuts the manager's connection thread down and cuts
// off every request still running on it, so after a failure in transit the drop
// waits for the last request in flight to end.
class InFlight final : public QObject {
public:
    using QObject::QObject;

    static InFlight& of(QNetworkAccessManager& network) {
        for (QObject* child : network.children())
            if (auto* found = dynamic_cast<InFlight*>(child))
                return *found;
        return *new InFlight(&network);
    }

    void begin() { ++count_; }
    void end(bool failedInTransit) {
        --count_;
        dropPending_ = dropPending_ || failedInTransit;
        if (count_ > 0 || !dropPending_)
            return;
        dropPending_ = false;
        static_cast<QNetworkAccessManager*>(parent())->clearConnectionCache();
    }

private:
    int count_ = 0;
    bool dropPending_ = false;
};

} // namespace

bool Reply::failedInTransit() const {
    if (end == End::timedOut)
        return true;
    if (end == End::tooLarge || error == QNetworkReply::NoError)
        return false;
    // Codes below ContentAccessDenied are the connection's own (refused, closed,
    // time-out, TLS); an HTTP status comes as an error too, but with its status.
    return !status ||
           (error >= QNetworkReply::ConnectionRefusedError && error < QNetworkReply::ContentAccessDenied);
}

void send(QNetworkAccessManager& network, QNetworkRequest request, const QByteArray& method,
          const QByteArray& body, int deadlineMs, std::function<void(const Reply&)> done) {
    // The key goes to the host it was meant for and nowhere else.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    request.setAttribute(QNetworkRequest::DoNotBufferUploadDataAttribute, true);
    request.setHeader(QNetworkRequest::ContentLengthHeader, body.size());
    auto* upload = new OneShotBody(body);
    QPointer<InFlight> inFlight(&InFlight::of(network));
    inFlight->begin();
    QNetworkReply* reply = network.sendCustomRequest(request, method, upload);
    upload->setParent(reply);
    reply->setReadBufferSize(maxBody);

    auto state = std::make_shared<Reply>();
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    QObject::connect(deadline, &QTimer::timeout, reply, [reply, state] {
        state->end = Reply::End::timedOut;
        reply->abort();
    });
    deadline->start(deadlineMs);

    auto take = [reply, state] {
        if (state->end != Reply::End::finished)
            return;
        state->body += reply->read(maxBody + 1 - state->body.size());
        if (state->body.size() > maxBody) {
            state->end = Reply::End::tooLarge;
            state->body.clear();
            reply->abort();
        }
    };
    QObject::connect(reply, &QNetworkReply::readyRead, reply, take);
    QObject::connect(reply, &QNetworkReply::finished, reply,
                     [reply, state, take, inFlight, done = std::move(done)] {
                         take();
                         state->error = reply->error();
                         state->errorString = reply->errorString();
                         // The resend the one-shot body refused: Qt has no words for it.
                         if (state->error == QNetworkReply::ContentReSendError)
                             state->errorString = QStringLiteral("Connection closed before any answer");
                         const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
                         if (status.isValid())
                             state->status = status.toInt();
                         reply->deleteLater();
                         if (inFlight)
                             inFlight->end(state->failedInTransit());
                         done(*state);
                     });
}

} // namespace brisklet::ModelRequest
