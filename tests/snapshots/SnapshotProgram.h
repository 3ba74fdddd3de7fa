#pragma once

#include <QDir>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace brisklet::test {

// The brisklet program started in snapshot mode as a user would: a bare
// environment with a temporary home, the fixture applications, and
// BRISKLET_SNAPSHOT_DIR. What it printed and how it ended.
struct SnapshotProgram {
    int status = -1; // -1: it crashed or outlived the limit
    QString out;
    QStringList errors; // the "snapshot <name>: <reason>" lines

    static QProcessEnvironment environment(const QString& home, const QString& folder) {
        QProcessEnvironment env;
        env.insert("PATH", qEnvironmentVariable("PATH"));
        env.insert("HOME", home);
        for (const char* name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_RUNTIME_DIR"}) {
            const QString path = home + QLatin1Char('/') + QString::fromLatin1(name).toLower();
            QDir().mkpath(path);
            env.insert(name, path);
        }
        env.insert("XDG_DATA_DIRS", QStringLiteral(BRISKLET_TEST_SOURCE_DIR "/snapshots/fixtures/xdg"));
        env.insert("LC_ALL", "C.UTF-8");
        env.insert("TZ", "UTC");
        env.insert("BRISKLET_SNAPSHOT_DIR", folder);
        // A sanitizer run's settings (its leak suppressions) reach the program too.
        for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
            if (qEnvironmentVariableIsSet(name))
                env.insert(name, qEnvironmentVariable(name));
        }
        return env;
    }

    static SnapshotProgram run(const QProcessEnvironment& env) {
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(BRISKLET_EXECUTABLE), {});
        SnapshotProgram result;
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return result;
        }
        result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        for (const QString& line : QString::fromUtf8(process.readAllStandardError()).split('\n'))
            if (line.startsWith(QLatin1String("snapshot ")))
                result.errors << line;
        return result;
    }
};

} // namespace brisklet::test
