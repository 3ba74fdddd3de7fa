#include "ui/design/RelativeTime.h"

namespace brisklet {

QString relativeTime(const QDateTime& then, const QDateTime& now) {
    const qint64 seconds = then.secsTo(now);
    const qint64 magnitude = seconds < 0 ? -seconds : seconds;
    struct Unit {
        qint64 seconds;
        const char* one;
        const char* many;
    };
    static constexpr Unit units[] = {
        {365 * 86400, "yr.", "yr."}, {30 * 86400, "mo.", "mo."}, {7 * 86400, "wk.", "wk."},
        {86400, "day", "days"},      {3600, "hr.", "hr."},       {60, "min.", "min."},
        {1, "sec.", "sec."},
    };
    QString amount = QStringLiteral("0 sec.");
    for (const Unit& unit : units) {
        const qint64 count = magnitude / unit.seconds;
        if (count > 0) {
            amount = QString::number(count) + QLatin1Char(' ') +
                     QString::fromLatin1(count == 1 ? unit.one : unit.many);
            break;
        }
    }
    return seconds < 0 ? QStringLiteral("in ") + amount : amount + QStringLiteral(" ago");
}

} // namespace brisklet
