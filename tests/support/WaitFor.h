#pragma once

#include <QDeadlineTimer>
#include <QTest>

namespace brisklet::test {

// Runs the event loop until `done` holds or `ms` pass; whether it held.
template <class Done> bool waitFor(Done done, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(5);
    }
    return true;
}

} // namespace brisklet::test
