#pragma once

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace brisklet::test {

// The test desktop's sound server (PulseAudio, or PipeWire with its pulse service),
// which a test can take away and bring back: it comes back with the same sink
// "testsink" and microphone "testmic". Each call waits until the server is gone or
// answers; on failure, error() says why.
class TestSoundServer {
public:
    // "pulseaudio" or "pipewire"; empty outside the test desktop.
    static QString name() { return qEnvironmentVariable("BRISKLET_TEST_SOUND_SERVER"); }

    // Ends it as an update does (SIGTERM).
    bool stop() { return run(QStringLiteral("stop")); }
    // Ends it at once, as a crash does (SIGKILL).
    bool kill() { return run(QStringLiteral("kill")); }
    bool start() { return run(QStringLiteral("start")); }
    bool restart() { return run(QStringLiteral("restart")); }
    bool running() { return !pids().isEmpty(); }

    QList<qint64> pids() {
        QList<qint64> out;
        if (!run(QStringLiteral("pids")))
            return out;
        for (const QByteArray& line : output_.split('\n'))
            if (const qint64 pid = line.trimmed().toLongLong(); pid > 0)
                out.append(pid);
        return out;
    }

    const QString& error() const { return error_; }

private:
    bool run(const QString& command) {
        output_.clear();
        const QString script = qEnvironmentVariable("BRISKLET_TEST_SOUND_SERVER_SCRIPT");
        if (script.isEmpty()) {
            error_ = QStringLiteral("no test desktop: run the test in scripts/test-desktop");
            return false;
        }
        QProcess process;
        process.start(script, {command});
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished(2000);
            error_ = QStringLiteral("test-sound-server %1 did not finish").arg(command);
            return false;
        }
        output_ = process.readAllStandardOutput();
        if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
            error_ = QStringLiteral("test-sound-server %1: %2")
                         .arg(command, QString::fromUtf8(process.readAllStandardError()).trimmed());
            return false;
        }
        error_.clear();
        return true;
    }

    QByteArray output_;
    QString error_;
};

// Brings the server back when a test that took it away ends early, so the tests after
// it find the desktop as it was.
class SoundServerBack {
public:
    SoundServerBack() = default;
    ~SoundServerBack() {
        TestSoundServer server;
        if (!server.name().isEmpty() && !server.running())
            server.start();
    }
    SoundServerBack(const SoundServerBack&) = delete;
    SoundServerBack& operator=(const SoundServerBack&) = delete;
};

} // namespace brisklet::test
