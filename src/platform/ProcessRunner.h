#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace brisklet::platform {

// What a finished (or stopped) child left behind.
struct ProcessResult {
    // The exit status; 128 + N for a child ended by signal N, 124 for one stopped at
    // its time limit, -1 for one that never started. Anything but 0 is a failure.
    int status = -1;
    QString out; // standard output as UTF-8 (empty when it is not valid UTF-8)
    QString err; // standard error, likewise
    bool operator==(const ProcessResult&) const = default;
};

// The one way the program runs other programs. Blocks the caller until the child
// has ended or been stopped, so never call it on the main thread.
class ProcessRunner {
public:
    virtual ~ProcessRunner() = default;
    // Runs `program` (looked up on PATH when it has no "/") with `args`. After
    // `timeoutSeconds` the child's whole process group is asked to stop, then killed.
    // `environment` entries are set on top of the program's own environment.
    virtual ProcessResult run(const QString& program, const QStringList& args, double timeoutSeconds,
                              const QMap<QString, QString>& environment) = 0;
    ProcessResult run(const QString& program, const QStringList& args, double timeoutSeconds) {
        return run(program, args, timeoutSeconds, {});
    }
};

} // namespace brisklet::platform
