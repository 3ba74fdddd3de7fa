#include "ask/ProxyEnvironment.h"

#include "base/Log.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace brisklet::ProxyEnvironment {

namespace {

// The value of the first of `names` set and not empty.
QString firstSet(std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const QString value = qEnvironmentVariable(name).trimmed();
        if (!value.isEmpty())
            return value;
    }
    return {};
}

// "host:port" or "scheme://[user:password@]host[:port]"; none for a proxy of a kind
// the connection cannot go through.
std::optional<QNetworkProxy> proxyFrom(const QString& text) {
    const QUrl url(text.contains(QLatin1String("://")) ? text : QStringLiteral("http://") + text,
                   QUrl::StrictMode);
    const QString scheme = url.scheme();
    QNetworkProxy::ProxyType type = QNetworkProxy::HttpProxy;
    if (scheme == QLatin1String("socks5") || scheme == QLatin1String("socks5h"))
        type = QNetworkProxy::Socks5Proxy;
    else if (scheme != QLatin1String("http"))
        return std::nullopt;
    if (!url.isValid() || url.host().isEmpty())
        return std::nullopt;
    return QNetworkProxy(type, url.host(), quint16(url.port(1080)), url.userName(QUrl::FullyDecoded),
                         url.password(QUrl::FullyDecoded));
}

// Whether the no_proxy list `hosts` names `host`: "*" names every host; a name, with
// or without a leading dot, names itself and the hosts of its domain; an address
// names itself, and "address/bits" the addresses of that network.
bool names(const QString& hosts, const QString& host) {
    QString name = host.toLower();
    if (name.endsWith('.'))
        name.chop(1);
    QHostAddress address;
    const bool isAddress = address.setAddress(name);
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    for (QString entry : hosts.toLower().split(separators, Qt::SkipEmptyParts)) {
        if (entry == QLatin1String("*"))
            return true;
        if (isAddress) {
            entry.remove('[').remove(']');
            if (entry.contains('/') ? address.isInSubnet(QHostAddress::parseSubnet(entry))
                                    : address.isEqual(QHostAddress(entry)))
                return true;
            continue;
        }
        if (entry.startsWith('.'))
            entry.remove(0, 1);
        if (entry.endsWith('.'))
            entry.chop(1);
        if (!entry.isEmpty() && (name == entry || name.endsWith('.' + entry)))
            return true;
    }
    return false;
}

// Whether `host` is this machine's loopback: "localhost" and the names under it,
// 127.0.0.0/8 and ::1.
bool loopback(const QString& host) {
    QString name = host.toLower();
    if (name.endsWith('.'))
        name.chop(1);
    if (name == QLatin1String("localhost") || name.endsWith(QLatin1String(".localhost")))
        return true;
    QHostAddress address;
    return address.setAddress(name) && address.isLoopback();
}

} // namespace

std::optional<QNetworkProxy> forUrl(const QUrl& url) {
    // A proxy elsewhere cannot reach this machine's loopback, and an http request
    // would hand it the phrase and the key in clear.
    if (loopback(url.host()))
        return QNetworkProxy(QNetworkProxy::NoProxy);
    const QString https = firstSet({"https_proxy", "HTTPS_PROXY"});
    const QString all = firstSet({"all_proxy", "ALL_PROXY"});
    const QString http = firstSet({"http_proxy", "HTTP_PROXY"});
    if (https.isEmpty() && all.isEmpty() && http.isEmpty())
        return std::nullopt;
    if (names(firstSet({"no_proxy", "NO_PROXY"}), url.host()))
        return QNetworkProxy(QNetworkProxy::NoProxy);
    const bool secure = url.scheme() == QLatin1String("https");
    // A proxy named for http alone carries https too, as the desktop's proxy
    // library has it: a setting that works for a browser works here.
    for (const QString& text : secure ? QStringList{https, all, http} : QStringList{http, all}) {
        if (text.isEmpty())
            continue;
        if (std::optional<QNetworkProxy> proxy = proxyFrom(text))
            return proxy;
        // The value may hold a password: it stays out of the log.
        qCWarning(lcAsk) << "a proxy variable names a proxy that cannot be used; it is skipped";
    }
    return QNetworkProxy(QNetworkProxy::NoProxy);
}

} // namespace brisklet::ProxyEnvironment
