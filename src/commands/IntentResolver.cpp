#include "commands/IntentResolver.h"

#include "base/Text.h"
#include "commands/Levenshtein.h"
#include "commands/SpokenKeys.h"

#include <QSet>
#include <QStringList>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <tuple>

namespace brisklet::IntentResolver {

namespace {

struct LexiconWord {
    QString word;
    QString key; // phonetic key, worked out once
    bool multiWord = false;
    bool misheard = false; // what a recogniser makes of a verb, never said as one
};

struct LexiconRow {
    Family family;
    std::vector<LexiconWord> words;
};

const std::vector<LexiconRow>& lexicon() {
    static const std::vector<LexiconRow> rows = [] {
        // Each family: the verbs said, then what a recogniser makes of them.
        const std::vector<std::tuple<Family, QStringList, QStringList>> table = {
            {Family::end,
             {"end", "stop", "close", "quit", "kill", "shut", "shut down", "shutdown", "done with", "finish",
              "finished"},
             {"and", "an", "ant", "ended", "quits"}},
            {Family::run,
             {"run", "start", "begin", "launch", "open", "load", "bring up", "fire up", "apply", "setup",
              "set up"},
             {"ran", "opened", "starts"}},
            {Family::focus, {"focus", "focus on", "switch to", "switch", "show", "go to"}, {}},
        };
        std::vector<LexiconRow> out;
        for (const auto& [family, said, misheard] : table) {
            LexiconRow row{family, {}};
            for (const QString& w : said)
                row.words.push_back(LexiconWord{w, phoneticKey(w), w.contains(QLatin1Char(' '))});
            for (const QString& w : misheard)
                row.words.push_back(LexiconWord{w, phoneticKey(w), w.contains(QLatin1Char(' ')), true});
            out.push_back(std::move(row));
        }
        return out;
    }();
    return rows;
}

// A verb and the word after it that together say something else, so that the phrase
// is no verb at all: "shut up" ends nothing ("set up morning" is heard so).
const std::vector<std::pair<QString, QString>>& notVerbs() {
    static const std::vector<std::pair<QString, QString>> pairs = {{"shut", "up"}};
    return pairs;
}

bool startsNotVerb(const QStringList& words) {
    return words.size() >= 2 && std::any_of(notVerbs().begin(), notVerbs().end(), [&](const auto& pair) {
               return words[0] == pair.first && words[1] == pair.second;
           });
}

const QSet<QString>& filler() {
    static const QSet<QString> words = {"the",    "my", "a",    "this",       "that",  "to",    "up",
                                        "please", "it", "them", "everything", "stuff", "things"};
    return words;
}

const QSet<QString>& pronouns() {
    static const QSet<QString> words = {"it", "them", "everything", "stuff", "things"};
    return words;
}

const QSet<QString>& conjunctions() {
    static const QSet<QString> words = {"and", "then", "also", "plus"};
    return words;
}

const QSet<QString>& protectedMediaApps() {
    static const QSet<QString> words = {"music", "spotify", "tv", "podcasts", "quicktime player"};
    return words;
}

bool isVowel(QChar c) {
    switch (c.unicode()) {
    case 'a':
    case 'e':
    case 'i':
    case 'o':
    case 'u':
    case 'y':
        return true;
    default:
        return false;
    }
}

// Candidates whose score is below this can neither be accepted (0.66 at least) nor
// come within 0.1 of an accepted end (0.74 at least), so their exact score is not
// needed.
constexpr double kFloor = 0.6;

struct Candidate {
    ObjectClass cls;
    QString canonical;
    double score;
};

double scoreOf(const QString& obj, const QString& objKey, const QString& text, const QString& textKey) {
    const double byName = AppIndex::scoreAtLeast(obj, text, kFloor);
    const double bySound = phoneticScoreOfKeys(objKey, textKey.isEmpty() ? phoneticKey(text) : textKey);
    return std::max(byName, bySound);
}

// Half the summed difference of two profiles' counts: a lower bound of the edit
// distance, as each edit changes the counts by at most two.
int countsBound(const LetterProfile& a, const LetterProfile& b) {
    int sum = 0;
    for (std::size_t i = 0; i < a.counts.size(); ++i)
        sum += std::abs(int(a.counts[i]) - int(b.counts[i]));
    return (sum + 1) / 2;
}

bool isInside(const LetterProfile& part, const LetterProfile& whole) {
    for (std::size_t i = 0; i < part.counts.size(); ++i) {
        if (part.counts[i] > whole.counts[i])
            return false;
    }
    return true;
}

// The spoken object, worked out once so that thousands of names can be ruled out
// without the full score.
struct Query {
    LetterProfile text;
    LetterProfile key;
    std::vector<LetterProfile> words;
    std::array<int, 128> limits{}; // the edit limit by the longer text's length

