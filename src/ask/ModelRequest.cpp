#include "ask/ModelRequest.h"

#include "ask/HttpReplyReader.h"
#include "ask/ProxyEnvironment.h"
#include "base/Log.h"

#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QSslSocket>
#include <QTcpSocket>
#include <QTimer>

namespace brisklet::ModelRequest {

namespace {

// How much of a reply the socket holds at a time, so one turn of the event loop
// never reads more than this however fast a server sends.
constexpr qint64 readSlice = 64 * 1024;

// Whether `proxy` can carry a request to an http or an https (`secure`) address.
bool carries(const QNetworkProxy& proxy, bool secure) {
    switch (proxy.type()) {
    case QNetworkProxy::NoProxy:
    case QNetworkProxy::Socks5Proxy:
    case QNetworkProxy::HttpProxy:
        return true;
    case QNetworkProxy::HttpCachingProxy:
        return !secure;
    case QNetworkProxy::DefaultProxy:
    case QNetworkProxy::FtpCachingProxy:
        return false;
    }
    return false;
}

// The proxy for `url`: the manager's own; else, with the system's configuration in
// use, the one the proxy variables name; else the application's or the desktop's.
QNetworkProxy proxyFor(const QNetworkAccessManager& network, const QUrl& url) {
    if (network.proxy().type() != QNetworkProxy::DefaultProxy)
        return network.proxy();
    if (QNetworkProxyFactory::usesSystemConfiguration())
        if (std::optional<QNetworkProxy> named = ProxyEnvironment::forUrl(url))
            return *named;
    for (const QNetworkProxy& proxy : QNetworkProxyFactory::proxyForQuery(QNetworkProxyQuery(url)))
        if (carries(proxy, url.scheme() == QLatin1String("https")))
            return proxy;
    return QNetworkProxy::NoProxy;
}

// Whether a request to `url` goes to `proxy` whole ("absolute form") rather than
// through a connection the proxy opens to the host.
bool sentWhole(const QNetworkProxy& proxy, const QUrl& url) {
    return url.scheme() == QLatin1String("http") &&
           (proxy.type() == QNetworkProxy::HttpProxy || proxy.type() == QNetworkProxy::HttpCachingProxy);
}

bool fitsOneLine(const QByteArray& text) {
    return !text.contains('\r') && !text.contains('\n') && !text.contains('\0');
}

// The request line and headers; none when a part would break out of its line. To
// an http proxy (`proxy`), the target is the whole address and the proxy's
// credentials go with it.
std::optional<QByteArray> requestHead(const QNetworkRequest& request, const QByteArray& method,
                                      qsizetype bodySize, const QNetworkProxy* proxy) {
    const QUrl url = request.url().adjusted(QUrl::NormalizePathSegments);
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    if (url.port() >= 0)
        host += ':' + QByteArray::number(url.port());
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    if (proxy)
        target = "http://" + host + target;
    if (!fitsOneLine(method) || method.contains(' ') || host.isEmpty())
        return std::nullopt;
    QByteArray head = method + ' ' + target + " HTTP/1.1\r\nHost: " + host + "\r\n";
    if (proxy && !proxy->user().isEmpty())
        head += "Proxy-Authorization: Basic " +
                (proxy->user() + ':' + proxy->password()).toUtf8().toBase64() + "\r\n";
    static const QList<QByteArray> written{"host",
                                           "content-length",
                                           "connection",
                                           "transfer-encoding",
                                           "accept-encoding",
                                           "proxy-authorization"};
    bool userAgent = false;
    for (const QByteArray& name : request.rawHeaderList()) {
        const QByteArray lower = name.toLower();
        if (written.contains(lower))
            continue;
        userAgent = userAgent || lower == "user-agent";
        const QByteArray value = request.rawHeader(name);
        if (!fitsOneLine(name) || name.contains(':') || !fitsOneLine(value))
            return std::nullopt;
        head += name + ": " + value + "\r\n";
    }
    if (!userAgent)
        head += "User-Agent: Brisklet\r\n";
    // The body as it is: a compressed one would read as garbage.
    head += "Accept-Encoding: identity\r\n";
    // One exchange per connection: nothing is left open for a later request to find
    // stalled.
    head += "Content-Length: " + QByteArray::number(bodySize) + "\r\nConnection: close\r\n\r\n";
    return head;
}

// The socket's error as the network layer names it; its words go with it.
QNetworkReply::NetworkError networkError(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return QNetworkReply::ConnectionRefusedError;
    case QAbstractSocket::HostNotFoundError:
        return QNetworkReply::HostNotFoundError;
    case QAbstractSocket::SslHandshakeFailedError:
        return QNetworkReply::SslHandshakeFailedError;
    default:
        return QNetworkReply::UnknownNetworkError;
    }
}

// One request and its reply, on a socket of its own. Goes with the manager.
class Exchange final : public QObject {
public:
    Exchange(QNetworkAccessManager& network, std::function<void(const Reply&)> done)
        : QObject(&network), reader_(maxHead, maxBody), done_(std::move(done)) {}

