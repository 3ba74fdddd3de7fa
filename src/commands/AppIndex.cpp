#include "commands/AppIndex.h"

#include "base/Log.h"
#include "base/Text.h"
#include "commands/IntentResolver.h"
#include "commands/Levenshtein.h"
#include "platform/Apps.h"

#include <QHash>
#include <cmath>

namespace brisklet {

struct RunningPair {
    QString name;
    QString id;
    QString path;
};

namespace {

// Calls `f` with each blank-separated word of `text`, stopping when it returns true.
template <typename F> bool anyWord(QStringView text, F f) {
    qsizetype start = 0;
    const qsizetype n = text.size();
    while (start < n) {
        while (start < n && text[start] == QLatin1Char(' '))
            ++start;
        if (start >= n)
            break;
        qsizetype end = start;
        while (end < n && text[end] != QLatin1Char(' '))
            ++end;
        if (f(text.mid(start, end - start)))
            return true;
        start = end;
    }
    return false;
}

// Rules that need no edit distance; nothing when the distance decides.
std::optional<double> cheapScore(QStringView query, QStringView candidate) {
    if (candidate == query)
        return 1.0;
    if (candidate.startsWith(query))
        return 0.9;
    bool wordBegins = false;
    const bool wordEquals = anyWord(candidate, [&](QStringView w) {
        if (w.startsWith(query)) {
            wordBegins = true;
            return w.size() == query.size();
        }
        return false;
    });
    if (wordEquals)
        return 0.88;
    if (wordBegins)
        return 0.82;
    if (query.size() <= candidate.size() && candidate.contains(query))
        return 0.75;
    if (query.contains(QLatin1Char(' '))) {
        int queryWords = 0;
        anyWord(query, [&](QStringView) { return ++queryWords >= 2; });
        if (queryWords >= 2) {
            const bool allPrefixes = !anyWord(query, [&](QStringView q) {
                return !anyWord(candidate, [&](QStringView c) { return c.startsWith(q); });
            });
            if (allPrefixes)
                return 0.8;
        }
    }
    return std::nullopt;
}

} // namespace

IndexedApp IndexedApp::make(const QString& name, const QString& url, std::optional<QString> bundleID) {
    IndexedApp app;
    app.name = name;
    app.normalizedName = Text::normalize(name);
    app.url = url;
    app.bundleID = std::move(bundleID);
    app.phoneticKey = IntentResolver::phoneticKey(app.normalizedName);
    app.nameProfile = LetterProfile::of(app.normalizedName);
    app.keyProfile = LetterProfile::of(app.phoneticKey);
    return app;
}

LetterProfile LetterProfile::of(QStringView text) {
    LetterProfile p;
    p.size = int(text.size());
    p.plain = true;
    for (QChar c : text) {
        quint8& n = p.counts[c.unicode() & 31];
        // Below U+0300 there are no surrogates or combining marks ('\r' joins "\r\n").
        if (c.unicode() >= 0x300 || c == QLatin1Char('\r') || n == 255)
            p.plain = false;
        else
            ++n;
    }
    return p;
}

AppIndex::AppIndex(platform::InstalledApps* installed, platform::RunningApps* running, Scheduler& scheduler)
    : installed_(installed), running_(running), apps_(std::make_shared<const std::vector<IndexedApp>>()),
      timer_(scheduler, refreshInterval, [this] { refresh(); }), queue_("com.brisklet.appindex", "appindex") {
}

AppIndex::~AppIndex() {
    timer_.stop();
    queue_.stop();
}

void AppIndex::start() {
    refresh();
    timer_.start();
}

void AppIndex::refresh() {
    // The running list is read here, on the caller's thread; the file system on the queue.
    std::vector<RunningPair> running;
    if (running_) {
        for (const platform::RunningApp& app : running_->runningApps()) {
            if (app.regular)
                running.push_back(RunningPair{app.name, app.id, app.path});
        }
    }
    queue_.async([this, running = std::move(running)] { scan(running); });
}

void AppIndex::waitForScans() {
    queue_.sync([] {});
}

void AppIndex::scan(const std::vector<RunningPair>& running) {
    auto list = std::make_shared<std::vector<IndexedApp>>();
    QHash<QString, int> byId; // the first writer of an ID wins
    auto add = [&](const QString& id, const QString& name, const QString& path) {
        if (id.isEmpty() || byId.contains(id))
            return;
        byId.insert(id, int(list->size()));
        list->push_back(IndexedApp::make(name.isEmpty() ? id : name, path, id));
    };
    if (installed_) {
        for (const platform::AppEntry& entry : installed_->installedApps())
            add(entry.id, entry.name, entry.path);
    }
    // A running app without an entry has nothing to launch or name it by.
    for (const RunningPair& app : running) {
        if (!app.path.isEmpty())
            add(app.id, app.name, app.path);
    }
    const long count = long(list->size());
    {
        std::lock_guard guard(lock_);
        apps_ = std::move(list);
    }
    qCInfo(lcApp, "app index refreshed: %ld apps", count);
}

std::vector<IndexedApp> AppIndex::apps() const {
    std::lock_guard guard(lock_);
    return *apps_;
}

std::shared_ptr<const std::vector<IndexedApp>> AppIndex::snapshot() const {
    std::lock_guard guard(lock_);
    return apps_;
}

double AppIndex::score(QStringView query, QStringView candidate) {
    if (const std::optional<double> s = cheapScore(query, candidate))
        return *s;
    const int m = std::max(Levenshtein::characterCount(query), Levenshtein::characterCount(candidate));
    if (m == 0)
        return 1.0;
    return 0.9 * (1.0 - double(Levenshtein::distance(query, candidate)) / double(m));
}

double AppIndex::scoreAtLeast(QStringView query, QStringView candidate, double floor) {
    if (const std::optional<double> s = cheapScore(query, candidate))
        return *s;
    const int m = std::max(Levenshtein::characterCount(query), Levenshtein::characterCount(candidate));
    if (m == 0)
        return 1.0;
    const int limit = editLimit(m, floor);
    const int d = Levenshtein::boundedDistance(query, candidate, limit);
    if (d > limit)
        return -1.0;
    return 0.9 * (1.0 - double(d) / double(m));
}

int AppIndex::editLimit(int longest, double floor) {
    // 0.9 × (1 − d ÷ m) ≥ floor needs d ≤ m × (1 − floor ÷ 0.9); one more for rounding.
    return std::max(0, int(std::floor(double(longest) * (1.0 - floor / 0.9))) + 1);
}

std::optional<IndexedApp> AppIndex::resolve(const QString& name) const {
    const QString query = Text::normalize(name);
    if (query.isEmpty())
        return std::nullopt;
    const std::shared_ptr<const std::vector<IndexedApp>> list = snapshot();
    const IndexedApp* best = nullptr;
    double bestScore = 0;
    for (const IndexedApp& app : *list) {
        const double s = score(query, app.normalizedName);
        if (s > bestScore) {
            best = &app;
            bestScore = s;
        }
    }
    if (best && bestScore >= 0.55)
        return *best;
    return std::nullopt;
}

} // namespace brisklet
