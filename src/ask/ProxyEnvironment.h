#pragma once

#include <QNetworkProxy>
#include <QString>
#include <QUrl>
#include <optional>

// The proxy variables of the environment, read as command-line tools read them.
namespace brisklet::ProxyEnvironment {

// The proxy the environment names for `url`: no proxy for a loopback host
// (localhost and the names under it, 127.0.0.0/8, ::1); else none when no proxy
// variable is set (the desktop's settings then decide). An http address takes http_proxy, then
// all_proxy; an https one https_proxy, then all_proxy, then http_proxy; each
// variable in lower case first, then in upper case. A host that no_proxy (or
// NO_PROXY) names goes direct, as does every host when no named proxy is usable.
std::optional<QNetworkProxy> forUrl(const QUrl& url);

} // namespace brisklet::ProxyEnvironment