    void start(const QNetworkProxy& proxy, const QNetworkRequest& request, const QByteArray& method,
               const QByteArray& body, int deadlineMs) {
        deadline_.setSingleShot(true);
        // A coarse timer may fire a twentieth of the time late.
        deadline_.setTimerType(Qt::PreciseTimer);
        connect(&deadline_, &QTimer::timeout, this, [this] {
            end(Reply::End::timedOut, QNetworkReply::OperationCanceledError,
                QStringLiteral("No answer within the time limit"));
        });
        deadline_.start(deadlineMs);
        const QUrl url = request.url();
        const QString scheme = url.scheme();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https")) {
            endSoon(QNetworkReply::ProtocolUnknownError,
                    QStringLiteral("Protocol \"%1\" is unknown").arg(scheme));
            return;
        }
        const bool toProxy = sentWhole(proxy, url);
        const std::optional<QByteArray> head =
            requestHead(request, method, body.size(), toProxy ? &proxy : nullptr);
        if (!head) {
            endSoon(QNetworkReply::ProtocolInvalidOperationError,
                    QStringLiteral("The request was not valid"));
            return;
        }
        out_ = *head + body;
        auto* secure = scheme == QLatin1String("https") ? new QSslSocket(this) : nullptr;
        socket_ = secure ? secure : new QTcpSocket(this);
        socket_->setProxy(toProxy ? QNetworkProxy(QNetworkProxy::NoProxy) : proxy);
        socket_->setReadBufferSize(readSlice);
        connect(socket_, &QAbstractSocket::readyRead, this, &Exchange::read);
        connect(socket_, &QAbstractSocket::disconnected, this, &Exchange::closed);
        connect(socket_, &QAbstractSocket::errorOccurred, this, &Exchange::failed);
        const QString host = url.host(QUrl::FullyEncoded);
        if (secure) {
            connect(secure, &QSslSocket::encrypted, this, [this] { socket_->write(out_); });
            secure->connectToHostEncrypted(host, quint16(url.port(443)));
        } else {
            connect(socket_, &QAbstractSocket::connected, this, [this] { socket_->write(out_); });
            if (toProxy)
                socket_->connectToHost(proxy.hostName(), proxy.port());
            else
                socket_->connectToHost(host, quint16(url.port(80)));
        }
    }

private:
    void read() {
        reader_.feed(socket_->readAll());
        if (reader_.ended())
            endWithReader();
    }

    void closed() {
        reader_.feed(socket_->readAll());
        if (!reader_.ended()) {
            reader_.closed();
            // Cut short, whatever came before: the connection failed.
            if (reader_.state() == HttpReplyReader::State::failed) {
                end(Reply::End::finished, QNetworkReply::RemoteHostClosedError, reader_.failure());
                return;
            }
        }
        endWithReader();
    }

    void failed(QAbstractSocket::SocketError error) {
        if (error == QAbstractSocket::RemoteHostClosedError)
            closed();
        else
            end(Reply::End::finished, networkError(error), socket_->errorString());
    }

    // The reader has ended.
    void endWithReader() {
        switch (reader_.state()) {
        case HttpReplyReader::State::done:
            end(Reply::End::finished, QNetworkReply::NoError, {});
            break;
        case HttpReplyReader::State::tooLarge:
            end(Reply::End::tooLarge, QNetworkReply::NoError, {});
            break;
        case HttpReplyReader::State::failed:
            qCWarning(lcAsk, "ask reply unreadable: %s", qUtf8Printable(reader_.failure()));
            end(Reply::End::unreadable, QNetworkReply::NoError, reader_.failure());
            break;
        case HttpReplyReader::State::head:
        case HttpReplyReader::State::body:
            break;
        }
    }

    void endSoon(QNetworkReply::NetworkError error, const QString& why) {
        QTimer::singleShot(0, this, [this, error, why] { end(Reply::End::finished, error, why); });
    }

    // Closes the connection at once and hands over what came.
    void end(Reply::End how, QNetworkReply::NetworkError error, const QString& why) {
        if (!done_)
            return;
        deadline_.stop();
        if (socket_) {
            socket_->disconnect(this);
            socket_->abort();
        }
        Reply reply;
        reply.end = how;
        reply.error = error;
        reply.errorString = why;
        if (how != Reply::End::unreadable)
            reply.status = reader_.status();
        if (how == Reply::End::finished && error == QNetworkReply::NoError)
            reply.body = reader_.body();
        deleteLater();
        const auto done = std::exchange(done_, nullptr);
        done(reply);
    }

    HttpReplyReader reader_;
    std::function<void(const Reply&)> done_;
    QTimer deadline_;
    QAbstractSocket* socket_ = nullptr;
    QByteArray out_;
};

} // namespace

bool Reply::failedInTransit() const {
    return end == End::timedOut || error != QNetworkReply::NoError;
}

void logTransportFailure(const Reply& reply) {
    qCCritical(lcAsk, "ask network error: %s", qUtf8Printable(reply.errorString));
}

void send(QNetworkAccessManager& network, const QNetworkRequest& request, const QByteArray& method,
          const QByteArray& body, int deadlineMs, std::function<void(const Reply&)> done) {
    auto* exchange = new Exchange(network, std::move(done));
    exchange->start(proxyFor(network, request.url()), request, method, body, deadlineMs);
}

} // namespace brisklet::ModelRequest
