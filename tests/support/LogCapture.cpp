#include "support/LogCapture.h"

#include <QtGlobal>

#include <mutex>

namespace brisklet::test {

namespace {
std::mutex mutex;
QStringList captured;
QtMessageHandler previous = nullptr;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        std::lock_guard lock(mutex);
        captured.append(message);
    }
    if (previous)
        previous(type, context, message);
}
} // namespace

LogCapture::LogCapture() {
    clear();
    previous = qInstallMessageHandler(handler);
}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous);
}

QStringList LogCapture::messages() const {
    std::lock_guard lock(mutex);
    return captured;
}

int LogCapture::count(const QString& text) const {
    std::lock_guard lock(mutex);
    int n = 0;
    for (const QString& m : captured)
        n += m.contains(text) ? 1 : 0;
    return n;
}

void LogCapture::clear() {
    std::lock_guard lock(mutex);
    captured.clear();
}

} // namespace brisklet::test
