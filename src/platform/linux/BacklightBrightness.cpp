#include "platform/linux/BacklightBrightness.h"

#include "base/Log.h"
#include "platform/linux/DBusCall.h"

#include <QDBusConnection>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cmath>

namespace brisklet::platform {

namespace {
const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString sessionPath = QStringLiteral("/org/freedesktop/login1/session/auto");
const QString sessionInterface = QStringLiteral("org.freedesktop.login1.Session");
constexpr int timeoutMs = 3000;

int typeRank(const QString& type) {
    if (type == QLatin1String("firmware"))
        return 0;
    if (type == QLatin1String("platform"))
        return 1;
    if (type == QLatin1String("raw"))
        return 2;
    return 3;
}

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.read(64)).trimmed();
}
} // namespace

BacklightBrightness::BacklightBrightness(QString sysfsRoot) : root_(std::move(sysfsRoot)) {}

std::optional<long long> BacklightBrightness::readNumber(const QString& device, const char* file) const {
    bool ok = false;
    const long long value =
        readText(root_ + QLatin1Char('/') + device + QLatin1Char('/') + QLatin1String(file)).toLongLong(&ok);
    if (!ok || value < 0)
        return std::nullopt;
    return value;
}

std::optional<QString> BacklightBrightness::device() const {
    const QStringList names =
        QDir(root_).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    std::optional<QString> best;
    int bestRank = 99;
    for (const QString& name : names) {
        const auto max = readNumber(name, "max_brightness");
        if (!max || *max <= 0)
            continue;
        const int rank = typeRank(readText(root_ + QLatin1Char('/') + name + QStringLiteral("/type")));
        if (rank < bestRank) {
            best = name;
            bestRank = rank;
        }
    }
    return best;
}

bool BacklightBrightness::isAvailable() {
    if (!device())
        return false;
    const auto active = DBusCall::property(QDBusConnection::systemBus(), login1, sessionPath,
                                           sessionInterface, QStringLiteral("Active"), timeoutMs);
    return active && active->toBool();
}

std::optional<double> BacklightBrightness::read() {
    const auto dev = device();
    if (!dev)
        return std::nullopt;
    const auto max = readNumber(*dev, "max_brightness");
    const auto now = readNumber(*dev, "brightness");
    if (!max || !now || *max <= 0)
        return std::nullopt;
    return std::clamp(static_cast<double>(*now) / static_cast<double>(*max), 0.0, 1.0);
}

bool BacklightBrightness::set(double level) {
    const auto dev = device();
    if (!dev || std::isnan(level))
        return false;
    const auto max = readNumber(*dev, "max_brightness");
    if (!max)
        return false;
    const auto value =
        static_cast<uint>(std::llround(std::clamp(level, 0.0, 1.0) * static_cast<double>(*max)));
    QDBusMessage call = QDBusMessage::createMethodCall(login1, sessionPath, sessionInterface,
                                                       QStringLiteral("SetBrightness"));
    call << QStringLiteral("backlight") << *dev << value;
    const ScriptOutcome outcome =
        DBusCall::outcomeOf(DBusCall::call(QDBusConnection::systemBus(), call, timeoutMs));
    if (!outcome.isOk())
        qCInfo(lcApp).noquote() << "setting the backlight failed:"
                                << (outcome.isDenied() ? "not allowed" : outcome.text);
    return outcome.isOk();
}

} // namespace brisklet::platform
