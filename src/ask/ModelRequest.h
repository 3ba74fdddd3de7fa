#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QString>
#include <functional>
#include <optional>

class QNetworkAccessManager;

// One request to a language-model route, as both routes send it.
namespace brisklet::ModelRequest {

// A plan or a draft is a few small objects: a reply past this is no answer, and
// reading on would only fill memory.
inline constexpr qint64 maxBody = 1 << 20;
// The status line and headers of a reply, held to the same kind of bound.
inline constexpr qint64 maxHead = 64 * 1024;

// What came back.
struct Reply {
    enum class End {
        finished,
        timedOut,   // the whole deadline passed
        tooLarge,   // the body went past maxBody and was left unread
        unreadable, // an answer came that is not HTTP, or not HTTP this reads (see errorString)
    };
    End end = End::finished;
    // NoError unless the exchange failed on its way: refused, not resolved, TLS,
    // closed early, the deadline.
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorString;
    std::optional<int> status; // the HTTP status of a reply that was read
    QByteArray body;           // at most maxBody bytes; empty when tooLarge

    // No answer from the server: the connection failed or was closed before the
    // answer ended, or the deadline passed. An answer that could not be read came
    // through: the server's trouble, not the connection's.
    bool failedInTransit() const;
};

// Sends `body` with `method` once, on a connection of its own that nothing else
// shares, through the proxy `network` would use, else the one the environment's proxy
// variables or the desktop's settings name (an http address goes to an http proxy
// whole, an https one through a tunnel): no redirect is followed, nothing is sent a
// second time, the body is asked for without a content coding, headers and body are
// read up to their bounds, and the whole exchange ends `deadlineMs` after it starts,
// however slowly bytes keep coming; the connection is closed as it ends. It runs in
// the caller's event loop, a bounded slice of the reply at a time, so no other
// thread is left reading. `done` runs once, later, on the calling thread.
void send(QNetworkAccessManager& network, const QNetworkRequest& request, const QByteArray& method,
          const QByteArray& body, int deadlineMs, std::function<void(const Reply&)> done);

// Writes "ask network error: <why>" for a reply that failed in transit.
void logTransportFailure(const Reply& reply);

} // namespace brisklet::ModelRequest
