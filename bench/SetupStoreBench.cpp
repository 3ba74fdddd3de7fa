// Loading setups.json at start when many of its setups are said alike (a setup
// copied by hand over and over): each later one is renamed to a free copy name as
// the file loads, and the launch waits for it. The same when every name is said
// like another setup's phrase.
#include "setups/SetupStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using namespace brisklet;

namespace {

// `count` setups all named "Focus", written as a hand-made file would be; with
// `phrase`, each also says "focus", so every name is said like another's phrase.
QByteArray sameNamedSetups(int count, bool phrase = false) {
    const QDateTime made(QDate(2026, 11, 2), QTime(8, 15), Qt::UTC);
    QJsonArray array;
    for (int i = 0; i < count; ++i) {
        brisklet::Setup setup;
        setup.id = QUuid::createUuid();
        setup.name = QStringLiteral("Focus");
        if (phrase)
            setup.phrases = {QStringLiteral("focus")};
        setup.createdAt = setup.updatedAt = made;
        array.append(setup.toJson());
    }
    return QJsonDocument(array).toJson();
}

void loadSetups(benchmark::State& state, const QByteArray& bytes) {
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("setups.json"));
    std::size_t loaded = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size()) {
            state.SkipWithError("couldn't write the setups file");
            return;
        }
        file.close();
        state.ResumeTiming();
        SetupStore store(path);
        loaded = store.setups().size();
        benchmark::DoNotOptimize(loaded);
    }
    state.counters["setups"] = static_cast<double>(loaded);
}

void loadSetupsSaidAlike(benchmark::State& state) {
    loadSetups(state, sameNamedSetups(static_cast<int>(state.range(0))));
}
BENCHMARK(loadSetupsSaidAlike)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond)->UseRealTime();

void loadNamesSaidLikePhrases(benchmark::State& state) {
    loadSetups(state, sameNamedSetups(static_cast<int>(state.range(0)), true));
}
BENCHMARK(loadNamesSaidLikePhrases)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
