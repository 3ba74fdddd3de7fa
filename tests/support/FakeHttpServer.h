#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <deque>
#include <vector>

namespace brisklet::test {

// A web server on 127.0.0.1 (or another address of this machine) that plays the
// hosted service or the messages API, or a proxy in front of them: it records every
// request and answers each from the script, in order.
class FakeHttpServer final {
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QMap<QByteArray, QByteArray> headers; // names lower-cased
        QByteArray body;
    };

    struct Answer {
        enum class Kind {
            reply,            // status line, headers and body
            silence,          // never answers (for time-outs)
            close,            // closes the connection without a word
            headersThenClose, // the status and headers, then closes mid-body
            stream,           // `size` bytes of filler, written as fast as the client reads
            trickle,          // `size` bytes of filler, one every `intervalMs`
            raw,              // `body` as it is, then closes: no HTTP at all
            chunked,          // the status, then `body` in chunks of `size` bytes
            tunnel,           // a proxy's answer to CONNECT: carries bytes to and from the host named
        };
        Kind kind = Kind::reply;
        int status = 200;
        QByteArray body;
        int delayMs = 0;
        QByteArray location = {}; // sent as "Location" when set
        qint64 size = 0;
        int intervalMs = 0;

        static Answer ok(const QByteArray& body) { return {Kind::reply, 200, body, 0}; }
        static Answer withStatus(int status, const QByteArray& body = {}) {
            return {Kind::reply, status, body, 0};
        }
        static Answer silent() { return {Kind::silence, 0, {}, 0}; }
        static Answer closed() { return {Kind::close, 0, {}, 0}; }
        static Answer redirect(int status, const QByteArray& location) {
            return {Kind::reply, status, {}, 0, location};
        }
        static Answer streamed(qint64 size) { return {Kind::stream, 200, {}, 0, {}, size}; }
        static Answer trickled(qint64 size, int intervalMs) {
            return {Kind::trickle, 200, {}, 0, {}, size, intervalMs};
        }
        static Answer rawBytes(const QByteArray& bytes) { return {Kind::raw, 0, bytes, 0}; }
        static Answer inChunks(const QByteArray& body, qint64 chunkSize) {
            return {Kind::chunked, 200, body, 0, {}, chunkSize};
        }
        static Answer tunnelled() { return {Kind::tunnel, 200, {}, 0}; }
    };

    explicit FakeHttpServer(const QHostAddress& address = QHostAddress::LocalHost);
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    // "http://127.0.0.1:<port>", or with `host` in place of the server's address.
    QString base(const QString& host = {}) const;
    // "https://127.0.0.1:<port>": the server speaks no TLS, so a handshake never ends.
    QString httpsBase(const QString& host = {}) const;
    // As a proxy, reaches the host `name` at this machine's 127.0.0.1, as a proxy
    // with a name server of its own would: the client never resolves the name.
    void resolveToLoopback(const QString& name) { loopbackNames_ << name.toLower(); }
    // Answers the next request; without one queued, a request gets 404.
    void enqueue(const Answer& answer) { answers_.push_back(answer); }

    const std::vector<Request>& requests() const { return requests_; }
    // Connections accepted so far, whether or not a request came on them.
    int connections() const { return connections_; }
    // Body bytes of streamed and trickled answers handed to the system so far.
    qint64 bodyBytesSent() const { return bodyBytesSent_; }

private:
    void accept();
    void answer(QTcpSocket* socket, const Answer& answer);
    void stream(QTcpSocket* socket, qint64 size);
    void chunked(QTcpSocket* socket, const QByteArray& body, qint64 chunkSize);
    void trickle(QTcpSocket* socket, qint64 size, int intervalMs);
    void tunnel(QTcpSocket* socket, const QByteArray& hostAndPort);

    QTcpServer server_;
    QStringList loopbackNames_;
    std::deque<Answer> answers_;
    std::vector<Request> requests_;
    int connections_ = 0;
    qint64 bodyBytesSent_ = 0;
};

} // namespace brisklet::test
