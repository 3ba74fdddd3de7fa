#include "base/SerialQueue.h"
#include "base/Text.h"

#include <benchmark/benchmark.h>

using namespace brisklet;

// Every heard phrase is normalised before matching.
static void normalizePhrase(benchmark::State& state) {
    const QString phrase = QStringLiteral("  Hey, could you Open Firefox — and move it to the LEFT half?  ");
    for (auto _ : state)
        benchmark::DoNotOptimize(Text::normalize(phrase));
}
BENCHMARK(normalizePhrase);

// A hop onto a serial queue and back, as the executor does per plan.
static void serialQueueRoundTrip(benchmark::State& state) {
    SerialQueue queue("com.brisklet.bench");
    int n = 0;
    for (auto _ : state)
        queue.sync([&] { ++n; });
    benchmark::DoNotOptimize(n);
}
BENCHMARK(serialQueueRoundTrip);

BENCHMARK_MAIN();
