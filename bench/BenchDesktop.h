#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QFileInfo>
#include <QString>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <vector>

namespace brisklet::bench {

// Benchmarks that press keys and move windows run inside a private test desktop,
// never on the user's own: the first start execs itself again through
// scripts/test-desktop. Returns false when there is no test desktop to run in
// (the caller skips its X figures); it does not return when it re-execs.
inline bool enterTestDesktop(int argc, char** argv, const QString& selfDir) {
    if (std::getenv("BRISKLET_BENCH_DESKTOP"))
        return true;
    const QByteArray script = (selfDir + "/../../scripts/test-desktop").toLocal8Bit();
    if (QFileInfo::exists(QString::fromLocal8Bit(script))) {
        setenv("BRISKLET_BENCH_DESKTOP", "1", 1);
        std::vector<char*> args = {const_cast<char*>(script.constData())};
        for (int i = 0; i < argc; ++i)
            args.push_back(argv[i]);
        args.push_back(nullptr);
        execv(script.constData(), args.data());
    }
    return false;
}

// The whole main of a benchmark program with X figures: sets `selfDir` to the
// program's folder, enters the test desktop when there is one, runs every benchmark.
inline int runWithTestDesktop(int argc, char** argv, QString& selfDir) {
    selfDir = QFileInfo(QString::fromLocal8Bit(argv[0])).absolutePath();
    if (!enterTestDesktop(argc, argv, selfDir))
        std::fputs("no test desktop: the X figures are skipped\n", stderr);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace brisklet::bench
