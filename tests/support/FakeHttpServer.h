#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QTcpServer>
#include <deque>
#include <vector>

namespace brisklet::test {

// A web server on 127.0.0.1 that plays the hosted service or the messages API:
// it records every request and answers each from the script, in order.
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
        };
        Kind kind = Kind::reply;
        int status = 200;
        QByteArray body;
        int delayMs = 0;

        static Answer ok(const QByteArray& body) { return {Kind::reply, 200, body, 0}; }
        static Answer withStatus(int status, const QByteArray& body = {}) {
            return {Kind::reply, status, body, 0};
        }
        static Answer silent() { return {Kind::silence, 0, {}, 0}; }
        static Answer closed() { return {Kind::close, 0, {}, 0}; }
    };

    FakeHttpServer();
    ~FakeHttpServer();
    FakeHttpServer(const FakeHttpServer&) = delete;
    FakeHttpServer& operator=(const FakeHttpServer&) = delete;

    // "http://127.0.0.1:<port>".
    QString base() const;
    // Answers the next request; without one queued, a request gets 404.
    void enqueue(const Answer& answer) { answers_.push_back(answer); }

    const std::vector<Request>& requests() const { return requests_; }

private:
    void accept();
    void answer(QTcpSocket* socket, const Answer& answer);

    QTcpServer server_;
    std::deque<Answer> answers_;
    std::vector<Request> requests_;
};

} // namespace brisklet::test