    Query(const QString& obj, const QString& objKey)
        : text(LetterProfile::of(obj)), key(LetterProfile::of(objKey)) {
        for (const QString& w : obj.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            words.push_back(LetterProfile::of(w));
        for (std::size_t n = 0; n < limits.size(); ++n)
            limits[n] = AppIndex::editLimit(int(n), kFloor);
    }

    int limit(int longest) const {
        return std::size_t(longest) < limits.size() ? limits[std::size_t(longest)]
                                                    : AppIndex::editLimit(longest, kFloor);
    }
};

// Whether the sound score of two keys can be above zero (see phoneticScoreOfKeys):
// equal keys, one a prefix of the other at 0.6 of its length, or a distance of at
// most a quarter of the longer.
bool keysMayMatch(const LetterProfile& q, const LetterProfile& k) {
    if (!q.plain || !k.plain || k.size == 0)
        return true;
    const int lo = std::min(q.size, k.size);
    const int hi = std::max(q.size, k.size);
    if (lo < 3)
        return lo == hi;
    if ((isInside(q, k) || isInside(k, q)) && double(lo) / double(hi) >= 0.6)
        return true;
    return hi - lo <= hi / 4 && countsBound(q, k) <= hi / 4;
}

// False only when neither the name nor its sound can reach the floor; a name it lets
// through is scored in full, so it never changes a result. The rules without edit
// distance need every word of the phrase inside the name; the edit distance is at least
// the difference of the lengths and the bound of the counts.
bool mayReachFloor(const Query& q, const LetterProfile& name, const LetterProfile& key) {
    if (!q.text.plain || !name.plain)
        return true;
    if (std::all_of(q.words.begin(), q.words.end(),
                    [&](const LetterProfile& w) { return isInside(w, name); }))
        return true;
    const int limit = q.limit(std::max(q.text.size, name.size));
    if (std::abs(q.text.size - name.size) <= limit && countsBound(q.text, name) <= limit)
        return true;
    return keysMayMatch(q.key, key);
}

std::optional<Action> actionFor(Family family, ObjectClass cls, const QString& name) {
    switch (family) {
    case Family::run:
        return cls == ObjectClass::setup    ? Action::runSetup(name)
               : cls == ObjectClass::layout ? Action::applyLayout(name)
                                            : Action::openApp(name);
    case Family::focus:
        return cls == ObjectClass::setup    ? Action::runSetup(name)
               : cls == ObjectClass::layout ? Action::applyLayout(name)
                                            : Action::focusApp(name);
    case Family::end:
        if (cls == ObjectClass::setup)
            return Action::endSetup(name);
        if (cls == ObjectClass::layout || protectedMediaApps().contains(name.toLower()))
            return std::nullopt;
        return Action::quitApp(name);
    }
    return std::nullopt;
}

bool hasEndAction(const Candidate& c) {
    return c.cls == ObjectClass::setup ||
           (c.cls == ObjectClass::app && !protectedMediaApps().contains(c.canonical.toLower()));
}

} // namespace

QString familyName(Family family) {
    switch (family) {
    case Family::run:
        return QStringLiteral("run");
    case Family::end:
        return QStringLiteral("end");
    case Family::focus:
        return QStringLiteral("focus");
    }
    return {};
}

std::optional<std::pair<Family, qsizetype>> leadingVerb(const QStringList& words) {
    std::optional<std::pair<Family, qsizetype>> best;
    if (startsNotVerb(words))
        return best;
    for (const LexiconRow& row : lexicon()) {
        for (const LexiconWord& w : row.words) {
            if (w.misheard)
                continue;
            const QStringList said = w.word.split(QLatin1Char(' '));
            if (said.size() <= words.size() && words.mid(0, said.size()) == said &&
                (!best || said.size() > best->second))
                best = std::pair{row.family, said.size()};
        }
    }
    return best;
}

bool isFiller(const QString& word) {
    return filler().contains(word) || conjunctions().contains(word);
}

QString phoneticKey(const QString& text) {
    const QStringList words = text.toLower().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QString out;
    for (QString word : words) {
        word.replace(QLatin1String("ph"), QLatin1String("f"));
        word.replace(QLatin1String("ck"), QLatin1String("k"));
        word.replace(QLatin1String("gh"), QLatin1String("g"));
        word.replace(QLatin1String("wh"), QLatin1String("w"));
        word.replace(QLatin1String("kn"), QLatin1String("n"));
        QString key;
        for (qsizetype i = 0; i < word.size(); ++i) {
            const QChar c = word.at(i);
            if (isVowel(c)) {
                if (i == 0)
                    key.append(QLatin1Char('a'));
            } else if (key.isEmpty() || key.back() != c) {
                key.append(c);
            }
        }
        if (!out.isEmpty())
            out.append(QLatin1Char(' '));
        out.append(key);
    }
    return out;
}

std::vector<platform::SpeechShapes::Shape> spokenShapes() {
    using S = platform::SpeechShapes;
    QStringList verbs;
    for (const LexiconRow& row : lexicon())
        for (const LexiconWord& w : row.words)
            if (!w.misheard)
                verbs << w.word;
    // A pronoun stands for a name and is never said before one ("close it", not
    // "close it slack"): in the grammar it only gives a misheard verb a reading
    // ("show them firefox" for "shut down firefox").
    QStringList beforeAName = filler().values();
    beforeAName.removeIf([](const QString& w) { return pronouns().contains(w); });
    const auto named = [](const QStringList& said, const QStringList& between) {
        return S::Shape{S::word(said), S::word(between, true),
                        S::slot({S::Slot::setup, S::Slot::layout, S::Slot::app}), S::word({"layout"}, true)};
    };
    // A verb is never said with a filler that makes it another phrase ("shut up").
    QStringList withAnyFiller = verbs;
    std::vector<S::Shape> apart;
    for (const auto& [verb, word] : notVerbs()) {
        withAnyFiller.removeAll(verb);
        QStringList between = beforeAName;
        between.removeAll(word);
        apart.push_back(named({verb}, between));
    }
    std::vector<S::Shape> shapes = {named(withAnyFiller, beforeAName)};
    shapes.insert(shapes.end(), apart.begin(), apart.end());
    // A filler before a setup's name and "setup" after it would read as a setup
    // phrasing naming "a deep work": a setup is said without the filler.
    shapes.push_back({S::word(verbs), S::slot({S::Slot::setup}), S::word({"setup"})});
    return shapes;
}

QStringList spokenVerbs(Family family) {
    QStringList out;
    for (const LexiconRow& row : lexicon())
        if (row.family == family)
            for (const LexiconWord& w : row.words)
                if (!w.misheard)
                    out << w.word.section(QLatin1Char(' '), 0, 0);
    out.removeDuplicates();
    return out;
}

double phoneticScoreOfKeys(const QString& ka, const QString& kb) {
    const int la = Levenshtein::characterCount(ka);
    const int lb = Levenshtein::characterCount(kb);
    if (la >= 3 && lb >= 3) {
        if (ka == kb)
            return 0.9;
        if (ka.startsWith(kb) || kb.startsWith(ka))
            return double(std::min(la, lb)) / double(std::max(la, lb)) >= 0.6 ? 0.78 : 0.0;
        // Only a similarity of 0.75 counts: at most a quarter of the longer key may differ.
        const int longest = std::max(la, lb);
        const int limit = longest / 4;
        const int d = Levenshtein::boundedDistance(ka, kb, limit);
        if (d > limit)
            return 0.0;
        const double s = 1.0 - double(d) / double(longest);
        return s >= 0.75 ? s * 0.85 : 0.0;
    }
    return !ka.isEmpty() && ka == kb ? 0.85 : 0.0;
}

double phoneticScore(const QString& a, const QString& b) {
    return phoneticScoreOfKeys(phoneticKey(a), phoneticKey(b));
}

std::optional<std::pair<Family, double>> matchVerb(const QString& text) {
    const QString textKey = phoneticKey(text);
    const bool textMultiWord = text.contains(QLatin1Char(' '));
    const bool longEnough = Levenshtein::characterCount(text) >= 3;
    std::optional<std::pair<Family, double>> best;
    for (const LexiconRow& row : lexicon()) {
        for (const LexiconWord& w : row.words) {
            double score = 0;
            if (text == w.word)
                score = 1.0;
            else if (row.family == Family::end || textMultiWord || w.multiWord)
                continue;
            else if (textKey == w.key)
                score = 0.82;
            else if (longEnough && Levenshtein::similarity(text, w.word) >= 0.8)
                score = 0.78;
            else
                continue;
            if (!best || score > best->second)
                best = std::pair{row.family, score};
        }
    }
    return best;
}

namespace {

// The phrase taken apart: an optional verb, the object's words, and a class hint
// from a trailing "setup" or "layout".
struct Parsed {
    std::optional<Family> family;
    double verbScore = 0;
    QString object;
    QStringList said; // the object's words as said, fillers kept
    std::optional<ObjectClass> hint;
};

std::optional<Parsed> parse(const QString& phrase) {
    QString text = phrase;
    text.replace(QLatin1String("set up"), QLatin1String("setup"));
    QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty() || startsNotVerb(words))
        return std::nullopt;
    Parsed parsed;
    for (qsizetype n = std::min<qsizetype>(3, words.size()); n >= 1; --n) {
        if (const auto verb = matchVerb(words.mid(0, n).join(QLatin1Char(' ')))) {
            parsed.family = verb->first;
            parsed.verbScore = verb->second;
            words = words.mid(n);
            break;
        }
    }
    for (const QString& w : words) {
        if (conjunctions().contains(w))
            return std::nullopt; // a compound request is not for this step
    }
    parsed.said = words;
    words.removeIf([](const QString& w) { return filler().contains(w); });
    // Only fillers may follow a hint, so the last time it was said is the hint.
    const auto dropHint = [&](const QString& hint) {
        words.removeLast();
        parsed.said.removeAt(parsed.said.lastIndexOf(hint));
    };
    if (!words.isEmpty() && words.back() == QLatin1String("setup")) {
        dropHint(QStringLiteral("setup"));
        parsed.hint = ObjectClass::setup;
    }
    if (!words.isEmpty() && words.back() == QLatin1String("layout")) {
        dropHint(QStringLiteral("layout"));
        parsed.hint = ObjectClass::layout;
    }
    parsed.object = words.join(QLatin1Char(' '));
    if (parsed.object.isEmpty())
        return std::nullopt;
    return parsed;
}

// The words said for a setup, less the fillers that are not the setup's own: a
// setup's words are never fillers, nor are the parts of one of its words said apart
// ("up" of "stand up" for "standup").
QString withOwnWords(const QStringList& said, const QString& key) {
    const QStringList keyWords = key.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    std::vector<bool> kept(std::size_t(said.size()), false);
    for (qsizetype i = 0; i < said.size(); ++i) {
        kept[std::size_t(i)] =
            kept[std::size_t(i)] || !filler().contains(said[i]) || keyWords.contains(said[i]);
        QString together = said[i];
        for (qsizetype j = i + 1; j < said.size() && together.size() < key.size(); ++j) {
            together += said[j];
            if (keyWords.contains(together))
                std::fill(kept.begin() + i, kept.begin() + j + 1, true);
        }
    }
    QStringList words;
    for (qsizetype i = 0; i < said.size(); ++i)
        if (kept[std::size_t(i)])
            words << said[i];
    return words.join(QLatin1Char(' '));
}

qsizetype lettersIn(const QString& text) {
    return text.size() - text.count(QLatin1Char(' '));
}

// The score of a name of which only the start of a word was said.
constexpr double kBeganWord = 0.82;

bool endsInsideAWord(const QString& said, const QString& name) {
    return name.size() > said.size() && name.startsWith(said) && name.at(said.size()) != QLatin1Char(' ');
}

// Only candidates that may matter are kept, best first (ties in the order they are
// met); the rest are known to score below the floor.
std::vector<Candidate> candidatesFor(const Parsed& parsed, const Inventory& inventory) {
    const QString& obj = parsed.object;
    const QString objKey = phoneticKey(obj);
    const std::optional<ObjectClass> hint = parsed.hint;
    std::vector<Candidate> candidates;
    const Query query(obj, objKey);
    const bool saidFillers = parsed.said.size() != obj.count(QLatin1Char(' ')) + 1;
    // A setup's name said among fillers has the letters of what is left of the fillers
    // and at most those of all that was said: only names of such a length are looked at.
    const qsizetype fewest = lettersIn(obj);
    qsizetype most = 0;
    for (const QString& w : parsed.said)
        most += w.size();
    auto consider = [&](ObjectClass cls, const QString& canonical, const QString& t, const QString& tKey) {
        double s = scoreOf(obj, objKey, t, tKey);
        // A setup's compound heard in its parts, or its parts heard as one word, is
        // its name as written; so is its name said among fillers, whole.
        if (cls == ObjectClass::setup && (SpokenKeys::saidAlike(obj, t) ||
                                          (saidFillers && lettersIn(t) >= fewest && lettersIn(t) <= most &&
                                           SpokenKeys::saidAlike(withOwnWords(parsed.said, t), t))))
            s = 1.0;
        // A name said alone must be said in whole words: a word only begun ("he" of
        // "heads down") is a mishearing far more often than a name.
        else if (!parsed.family && endsInsideAWord(obj, t))
            s = std::min(s, kBeganWord);
        if (s >= kFloor)
            candidates.push_back(Candidate{cls, canonical, s});
    };
    if (!hint || hint == ObjectClass::setup) {
        for (const SetupKey& pair : inventory.setups)
            consider(ObjectClass::setup, pair.name, pair.key, pair.phonetic);
    }
    if (!hint || hint == ObjectClass::layout) {
        for (const QString& name : inventory.layouts)
            consider(ObjectClass::layout, name, Text::normalize(name), {});
    }
    if (!hint) {
        if (inventory.indexedApps) {
            for (const IndexedApp& app : *inventory.indexedApps) {
                if (mayReachFloor(query, app.nameProfile, app.keyProfile))
                    consider(ObjectClass::app, app.name, app.normalizedName, app.phoneticKey);
            }
        } else {
            for (const QString& name : inventory.apps)
                consider(ObjectClass::app, name, Text::normalize(name), {});
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    return candidates;
}

// Ending needs a clear winner: another endable candidate within 0.1 makes it a tie.
bool endIsClear(const std::vector<Candidate>& candidates) {
    const Candidate& top = candidates.front();
    if (top.score < 0.74)
        return false;
    for (auto it = candidates.begin() + 1; it != candidates.end(); ++it) {
        if (it->score <= 0 || it->canonical == top.canonical || !hasEndAction(*it))
            continue;
        return top.score - it->score >= 0.1;
    }
    return true;
}

} // namespace

std::optional<Resolution> resolve(const QString& phrase, const Inventory& inventory) {
    const std::optional<Parsed> parsed = parse(phrase);
    if (!parsed)
        return std::nullopt;
    const std::vector<Candidate> candidates = candidatesFor(*parsed, inventory);
    if (candidates.empty() || candidates.front().score <= 0)
        return std::nullopt;
    const Candidate& top = candidates.front();
    const double s1 = top.score;

    if (!parsed->family) {
        if (top.cls == ObjectClass::setup && s1 >= 0.85)
            return Resolution{{Action::runSetup(top.canonical)}, s1, QStringLiteral("bare:") + top.canonical};
        return std::nullopt;
    }
    const Family family = *parsed->family;
    const std::optional<Action> action = actionFor(family, top.cls, top.canonical);
    if (!action || parsed->verbScore < 0.75)
        return std::nullopt;
    if (family == Family::end ? !endIsClear(candidates) : s1 < 0.66)
        return std::nullopt;
    return Resolution{
        {*action}, std::min(s1, parsed->verbScore), familyName(family) + QLatin1Char(':') + top.canonical};
}

} // namespace brisklet::IntentResolver
