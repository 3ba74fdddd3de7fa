#pragma once

#include <QString>
#include <QStringList>

namespace brisklet::test {

// Collects the log messages written while it exists (from any thread).
class LogCapture final {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList messages() const;
    // How many messages contain `text`.
    int count(const QString& text) const;
    void clear();
};

} // namespace brisklet::test
