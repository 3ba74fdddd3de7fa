// Window placement on a real X server with openbox: the time from a "left half"
// request to its verified landing, and the time to sort eight windows. It always
// runs itself inside a private test desktop, never on the user's own display (a
// sort would tile the user's windows). Pure layout time too.
#include "BenchDesktop.h"
#include "platform/linux/X11WindowSystem.h"
#include "windows/WindowEngine.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

using namespace brisklet;

namespace {

QString selfDir;

struct Desktop {
    platform::X11WindowSystem ws;
    std::unique_ptr<WindowEngine> engine;
    std::vector<std::unique_ptr<QProcess>> clients;
    std::vector<platform::WindowId> windows;

    Desktop() { engine = std::make_unique<WindowEngine>(ws, nullptr, nullptr); }
    ~Desktop() {
        for (auto& c : clients) {
            c->terminate();
            c->waitForFinished(2000);
        }
    }
    bool open(int count) {
        const QString client = selfDir + "/../tests/brisklet-xtestclient";
        auto p = std::make_unique<QProcess>();
        p->start(client, {"--count", QString::number(count), "--geometry", "500x400+100+100"});
        if (!p->waitForStarted(3000))
            return false;
        while (static_cast<int>(windows.size()) < count && p->waitForReadyRead(5000))
            while (p->canReadLine()) {
                const QByteArray line = p->readLine().trimmed();
                if (line.startsWith("window "))
                    windows.push_back(line.mid(7).toUInt(nullptr, 0));
            }
        clients.push_back(std::move(p));
        // Wait until the window manager lists them.
        for (int i = 0; i < 200; ++i) {
            const auto listed = ws.windows();
            int found = 0;
            for (auto w : windows)
                for (const auto& info : listed)
                    found += info.id == w;
            if (found == static_cast<int>(windows.size()))
                return true;
            usleep(10000);
        }
        return false;
    }
};

void leftHalfVerified(benchmark::State& state) {
    if (!std::getenv("BRISKLET_BENCH_DESKTOP")) {
        state.SkipWithError("no private test desktop");
        return;
    }
    Desktop d;
    if (!d.ws.isConnected() || !d.open(1)) {
        state.SkipWithError("no test desktop");
        return;
    }
    d.ws.activate(d.windows[0]);
    usleep(50000);
    bool ok = true;
    for (auto _ : state) {
        state.PauseTiming();
        d.ws.setFrame(d.windows[0], QRectF(300, 200, 640, 480));
        state.ResumeTiming();
        ok = d.engine->move(WindowPosition::left) && ok;
    }
    if (!ok)
        state.SkipWithError("a move did not land");
}
BENCHMARK(leftHalfVerified)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(30);

void sortEightWindows(benchmark::State& state) {
    if (!std::getenv("BRISKLET_BENCH_DESKTOP")) {
        state.SkipWithError("no private test desktop");
        return;
    }
    Desktop d;
    if (!d.ws.isConnected() || !d.open(8)) {
        state.SkipWithError("no test desktop");
        return;
    }
    int landed = 0;
    int n = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (size_t i = 0; i < d.windows.size(); ++i)
            d.ws.setFrame(d.windows[i], QRectF(50 + 60 * i, 40 + 50 * i, 500, 400));
        state.ResumeTiming();
        landed += d.engine->sortActive(std::nullopt).landed;
        ++n;
    }
    state.counters["landed"] = n ? double(landed) / n : 0;
}
BENCHMARK(sortEightWindows)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

void layoutEightWindows(benchmark::State& state) {
    WindowGeometry::Group group;
    group.visible = QRectF(0, 0, 2560, 1415);
    std::map<quint32, QSizeF> floors;
    for (quint32 i = 0; i < 8; ++i) {
        WindowRef w;
        w.windowID = i + 1;
        w.appName = QStringLiteral("App %1").arg(i);
        w.axFrame = QRectF(37.0 * i, 23.0 * i, 800, 600);
        group.windows.push_back(w);
        if (i % 3 == 0)
            floors[i + 1] = QSizeF(700, 400);
    }
    for (auto _ : state) {
        QStringList around, unfit;
        benchmark::DoNotOptimize(WindowGeometry::layoutGroup(group, floors, 1440, around, unfit));
    }
}
BENCHMARK(layoutEightWindows);

} // namespace

int main(int argc, char** argv) {
    return bench::runWithTestDesktop(argc, argv, selfDir);
}
