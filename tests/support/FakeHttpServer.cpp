#include "support/FakeHttpServer.h"

#include <QTcpSocket>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <memory>

namespace brisklet::test {

namespace {

struct Pending {
    QByteArray buffer;
};

// A whole request in `buffer`: headers and Content-Length bytes of body.
bool takeRequest(QByteArray& buffer, FakeHttpServer::Request& request) {
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0)
        return false;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
    request.method = first.value(0);
    request.path = first.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(),
                                   lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() < end + 4 + length)
        return false;
    request.body = buffer.mid(end + 4, length);
    buffer.remove(0, end + 4 + length);
    return true;
}

} // namespace

FakeHttpServer::FakeHttpServer(const QHostAddress& address) {
    server_.listen(address, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { accept(); });
}

FakeHttpServer::~FakeHttpServer() {
    server_.close();
}

namespace {

QString address(const QString& scheme, const QString& host, quint16 port) {
    QUrl url;
    url.setScheme(scheme);
    url.setHost(host);
    url.setPort(port);
    return url.toString();
}

} // namespace

QString FakeHttpServer::base(const QString& host) const {
    return address(QStringLiteral("http"), host.isEmpty() ? server_.serverAddress().toString() : host,
                   server_.serverPort());
}

QString FakeHttpServer::httpsBase(const QString& host) const {
    return address(QStringLiteral("https"), host.isEmpty() ? server_.serverAddress().toString() : host,
                   server_.serverPort());
}

void FakeHttpServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        ++connections_;
        auto pending = std::make_shared<Pending>();
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, pending] {
            pending->buffer += socket->readAll();
            Request request;
            if (!takeRequest(pending->buffer, request))
                return;
            requests_.push_back(request);
            Answer next = Answer::withStatus(404);
            if (!answers_.empty()) {
                next = answers_.front();
                answers_.pop_front();
            }
            if (next.kind == Answer::Kind::tunnel) {
                // What follows on this connection is the client's, for the host.
                QObject::disconnect(socket, &QTcpSocket::readyRead, socket, nullptr);
                tunnel(socket, request.path);
                return;
            }
            QTimer::singleShot(next.delayMs, socket, [this, socket, next] { answer(socket, next); });
        });
    }
}

void FakeHttpServer::answer(QTcpSocket* socket, const Answer& a) {
    switch (a.kind) {
    case Answer::Kind::silence:
        return;
    case Answer::Kind::close:
        socket->abort();
        return;
    case Answer::Kind::raw:
        socket->write(a.body);
        socket->disconnectFromHost();
        return;
    case Answer::Kind::chunked:
        chunked(socket, a.body, a.size);
        return;
    case Answer::Kind::tunnel:
    case Answer::Kind::reply:
    case Answer::Kind::headersThenClose:
    case Answer::Kind::stream:
    case Answer::Kind::trickle:
        break;
    }
    qint64 length = a.body.size();
    if (a.kind == Answer::Kind::headersThenClose)
        length += 100;
    else if (a.kind == Answer::Kind::stream || a.kind == Answer::Kind::trickle)
        length = a.size;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(a.status) + " Status\r\n";
    out += "Content-Type: application/json\r\n";
    if (!a.location.isEmpty())
        out += "Location: " + a.location + "\r\n";
    out += "Content-Length: " + QByteArray::number(length) + "\r\n";
    out += "Connection: close\r\n\r\n";
    if (a.kind == Answer::Kind::stream) {
        socket->write(out);
        stream(socket, a.size);
        return;
    }
    if (a.kind == Answer::Kind::trickle) {
        socket->write(out);
        trickle(socket, a.size, a.intervalMs);
        return;
    }
    out += a.body;
    socket->write(out);
    socket->flush();
    if (a.kind == Answer::Kind::headersThenClose)
        socket->abort();
    else
        socket->disconnectFromHost();
}

void FakeHttpServer::chunked(QTcpSocket* socket, const QByteArray& body, qint64 chunkSize) {
    QByteArray out = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n";
    for (qsizetype at = 0; at < body.size(); at += chunkSize) {
        const QByteArray chunk = body.mid(at, chunkSize);
        out += QByteArray::number(chunk.size(), 16) + ";part=" + QByteArray::number(at) + "\r\n" + chunk +
               "\r\n";
    }
    out += "0\r\nX-Trailer: end\r\n\r\n";
    // A byte at a time, so every boundary falls between two reads somewhere.
    auto left = std::make_shared<QByteArray>(out);
    auto* timer = new QTimer(socket);
    QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, left] {
        if (left->isEmpty()) {
            timer->stop();
            socket->disconnectFromHost();
            return;
        }
        socket->write(left->left(1));
        socket->flush();
        left->remove(0, 1);
    });
    timer->start(0);
}

void FakeHttpServer::stream(QTcpSocket* socket, qint64 size) {
    // Written a little at a time as the client takes it, so the server never holds
    // the whole body.
    auto left = std::make_shared<qint64>(size);
    auto refill = [this, socket, left] {
        static const QByteArray chunk(64 * 1024, 'x');
        while (*left > 0 && socket->bytesToWrite() < 4 * chunk.size()) {
            const qint64 n = std::min<qint64>(*left, chunk.size());
            socket->write(chunk.constData(), n);
            *left -= n;
            bodyBytesSent_ += n;
        }
        if (*left == 0)
            socket->disconnectFromHost();
    };
    QObject::connect(socket, &QTcpSocket::bytesWritten, socket, refill);
    refill();
}

void FakeHttpServer::trickle(QTcpSocket* socket, qint64 size, int intervalMs) {
    auto* timer = new QTimer(socket);
    auto left = std::make_shared<qint64>(size);
    QObject::connect(timer, &QTimer::timeout, socket, [this, socket, timer, left] {
        if (socket->state() != QAbstractSocket::ConnectedState || *left == 0) {
            timer->deleteLater();
            socket->disconnectFromHost();
            return;
        }
        socket->write("x", 1);
        --*left;
        ++bodyBytesSent_;
    });
    timer->start(intervalMs);
}

void FakeHttpServer::tunnel(QTcpSocket* socket, const QByteArray& hostAndPort) {
    auto* host = new QTcpSocket(socket);
    const qsizetype colon = hostAndPort.lastIndexOf(':');
    QObject::connect(host, &QTcpSocket::connected, socket, [socket, host] {
        socket->write("HTTP/1.1 200 Connection established\r\n\r\n");
        host->write(socket->readAll());
        QObject::connect(socket, &QTcpSocket::readyRead, host,
                         [socket, host] { host->write(socket->readAll()); });
        QObject::connect(host, &QTcpSocket::readyRead, socket,
                         [socket, host] { socket->write(host->readAll()); });
        QObject::connect(host, &QTcpSocket::disconnected, socket, [socket] { socket->disconnectFromHost(); });
        QObject::connect(socket, &QTcpSocket::disconnected, host, [host] { host->disconnectFromHost(); });
    });
    QObject::connect(host, &QTcpSocket::errorOccurred, socket, [socket] { socket->abort(); });
    QString name = QString::fromLatin1(hostAndPort.left(colon));
    if (loopbackNames_.contains(name.toLower()))
        name = QStringLiteral("127.0.0.1");
    host->connectToHost(name, hostAndPort.mid(colon + 1).toUShort());
}

} // namespace brisklet::test
