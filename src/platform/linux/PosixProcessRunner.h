#pragma once

#include "platform/ProcessRunner.h"

#include <QByteArray>
#include <vector>

namespace brisklet::platform {

// Children run in a process group of their own, so a time-out can stop everything
// they started. Output is read while they run (so a chatty child never blocks on a
// full pipe), kept up to a cap, and read for only a short while after the child
// exits, because a grandchild may hold the pipes open for ever.
class PosixProcessRunner final : public ProcessRunner {
public:
    struct Limits {
        double killGrace = 1.0;        // between the polite stop and the kill
        double drainAfterExit = 0.1;   // reading what is left once the child is gone
        qsizetype maxOutput = 4 << 20; // bytes kept per stream; the rest is read and dropped
    };
    PosixProcessRunner() = default;
    explicit PosixProcessRunner(Limits limits) : limits_(limits) {}

    // Our environment for a child, with `overrides` set on top.
    static std::vector<QByteArray> environmentWith(const QMap<QString, QString>& overrides);

    using ProcessRunner::run;
    ProcessResult run(const QString& program, const QStringList& args, double timeoutSeconds,
                      const QMap<QString, QString>& environment) override;

private:
    Limits limits_;
};

} // namespace brisklet::platform
