#include "commands/BrowserScripting.h"

#include <QUrl>

namespace brisklet::BrowserScripting {

const std::map<QString, Family>& families() {
    static const std::map<QString, Family> table{
        {QStringLiteral("firefox"), Family::firefox},
        {QStringLiteral("firefox-esr"), Family::firefox},
        {QStringLiteral("org.mozilla.firefox"), Family::firefox},
        {QStringLiteral("org.gnome.Epiphany"), Family::firefox},
        {QStringLiteral("chromium"), Family::chromium},
        {QStringLiteral("org.chromium.Chromium"), Family::chromium},
        {QStringLiteral("google-chrome"), Family::chromium},
        {QStringLiteral("com.google.Chrome"), Family::chromium},
        {QStringLiteral("brave-browser"), Family::chromium},
        {QStringLiteral("com.brave.Browser"), Family::chromium},
        {QStringLiteral("microsoft-edge"), Family::chromium},
        {QStringLiteral("com.microsoft.Edge"), Family::chromium},
        {QStringLiteral("vivaldi-stable"), Family::chromium},
        {QStringLiteral("com.vivaldi.Vivaldi"), Family::chromium},
        {QStringLiteral("opera"), Family::chromium},
        {QStringLiteral("com.opera.Opera"), Family::chromium},
    };
    return table;
}

const std::set<QString>& unscriptableBrowsers() {
    static const std::set<QString> table{
        QStringLiteral("org.qutebrowser.qutebrowser"),
        QStringLiteral("org.kde.falkon"),
        QStringLiteral("org.kde.konqueror"),
    };
    return table;
}

bool isKnownBrowser(const QString& desktopId) {
    return families().contains(desktopId) || unscriptableBrowsers().contains(desktopId);
}

std::optional<Family> family(const QString& desktopId) {
    const auto it = families().find(desktopId);
    if (it == families().end())
        return std::nullopt;
    return it->second;
}

bool isAllowedURL(const QString& text) {
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

QString quoted(const QString& text) {
    QString out;
    out.reserve(text.size() + 2);
    out.append(QLatin1Char('"'));
    for (const QChar c : text) {
        if (c.unicode() < 0x20)
            continue;
        if (c == QLatin1Char('\\') || c == QLatin1Char('"'))
            out.append(QLatin1Char('\\'));
        out.append(c);
    }
    out.append(QLatin1Char('"'));
    return out;
}

} // namespace brisklet::BrowserScripting
