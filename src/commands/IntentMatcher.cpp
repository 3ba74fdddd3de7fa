#include "commands/IntentMatcher.h"

#include "base/Log.h"
#include "base/Text.h"
#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/Levenshtein.h"
#include "commands/MatcherWords.h"

#include <QList>
#include <QSet>
#include <algorithm>
#include <vector>

namespace brisklet {

using namespace MatcherWords;

namespace {

QStringList wordsOf(const QString& text) {
    return text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

QString joined(const QStringList& words, qsizetype from, qsizetype to = -1) {
    if (to < 0)
        to = words.size();
    return words.mid(from, to - from).join(QLatin1Char(' '));
}

// Whether a phrase starts with a verb that ends something ("stop", "shut down").
bool startsEnding(const QString& phrase) {
    const auto verb = IntentResolver::leadingVerb(wordsOf(phrase));
    return verb && verb->first == IntentResolver::Family::end;
}

// A decimal whole number: an optional sign, then ASCII digits only.
std::optional<long long> decimal(const QString& word) {
    qsizetype i = 0;
    if (!word.isEmpty() && (word[0] == QLatin1Char('+') || word[0] == QLatin1Char('-')))
        i = 1;
    if (i >= word.size())
        return std::nullopt;
    for (qsizetype k = i; k < word.size(); ++k) {
        if (word[k] < QLatin1Char('0') || word[k] > QLatin1Char('9'))
            return std::nullopt;
    }
    bool ok = false;
    const long long v = word.toLongLong(&ok);
    if (!ok)
        return std::nullopt; // overflow
    return v;
}

bool hasDecimalDigit(const QString& text) {
    for (QChar c : text) {
        if (c.isDigit())
            return true;
    }
    return false;
}

// Whether `heard` is `phrase` in `edits` edits that all leave the opening half of each
// of the phrase's words as it is: a word heard a little off keeps its opening
// ("maximi", "unde"), a word that differs there is another word ("minimize" is no
// "maximize").
bool keepsWordOpenings(const QString& heard, const QString& phrase, int edits) {
    const QList<uint> h = heard.toUcs4();
    const QList<uint> p = phrase.toUcs4();
    const qsizetype m = h.size(), n = p.size();
    std::vector<bool> opening(std::size_t(n), false);
    for (qsizetype start = 0; start < n;) {
        qsizetype end = start;
        while (end < n && p[end] != ' ')
            ++end;
        for (qsizetype k = start; k < start + (end - start) / 2; ++k)
            opening[std::size_t(k)] = true;
        start = end + 1;
    }
    // Edit distance in which an opening letter may not be replaced or dropped, nor a
    // letter added before it.
    constexpr int never = 1 << 20;
    const auto open = [&](qsizetype j) { return j < n && opening[std::size_t(j)]; };
    std::vector<int> prev(std::size_t(n + 1)), cur(std::size_t(n + 1));
    for (qsizetype j = 0; j <= n; ++j)
        prev[std::size_t(j)] = j == 0 ? 0 : open(j - 1) ? never : prev[std::size_t(j - 1)] + 1;
    for (qsizetype i = 1; i <= m; ++i) {
        cur[0] = open(0) ? never : prev[0] + 1;
        for (qsizetype j = 1; j <= n; ++j) {
            const std::size_t at = std::size_t(j);
            const int replace = h[i - 1] == p[j - 1] ? prev[at - 1] : open(j - 1) ? never : prev[at - 1] + 1;
            const int drop = open(j - 1) ? never : cur[at - 1] + 1;
            const int add = open(j) ? never : prev[at] + 1;
            cur[at] = std::min({replace, drop, add, never});
        }
        std::swap(prev, cur);
    }
    return prev[std::size_t(n)] <= edits;
}

// The similarity when it reaches the fuzzy step's 0.75; nothing below. Only those
// can win, so the distance may stop early. At exactly 0.75 a text has used all the
// edits the step allows, and it is taken only where they keep each word's opening.
std::optional<double> fuzzySimilarity(const QString& heard, const QString& phrase) {
    const int longest = std::max(Levenshtein::characterCount(heard), Levenshtein::characterCount(phrase));
    if (longest < 1)
        return 1.0;
    const int limit = longest / 4;
    const int d = Levenshtein::boundedDistance(heard, phrase, limit);
    if (d > limit)
        return std::nullopt;
    const double s = 1.0 - double(d) / double(longest);
    if (s < 0.75)
        return std::nullopt;
    if (d * 4 == longest && !keepsWordOpenings(heard, phrase, d))
        return std::nullopt;
    return s;
}

// A lone setup verb names no setup: "end setup" must not run a setup called "end".
bool isLoneSetupVerb(const QString& phrase) {
    const QStringList words = wordsOf(withSetupWord(phrase));
    return words.size() == 2 && words[1] == QLatin1String("setup") &&
           (runSetupVerbs().contains(words[0]) || endSetupVerbs().contains(words[0]));
}

// The name a capture phrase gives: the words after its last "as", "called" or
// "named", else those between the verb and "setup" (at `setupAt`), less fillers.
std::optional<QString> captureName(const QStringList& words, qsizetype setupAt) {
    qsizetype j = -1;
    for (qsizetype i = words.size() - 1; i >= 0; --i) {
        if (nameMarkers().contains(words[i])) {
            j = i;
            break;
        }
    }
    QStringList nameWords;
    if (j >= 0 && j + 1 < words.size()) {
        for (const QString& w : words.mid(j + 1)) {
            if (w != QLatin1String("setup") && w != QLatin1String("my"))
                nameWords << w;
        }
    } else {
        for (const QString& w : words.mid(1, setupAt - 1)) {
            if (!nameFiller().contains(w))
                nameWords << w;
        }
    }
    const QString name = nameWords.join(QLatin1Char(' '));
    if (name.isEmpty())
        return std::nullopt;
    return name;
}

// Tiling, with the first count among the words, else every window.
Plan tiledPlan(const QStringList& rest) {
    for (const QString& word : rest) {
        if (const std::optional<int> n = IntentMatcher::count(word))
            return {Action::sortActive(*n)};
    }
    return {Action::sortAll()};
}

Plan fullScreenPlan(const QString& target) {
    if (!target.isEmpty() && !selfWords().contains(target))
        return {Action::focusApp(target), Action::moveWindow(WindowPosition::maximize)};
    return {Action::moveWindow(WindowPosition::maximize)};
}

// "make … full screen".
Plan madeFullScreenPlan(QStringList rest) {
    if (!fullscreenTail().contains(rest.last()))
        return {};
    while (!rest.isEmpty() && fullscreenTail().contains(rest.last()))
        rest.removeLast();
    return fullScreenPlan(rest.join(QLatin1Char(' ')));
}

// "volume N": one whole number from 0 to 100.
Plan volumePlan(const QStringList& rest) {
    const std::optional<long long> level = rest.size() == 1 ? decimal(rest[0]) : std::nullopt;
    if (level && *level >= 0 && *level <= 100)
        return {Action::setVolume(int(*level))};
    return {};
}

} // namespace

IntentMatcher::IntentMatcher(const CommandRegistry& registry, const SetupDirectory& setups,
                             const LayoutNames* layouts, const AppIndex* appIndex, const PlayerNames* players)
    : registry_(registry), setups_(setups), layouts_(layouts), appIndex_(appIndex), players_(players),
      readings_(readings(*this)), setupTables_(setups) {}

std::vector<IntentMatcher::Reading> IntentMatcher::readings(const IntentMatcher& m) {
    using Rest = const QStringList&;
    const auto word = [](const char* w) { return WordSet{QString::fromLatin1(w)}; };
    const auto named = [](Action (*make)(const QString&)) {
        return [make](Rest rest) { return Plan{make(rest.join(QLatin1Char(' ')))}; };
    };
    const auto media = [](MediaOp op) { return [op](Rest) { return Plan{Action::mediaControl(op)}; }; };
    using S = platform::SpeechShapes;
    using Slot = S::Slot;
    const auto app = S::slot({Slot::app});
    // Words these readings pass over: "my" before a count ("sort my 3 windows"; an
    // article there let noise pass for a count, "study setup" heard "split the 7"),
    // and what a media verb acts on ("pause the music", "skip this song").
    const S::Part filler = S::word((nameFiller() - nameMarkers()).values(), true);
    const S::Part beforeCount = S::word({"my"}, true);
    const std::vector<S::Shape> played = {{filler, {songWords().values(), {Slot::player}}}};
    return {
        {{tilingVerbs()},
         0,
         tiledPlan,
         {S::word({"into"}, true), beforeCount, S::slot({Slot::count}, true),
          S::word({"windows", "screen", "everything", "all"}, true)}},
        {{word("pause")}, 0, media(MediaOp::pause), {}, played},
        {{word("resume")}, 0, media(MediaOp::play), {}, played},
        {{word("skip")}, 0, media(MediaOp::next), {}, played},
        {{word("next"), songWords()}, 0, media(MediaOp::next), {}},
        {{word("previous"), songWords()}, 0, media(MediaOp::previous), {}},
        {{word("play")},
         0,
         [&m](Rest rest) { return m.playPlan(rest); },
         {S::slot({Slot::free}, true)},
         {{S::slot({Slot::free}), S::word({"on", "in"}), S::slot({Slot::player})}}},
        {{word("make")},
         2,
         madeFullScreenPlan,
         {{selfWords().values(), {Slot::app}},
          S::word(fullscreenTail().values()),
          S::word(fullscreenTail().values(), true)}},
        {{fullscreenVerbs()},
         0,
         [](Rest rest) { return fullScreenPlan(rest.join(QLatin1Char(' '))); },
         {{selfWords().values(), {Slot::app}, true}}},
        {{word("save"), word("layout"), word("as")}, 1, named(Action::saveLayout), {S::slot({Slot::free})}},
        {{word("save"), word("layout")}, 1, named(Action::saveLayout), {S::slot({Slot::free})}},
        {{word("layout")}, 1, named(Action::applyLayout), {S::slot({Slot::layout})}},
        // Open: a setup, an app, a command, or an app by that name.
        {{openVerbs()},
         1,
         [&m](Rest rest) { return m.openPlan(rest.join(QLatin1Char(' '))); },
         {S::slot({Slot::app, Slot::setup})}},
        // Quit: a setup ends, an app quits.
        {{quitVerbs()},
         1,
         [&m](Rest rest) { return m.quitPlan(rest.join(QLatin1Char(' '))); },
         {S::slot({Slot::app, Slot::setup})}},
        {{word("switch"), word("to")}, 1, named(Action::focusApp), {app}},
        {{word("focus"), word("on")}, 1, named(Action::focusApp), {app}},
        {{word("focus")}, 1, named(Action::focusApp), {app}},
        {{word("volume")}, 1, volumePlan, {S::slot({Slot::level})}},
    };
}

std::vector<platform::SpeechShapes::Shape> IntentMatcher::spokenShapes() const {
    using S = platform::SpeechShapes;
    using Slot = S::Slot;
    const auto words = [](const WordSet& set) { return S::word(set.values()); };
    const S::Part setupWord = S::word({"setup"});
    const S::Part filler = S::word((nameFiller() - nameMarkers()).values(), true);
    const S::Part setup = S::slot({Slot::setup});
    std::vector<S::Shape> shapes = {
        // Capturing a setup under a new name.
        {words(captureVerbs()), filler, setupWord},
        {words(captureVerbs()), filler, setupWord, words(nameMarkers()), S::slot({Slot::free})},
        {words(captureVerbs()), filler, words(nameMarkers()), filler, S::slot({Slot::free}), setupWord},
        {words(captureVerbs()), filler, S::slot({Slot::free}), setupWord},
        // Running and ending one.
        {words(runSetupVerbs()), setup, setupWord},
        {words(endSetupVerbs()), setup, setupWord},
        {setup, setupWord},
        {setupWord, setup},
        {S::word({"end"}), setup},
    };
    for (const Reading& reading : readings_) {
        S::Shape prefix;
        for (const WordSet& place : reading.prefix)
            prefix.push_back(words(place));
        std::vector<S::Shape> rests = reading.alsoSaid;
        rests.push_back(reading.said);
        for (const S::Shape& rest : rests) {
            S::Shape shape = prefix;
            shape.insert(shape.end(), rest.begin(), rest.end());
            shapes.push_back(std::move(shape));
        }
    }
    for (S::Shape& shape : IntentResolver::spokenShapes())
        shapes.push_back(std::move(shape));
    return shapes;
}

namespace {

QStringList verbsOf(QStringList said, std::initializer_list<const WordSet*> sets) {
    for (const WordSet* set : sets)
        for (const QString& verb : *set)
            said << verb.section(QLatin1Char(' '), 0, 0);
    said.removeDuplicates();
    return said;
}

} // namespace

QStringList IntentMatcher::spokenEndVerbs() {
    return verbsOf(IntentResolver::spokenVerbs(IntentResolver::Family::end),
                   {&endSetupVerbs(), &quitVerbs()});
}

QStringList IntentMatcher::spokenRunVerbs() {
    return verbsOf(IntentResolver::spokenVerbs(IntentResolver::Family::run),
                   {&runSetupVerbs(), &openVerbs()});
}

QStringList IntentMatcher::spokenFocusVerbs() {
    return verbsOf(IntentResolver::spokenVerbs(IntentResolver::Family::focus), {});
}

Plan IntentMatcher::match(const QString& phrase) const {
    const QString n = Text::normalize(phrase);
    if (n.isEmpty())
        return {};

    // 1. An enabled command phrase, exactly.
    if (const CommandRegistry::Phrase* p = registry_.firstActionable(n))
        return {*p->action};

    // 2. A setup name or phrase, exactly.
    const std::shared_ptr<const SetupTable> table = setupTables_.current();
    if (std::optional<Plan> plan = table->exactMatch(n))
        return *plan;

    // 3. Early parametric reading, for phrases that look like one. A first word that
    // ends a setup counts too, or "stop deep work setup" would fuzzily run the setup.
    const QStringList words = wordsOf(n);
    const QString& first = words.first();
    if (hasDecimalDigit(n) || parametricVerbs().contains(first) || tilingVerbs().contains(first) ||
        fullscreenVerbs().contains(first) || mediaVerbs().contains(first) ||
        endSetupVerbs().contains(first)) {
        Plan plan = parametric(n);
        if (!plan.empty())
            return plan;
    }

    // 4. Fuzzy: commands first, so they win ties against setups.
    if (std::optional<Plan> plan = fuzzyMatch(n, *table))
        return *plan;

    // 5. Parametric reading again, for every phrase.
    if (Plan plan = parametric(n); !plan.empty())
        return plan;

    // 6. The phonetic resolver over setups, layouts and apps.
    const std::optional<IntentResolver::Resolution> resolution = IntentResolver::resolve(n, inventory());
    if (!resolution)
        return {};
    qCInfo(lcApp, "intent resolved: %s (%.2f)", qUtf8Printable(resolution->reason), resolution->score);
    return resolution->actions;
}

std::optional<Plan> IntentMatcher::fuzzyMatch(const QString& n, const SetupTable& table) const {
    double bestScore = 0;
    std::optional<Plan> best;
    QString label;
    for (const CommandRegistry::Phrase& p : registry_.enabledPhrases()) {
        if (!p.action)
            continue;
        const std::optional<double> s = fuzzySimilarity(n, p.normalized);
        if (s && *s > bestScore) {
            bestScore = *s;
            best = Plan{*p.action};
            label = registry_.entries()[p.entry].id;
        }
    }
    // "stop morning" is as close to "good morning" as a misheard phrase, but it asks
    // for the opposite: a phrase starting with an end verb never runs a setup here
    // (the resolver ends one).
    const QString m = setupKey(n);
    const bool ending = startsEnding(n);
    for (const SetupTable::Fuzzy& candidate : table.fuzzy) {
        if (ending)
            break;
        const std::optional<double> s = fuzzySimilarity(m, candidate.text);
        if (s && *s > bestScore) {
            bestScore = *s;
            best = Plan{Action::runSetup(candidate.name)};
            label = QStringLiteral("setup:") + candidate.name;
        }
    }
    if (!best || bestScore < 0.75)
        return std::nullopt;
    BK_DETAIL(lcApp).noquote()
        << QStringLiteral("fuzzy matched %1 (%2)").arg(label).arg(bestScore, 0, 'f', 2);
    return best;
}

bool IntentMatcher::isExactCommand(const QString& n) const {
    if (n.isEmpty())
        return false;
    if (registry_.hasPhrase(n))
        return true;
    if (!setupTables_.current()->exactMatch(n))
        return false;
    const QString m = withSetupWord(n);
    if (m.contains(QLatin1Char(' ')))
        return true;
    if (parametricVerbs().contains(m) || tilingVerbs().contains(m) || fullscreenVerbs().contains(m))
        return false;
    return !mediaVerbs().contains(m);
}

IntentResolver::Inventory IntentMatcher::inventory() const {
    IntentResolver::Inventory inv;
    inv.setups = setupTables_.current()->inventory;
    if (layouts_)
        inv.layouts = layouts_->cachedNames();
    if (appIndex_)
        inv.indexedApps = appIndex_->snapshot();
    return inv;
}

std::optional<int> IntentMatcher::count(const QString& word) {
    if (const std::optional<long long> v = decimal(word)) {
        if (*v >= 1 && *v <= 12)
            return int(*v);
    }
    const auto it = numberWords().constFind(word);
    if (it != numberWords().cend())
        return *it;
    return std::nullopt;
}

Plan IntentMatcher::parametric(const QString& phrase) const {
    const QStringList words = wordsOf(phrase);
    if (words.isEmpty() || isLoneSetupVerb(phrase))
        return {};
    if (std::optional<Plan> plan = setupParametric(phrase))
        return *plan;
    for (const Reading& reading : readings_) {
        const qsizetype length = qsizetype(reading.prefix.size());
        if (words.size() < length + reading.minRest)
            continue;
        qsizetype i = 0;
        while (i < length && reading.prefix[size_t(i)].contains(words[i]))
            ++i;
        if (i < length)
            continue;
        if (Plan plan = reading.plan(words.mid(length)); !plan.empty())
            return plan;
    }
    return {};
}

std::optional<Plan> IntentMatcher::setupParametric(const QString& phrase) const {
    const QStringList words = wordsOf(withSetupWord(phrase));
    if (words.isEmpty())
        return std::nullopt;
    const QString& first = words.first();
    const qsizetype count = words.size();
    const QString setupWord = QStringLiteral("setup");

    // Capture: a capture verb and the word "setup" somewhere.
    const qsizetype k = words.indexOf(setupWord);
    if (captureVerbs().contains(first) && k >= 0)
        return Plan{Action::captureSetup(captureName(words, k))};

    // A setup that no lookup finds goes on as said too: the executor says so.
    const auto said = [&](const QString& target) { return setupNamed(target).value_or(target); };
    // A name said before "setup" is that name ("run deep work setup"), else one whose
    // own name ends in "setup" ("run desk setup" for "Desk setup").
    const auto saidBeforeSetup = [&](const QString& target) {
        if (const auto name = setupNamed(target))
            return *name;
        return setupNamed(target + QLatin1Char(' ') + setupWord).value_or(target);
    };
    if (count >= 2) {
        if (words.last() == setupWord) {
            const QStringList w = words.mid(0, count - 1);
            // Any verb the resolver knows: "kill deep work setup" ends it.
            if (const auto verb = IntentResolver::leadingVerb(w); verb && verb->second < w.size()) {
                const QString target = saidBeforeSetup(joined(w, verb->second));
                return Plan{verb->first == IntentResolver::Family::end ? Action::endSetup(target)
                                                                       : Action::runSetup(target)};
            }
            // "what is a setup" asks, also after a filler ("uh, what is a setup"); it
            // names no setup "what is a" unless one is.
            const QString target = w.join(QLatin1Char(' '));
            if (asksQuestion(w) && !setupNamed(target) && !setupNamed(target + QStringLiteral(" setup")))
                return std::nullopt;
            return Plan{Action::runSetup(saidBeforeSetup(target))};
        }
        if (first == setupWord)
            return Plan{Action::runSetup(said(joined(words, 1)))};
    }

    if (first == QLatin1String("end") && count >= 2) {
        if (const auto name = setupNamed(joined(words, 1)))
            return Plan{Action::endSetup(*name)};
    }
    return std::nullopt;
}

std::optional<QString> IntentMatcher::setupNamed(const QString& target) const {
    const std::shared_ptr<const SetupTable> table = setupTables_.current();
    if (const auto it = table->named.value(setupKey(target))) {
        // Plans name a setup in the words said. Where those words are not its name (a
        // trigger phrase, or its number said the other way), the stored name goes on
        // instead, or the executor's lookup by the words could find another setup.
        if (withSetupWord(Text::normalize(*it)) == withSetupWord(target))
            return target;
        return *it;
    }
    if (setups_.lookupName(target))
        return target;
    return std::nullopt;
}

Plan IntentMatcher::openPlan(const QString& target) const {
    if (const auto name = setupNamed(target))
        return {Action::runSetup(*name)};
    if (appIndex_) {
        const auto apps = appIndex_->snapshot();
        for (const IndexedApp& app : *apps) {
            if (app.normalizedName == target)
                return {Action::openApp(target)};
        }
    }
    if (const CommandRegistry::Phrase* p = registry_.firstActionable(target))
        return {*p->action};
    return {Action::openApp(target)};
}

Plan IntentMatcher::quitPlan(const QString& target) const {
    if (const auto name = setupNamed(target))
        return {Action::endSetup(*name)};
    return {Action::quitApp(target)};
}

bool IntentMatcher::knowsPlayer(const QString& hint) const {
    return players_ ? players_->knowsPlayer(hint) : PlayerNames::playerNamed(hint).has_value();
}

// "play", "play <query>", "play <query> on|in <player>".
Plan IntentMatcher::playPlan(QStringList rest) const {
    std::optional<QString> app;
    for (qsizetype i = rest.size() - 1; i >= 0; --i) {
        if (rest[i] == QLatin1String("on") || rest[i] == QLatin1String("in")) {
            const QString tail = joined(rest, i + 1);
            if (knowsPlayer(tail)) {
                app = tail;
                rest = rest.mid(0, i);
            }
            break;
        }
    }
    const QString query = rest.join(QLatin1Char(' '));
    if (query.isEmpty())
        return {Action::mediaControl(MediaOp::play)};
    if (app)
        return {Action::playMusic(query, app)};
    if (appIndex_) {
        const auto apps = appIndex_->snapshot();
        for (const IndexedApp& a : *apps) {
            if (AppIndex::scoreAtLeast(query, a.normalizedName, 0.85) >= 0.85)
                return {Action::openApp(query)};
        }
    }
    return {Action::playMusic(query, std::nullopt)};
}

} // namespace brisklet
