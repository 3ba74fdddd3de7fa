#include "ask/Brand.h"

#include "base/Log.h"

#include <QUrl>
#include <QtGlobal>

namespace brisklet::Brand {

namespace {

// No deployment values yet: the placeholder keeps the build honest about that.
const char* const kBuiltInBase = "https://YOUR-PROJECT.invalid";
const char* const kBuiltInKey = "sb_publishable_0000000000000000000000000000000";

} // namespace

QString serviceBaseAddress() {
    if (qEnvironmentVariableIsSet("BRISKLET_SERVICE_URL"))
        return qEnvironmentVariable("BRISKLET_SERVICE_URL");
    return QString::fromLatin1(kBuiltInBase);
}

QString apiBase() {
    return serviceBaseAddress() + QStringLiteral("/functions/v1");
}

QString publishableKey() {
    if (qEnvironmentVariableIsSet("BRISKLET_SERVICE_ANON_KEY"))
        return qEnvironmentVariable("BRISKLET_SERVICE_ANON_KEY");
    return QString::fromLatin1(kBuiltInKey);
}

bool serviceConfigured() {
    const QString base = serviceBaseAddress();
    if (base.contains(QStringLiteral("YOUR-PROJECT")))
        return false;
    const QUrl url(apiBase() + QStringLiteral("/ask"), QUrl::StrictMode);
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty() || (scheme != u"https" && scheme != u"http")) {
        // Said once per address: this is asked before every request.
        static QString reported;
        if (reported != base) {
            reported = base;
            qCCritical(lcAsk).noquote() << "service address is not a valid web address:" << base;
        }
        return false;
    }
    if (!headerSafe(publishableKey())) {
        qCCritical(lcAsk) << "service key holds control characters";
        return false;
    }
    return true;
}

bool snapshotMode() {
    return qEnvironmentVariableIsSet("BRISKLET_SNAPSHOT_DIR");
}

bool headerSafe(const QString& value) {
    for (const QChar c : value)
        if (c.category() == QChar::Other_Control)
            return false;
    return true;
}

} // namespace brisklet::Brand
