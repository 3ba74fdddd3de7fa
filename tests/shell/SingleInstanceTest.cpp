#include "shell/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace brisklet;
using SingleInstance::Process;

TEST(SingleInstance, earliestStartWinsAndTiesGoToTheLowerPid) {
    const Process self{500, 1000, false};
    EXPECT_FALSE(SingleInstance::deferTo(self, {}).has_value());
    EXPECT_EQ(SingleInstance::deferTo(self, {{600, 999, false}}), 600);
    EXPECT_FALSE(SingleInstance::deferTo(self, {{600, 1001, false}}).has_value());
    // Same instant: the higher pid defers.
    EXPECT_EQ(SingleInstance::deferTo(self, {{400, 1000, false}}), 400);
    EXPECT_FALSE(SingleInstance::deferTo(self, {{600, 1000, false}}).has_value());
    // The earliest of several is the one to defer to.
    EXPECT_EQ(SingleInstance::deferTo(self, {{700, 990, false}, {800, 980, false}, {900, 985, false}}), 800);
}

TEST(SingleInstance, unknownStartTimesAndDyingProcessesNeverWin) {
    const Process self{500, 1000, false};
    EXPECT_FALSE(SingleInstance::deferTo(self, {{600, std::nullopt, false}}).has_value());
    EXPECT_FALSE(SingleInstance::deferTo(self, {{600, 10, true}}).has_value());
    EXPECT_EQ(SingleInstance::deferTo(self, {{600, std::nullopt, false}, {700, 20, false}}), 700);
    // Our own start time unknown: carry on.
    EXPECT_FALSE(SingleInstance::deferTo({500, std::nullopt, false}, {{600, 10, false}}).has_value());
}

namespace {
void writeStat(const QString& root, qint64 pid, const QByteArray& comm, const char* state, quint64 start,
               const QString& exe, const QByteArray& runtimeDir = "/run/user/1000") {
    const QString dir = root + QStringLiteral("/%1").arg(pid);
    QDir().mkpath(dir);
    QFile f(dir + "/stat");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    QByteArray line = QByteArray::number(pid) + " (" + comm + ") " + state + " 1 1 1 0 -1 4194560";
    // fields 10..21, then the start time as field 22
    for (int i = 10; i <= 21; ++i)
        line += " 0";
    line += " " + QByteArray::number(start) + " 1000 200\n";
    f.write(line);
    f.close();
    if (!exe.isEmpty())
        QFile::link(exe, dir + "/exe");
    QFile environ(dir + "/environ");
    ASSERT_TRUE(environ.open(QIODevice::WriteOnly));
    for (const QByteArray& entry :
         {QByteArray("HOME=/home/u"), "XDG_RUNTIME_DIR=" + runtimeDir, QByteArray("LANG=C")})
        environ.write(entry + '\0');
}
} // namespace

TEST(SingleInstance, readsStartTimesPastTrickyCommandNames) {
    QTemporaryDir proc;
    writeStat(proc.path(), 42, "odd) name (x", "S", 123456, {});
    auto p = SingleInstance::readProcess(proc.path(), 42);
    ASSERT_TRUE(p.has_value());
    EXPECT_EQ(p->startTicks, 123456u);
    EXPECT_FALSE(p->terminated);
    writeStat(proc.path(), 43, "brisklet", "Z", 5, {});
    EXPECT_TRUE(SingleInstance::readProcess(proc.path(), 43)->terminated);
    EXPECT_FALSE(SingleInstance::readProcess(proc.path(), 44).has_value());
}

TEST(SingleInstance, findsTheSameProgramWhateverItsPathButOnlyInTheSameSession) {
    QTemporaryDir proc;
    QTemporaryDir bin;
    QTemporaryDir installed;
    const QString ours = bin.filePath("brisklet");
    const QString theirs = bin.filePath("other");
    const QString copy = installed.filePath("brisklet"); // an installed copy beside a build
    for (const QString& path : {ours, theirs, copy}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    writeStat(proc.path(), 10, "brisklet", "S", 100, ours);
    writeStat(proc.path(), 11, "other", "S", 50, theirs);
    writeStat(proc.path(), 12, "brisklet", "S", 90, ours + " (deleted)");
    writeStat(proc.path(), 13, "brisklet", "S", 80, ours); // ourselves
    writeStat(proc.path(), 14, "brisklet", "S", 70, copy);
    writeStat(proc.path(), 15, "brisklet", "S", 60, copy, "/tmp/elsewhere"); // can't be asked to show
    EXPECT_EQ(SingleInstance::programName(ours), "brisklet");
    EXPECT_EQ(SingleInstance::programName(copy + " (deleted)"), "brisklet");
    auto others = SingleInstance::findOthers(proc.path(), "brisklet", "/run/user/1000", 13);
    std::vector<qint64> pids;
    for (const auto& p : others)
        pids.push_back(p.pid);
    std::sort(pids.begin(), pids.end());
    EXPECT_EQ(pids, (std::vector<qint64>{10, 12, 14}));
}
