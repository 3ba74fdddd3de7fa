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

// What came back.
struct Reply {
    enum class End {
        finished,
        timedOut, // the whole deadline passed
        tooLarge, // the body went past maxBody and was left unread
    };
    End end = End::finished;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString errorString;
    std::optional<int> status; // the HTTP status, when one arrived
    QByteArray body;           // at most maxBody bytes; empty when tooLarge

    // No answer from the server: the connection failed, was closed mid-answer, or
    // the deadline passed.
    bool failedInTransit() const;
};

// Sends `body` with `method` once: no redirect is followed, nothing is sent a second
// time, the body is read up to maxBody, and the whole exchange ends `deadlineMs`
// after it starts, however slowly bytes keep coming. After a failure in transit
// the manager's idle connections are dropped, so a stalled one is not reused: at
// once, or when the last other request sent through here on it ends.
// `done` runs once, on the manager's thread.
void send(QNetworkAccessManager& network, QNetworkRequest request, const QByteArray& method,
          const QByteArray& body, int deadlineMs, std::function<void(const Reply&)> done);

} // namespace brisklet::ModelRequest
