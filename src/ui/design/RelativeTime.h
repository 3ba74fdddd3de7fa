#pragma once

#include <QDateTime>
#include <QString>

namespace brisklet {

// "2 hr. ago" (or "in 2 min."): the largest whole unit between the two times.
QString relativeTime(const QDateTime& then, const QDateTime& now);

} // namespace brisklet
