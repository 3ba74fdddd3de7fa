// A setup of three running apps on a real X server with openbox: the time from
// "run" until the run returns with every window placed (the glide, verification
// and bringing the apps forward included). It runs inside a private test desktop,
// never on the user's own display.
#include "BenchDesktop.h"
#include "platform/WindowSystem.h"
#include "setups/SetupEngine.h"
#include "setups/SetupStore.h"
#include "shell/LinuxPlatform.h"
#include "windows/WindowEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <unistd.h>

using namespace brisklet;

namespace {

QString selfDir;
const QStringList appIds{"org.example.BenchOne", "org.example.BenchTwo", "org.example.BenchThree"};

QString client() {
    return selfDir + "/../tests/brisklet-xtestclient";
}

// Desktop entries for the three apps, in a data folder of their own.
void writeEntries(const QString& dataHome) {
    QDir().mkpath(dataHome + "/applications");
    for (int i = 0; i < appIds.size(); ++i) {
        QFile f(dataHome + "/applications/" + appIds[i] + ".desktop");
        if (!f.open(QIODevice::WriteOnly))
            continue;
        const QString cls = QString("BenchApp%1").arg(i);
        f.write(
            QString("[Desktop Entry]\nType=Application\nName=Bench %1\nStartupWMClass=%2\nExec=%3 --class "
                    "benchapp%1,%2\n")
                .arg(i)
                .arg(cls, client())
                .toUtf8());
    }
}

brisklet::Setup threeApps(bool flipped) {
    brisklet::Setup s;
    s.id = QUuid::createUuid();
    s.name = "Bench";
    for (int i = 0; i < appIds.size(); ++i) {
        SetupItem item;
        item.id = QUuid::createUuid();
        item.bundleID = appIds[i];
        item.appName = QString("Bench %1").arg(i);
        const double x = flipped ? 0.6 - 0.3 * i : 0.3 * i;
        item.frame = SetupFrame{x, 0.1, 0.3, 0.6, 0};
        s.items.push_back(item);
    }
    return s;
}

void runThreeRunningApps(benchmark::State& state) {
    if (!std::getenv("BRISKLET_BENCH_DESKTOP")) {
        state.SkipWithError("no private test desktop");
        return;
    }
    QTemporaryDir home;
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    writeEntries(home.path() + "/data");
    std::vector<std::unique_ptr<QProcess>> clients;
    for (int i = 0; i < appIds.size(); ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(client(),
                 {"--class", QString("benchapp%1,BenchApp%1").arg(i), "--geometry", "400x300+50+50"});
        p->waitForStarted(3000);
        clients.push_back(std::move(p));
    }
    LinuxPlatform platform;
    WindowEngine windows(platform.windowSystem(), platform.ownWindows(), platform.launcher());
    // Wait until the window manager lists all three under their apps.
    for (int tries = 0; tries < 300; ++tries) {
        int found = 0;
        for (const auto& w : platform.windowSystem().windows())
            found += appIds.contains(w.appId);
        if (found == appIds.size())
            break;
        usleep(10000);
    }
    SetupStore store(home.path() + "/setups.json");
    SetupEngine::Collaborators c;
    c.installed = &platform.installedApps();
    c.running = platform.runningApps();
    c.launcher = platform.launcher();
    SetupEngine engine(windows, store, c);

    bool flipped = false;
    int placed = 0;
    int runs = 0;
    for (auto _ : state) {
        placed += engine.run(threeApps(flipped)).placed;
        flipped = !flipped;
        ++runs;
    }
    state.counters["placed"] = runs ? double(placed) / runs : 0;
    for (auto& p : clients) {
        p->terminate();
        p->waitForFinished(2000);
    }
}
BENCHMARK(runThreeRunningApps)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithTestDesktop(argc, argv, selfDir);
}
