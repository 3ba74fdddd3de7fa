// Matching one phrase against a realistic desktop: 3,000 installed apps, 200 setups,
// 100 commands and 50 saved layouts. Prints the median and 99th percentile per phrase.
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/IntentMatcher.h"
#include "platform/Apps.h"

#include <QCoreApplication>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <map>
#include <random>

using namespace brisklet;

namespace {

const QStringList kWords = {
    "photo", "studio", "code",    "editor",   "music",  "player",  "video",  "mail",   "calendar",
    "notes", "task",   "manager", "terminal", "file",   "browser", "chat",   "office", "writer",
    "sheet", "draw",   "paint",   "sound",    "record", "stream",  "cloud",  "sync",   "backup",
    "disk",  "system", "monitor", "network",  "tools",  "game",    "chess",  "maps",   "weather",
    "clock", "timer",  "reader",  "book",     "news",   "feed",    "pass",   "vault",  "secure",
    "shell", "remote", "desktop", "viewer",   "image",  "pixel",   "vector", "sketch", "design",
    "build", "deploy", "git",     "docker",   "data",   "base"};

class BenchInstalledApps final : public platform::InstalledApps {
public:
    std::vector<platform::AppEntry> installedApps() override { return apps; }
    std::vector<platform::AppEntry> apps;
};

class BenchSetups final : public SetupDirectory {
public:
    std::shared_ptr<const std::vector<SetupNames>> setupNames() const override { return list; }
    std::optional<QString> lookupName(const QString& phrase) const override {
        for (const SetupNames& s : *list) {
            if (s.name.toLower() == phrase)
                return s.name;
        }
        return std::nullopt;
    }
    std::shared_ptr<const std::vector<SetupNames>> list;
};

class BenchLayouts final : public LayoutNames {
public:
    std::vector<QString> cachedNames() const override { return names; }
    std::vector<QString> names;
};

QString title(const QString& w) {
    return w.left(1).toUpper() + w.mid(1);
}

struct World {
    BenchInstalledApps installed;
    BenchSetups setups;
    BenchLayouts layouts;
    CommandRegistry registry{QStringLiteral("/nonexistent/commands.json")};
    std::unique_ptr<AppIndex> index;
    std::unique_ptr<IntentMatcher> matcher;

    World() {
        std::mt19937 rng(7);
        auto word = [&] { return kWords[int(rng() % kWords.size())]; };
        for (int i = 0; i < 3000; ++i) {
            const int n = 1 + int(rng() % 3);
            QStringList parts;
            for (int k = 0; k < n; ++k)
                parts << title(word());
            if (rng() % 4 == 0)
                parts << QString::number(i);
            const QString name = parts.join(' ');
            installed.apps.push_back(
                {QStringLiteral("app%1").arg(i), name, QStringLiteral("/apps/%1.desktop").arg(i)});
        }
        installed.apps.push_back({"firefox-esr", "Firefox ESR", "/apps/firefox-esr.desktop"});
        installed.apps.push_back({"slack", "Slack", "/apps/slack.desktop"});

        auto list = std::make_shared<std::vector<SetupNames>>();
        for (int i = 0; i < 200; ++i) {
            SetupNames s{title(word()) + " " + word() + " " + QString::number(i), {}};
            if (i % 2 == 0)
                s.phrases << word() + " time " + QString::number(i);
            if (i % 5 == 0)
                s.phrases << "my " + word() + " " + QString::number(i);
            list->push_back(s);
        }
        list->push_back({"Deep Work", {"focus time"}});
        setups.list = list;

        for (int i = 0; i < 50; ++i)
            layouts.names.push_back(word() + " layout " + QString::number(i));
        layouts.names.push_back("coding");

        std::vector<CommandEntry> commands = CommandRegistry::defaults();
        for (int i = 0; commands.size() < 100; ++i)
            commands.push_back(
                {QStringLiteral("user-%1").arg(i),
                 {"launch my " + word() + " " + QString::number(i), word() + " now " + QString::number(i)},
                 "openApp",
                 {{"name", installed.apps[size_t(i)].name}},
                 true});
        registry.setEntries(commands);

        index = std::make_unique<AppIndex>(&installed, nullptr);
        index->refresh();
        index->waitForScans();
        matcher = std::make_unique<IntentMatcher>(registry, setups, &layouts, index.get());
    }
};

// A mix of what people say: commands, setups and parametric requests that match
// early, misheard ones that need the fuzzy step or the resolver, and requests for Ask.
const QStringList kPhrases = {
    "next display",
    "Sort 3",
    "open firefox",
    "deep work",
    "focus time",
    "play jazz on spotify",
    "volume 40",
    "maximize slack",
    "close slack",
    "switch to mail",
    "save layout as coding",
    "layout coding",
    "make it full screen",
    "pause the music",
    "end deep work setup",
    "next displays",
    "mutes",
    "opne slack",
    "go to firefox",
    "fire up coding layout",
    "shut down slack",
    "deep wrk",
    "what is the weather like today",
    "tell me a joke",
    "how tall is mount everest",
    "remind me to call mom at five",
    "book a table for two tonight",
    "translate hello into french",
    "xylophone",
    "the quick brown fox jumps",
    "play some jazz",
    "email the team about friday",
};

std::vector<double> gTimes;
std::map<QString, std::vector<double>> gByPhrase;

void matchPhrases(benchmark::State& state) {
    static World world;
    for (auto _ : state) {
        for (const QString& phrase : kPhrases) {
            const auto start = std::chrono::steady_clock::now();
            Plan plan = world.matcher->match(phrase);
            const auto end = std::chrono::steady_clock::now();
            benchmark::DoNotOptimize(plan);
            const double ms = std::chrono::duration<double, std::milli>(end - start).count();
            gTimes.push_back(ms);
            gByPhrase[phrase].push_back(ms);
        }
    }
    state.SetItemsProcessed(state.iterations() * kPhrases.size());
}
BENCHMARK(matchPhrases)->Unit(benchmark::kMillisecond);

void exactCommand(benchmark::State& state) {
    static World world;
    for (auto _ : state)
        benchmark::DoNotOptimize(world.matcher->isExactCommand(QStringLiteral("deep work setup")));
}
BENCHMARK(exactCommand);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!gTimes.empty()) {
        std::sort(gTimes.begin(), gTimes.end());
        const double median = gTimes[gTimes.size() / 2];
        const double p99 = gTimes[std::min(gTimes.size() - 1, size_t(double(gTimes.size()) * 0.99))];
        std::printf(
            "IntentMatcher::match over %zu phrases: median %.3f ms, p99 %.3f ms per phrase (goal: median < "
            "0.2 ms, p99 < 1 ms)\n",
            gTimes.size(), median, p99);
        // The slowest phrases by their own median: where the tail comes from.
        std::vector<std::pair<double, QString>> slowest;
        for (auto& [phrase, times] : gByPhrase) {
            std::sort(times.begin(), times.end());
            slowest.emplace_back(times[times.size() / 2], phrase);
        }
        std::sort(slowest.rbegin(), slowest.rend());
        for (size_t i = 0; i < std::min<size_t>(5, slowest.size()); ++i)
            std::printf("  slowest: %.3f ms  \"%s\"\n", slowest[i].first, qUtf8Printable(slowest[i].second));
    }
    return 0;
}
