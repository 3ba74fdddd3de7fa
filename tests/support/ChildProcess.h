#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace brisklet::test {

// Starts `program` in `env`, its output and errors merged into one stream.
inline void startMerged(QProcess& process, const QProcessEnvironment& env, const QString& program,
                        const QStringList& arguments) {
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
}

// Everything `process` printed so far: `seen` keeps what earlier calls read.
inline QByteArray collect(QProcess& process, QByteArray& seen) {
    process.waitForReadyRead(20);
    seen += process.readAll();
    return seen;
}

} // namespace brisklet::test
