#include "commands/MatcherWords.h"

#include "base/Text.h"

#include <QStringList>

#include <algorithm>

namespace brisklet::MatcherWords {

const WordSet& parametricVerbs() {
    static const WordSet s = {"open", "launch", "start",  "quit", "close", "switch", "focus",
                              "save", "layout", "volume", "make", "setup", "end",    "capture",
                              "run",  "begin",  "apply",  "new",  "create"};
    return s;
}
const WordSet& tilingVerbs() {
    static const WordSet s = {"sort", "split", "arrange", "tile", "organize", "organise"};
    return s;
}
const WordSet& fullscreenVerbs() {
    static const WordSet s = {"maximize", "maximise", "fullscreen"};
    return s;
}
const WordSet& mediaVerbs() {
    static const WordSet s = {"play", "pause", "resume", "skip", "next", "previous"};
    return s;
}
const WordSet& captureVerbs() {
    static const WordSet s = {"save", "create", "capture", "new", "make"};
    return s;
}
const WordSet& runSetupVerbs() {
    static const WordSet s = {"start", "run", "begin", "open", "launch", "apply"};
    return s;
}
const WordSet& endSetupVerbs() {
    static const WordSet s = {"end", "close", "stop", "quit"};
    return s;
}
const WordSet& openVerbs() {
    static const WordSet s = {"open", "launch", "start"};
    return s;
}
const WordSet& quitVerbs() {
    static const WordSet s = {"quit", "close"};
    return s;
}
const WordSet& nameMarkers() {
    static const WordSet s = {"as", "called", "named"};
    return s;
}
const WordSet& nameFiller() {
    static const WordSet s = WordSet{"this", "my", "a", "the"} + nameMarkers();
    return s;
}
const WordSet& selfWords() {
    static const WordSet s = {"it", "this", "that", "window"};
    return s;
}
const WordSet& fullscreenTail() {
    static const WordSet s = {"fullscreen", "full", "screen", "maximized", "maximised", "maximize"};
    return s;
}
const WordSet& songWords() {
    static const WordSet s = {"song", "track", "tune", "music"};
    return s;
}
const WordSet& questionWords() {
    static const WordSet s = {"what",   "whats", "how",  "hows",  "why",  "when", "where",
                              "wheres", "who",   "whos", "which", "is",   "are",  "was",
                              "do",     "does",  "did",  "can",   "could"};
    return s;
}
const WordSet& hesitations() {
    static const WordSet s = {"oh",  "uh", "um",   "umm",  "er", "erm", "ah",
                              "hmm", "so", "well", "okay", "ok", "hey"};
    return s;
}
const WordSet& misheardHesitations() {
    static const WordSet s = {"but", "the", "and", "im"};
    return s;
}
bool asksQuestion(const QStringList& words) {
    const auto asked = std::find_if_not(words.begin(), words.end(), [](const QString& word) {
        return hesitations().contains(word) || misheardHesitations().contains(word);
    });
    return asked != words.end() && questionWords().contains(*asked);
}
const QHash<QString, int>& numberWords() {
    static const QHash<QString, int> m = {{"one", 1},   {"two", 2},     {"to", 2},     {"too", 2},
                                          {"three", 3}, {"four", 4},    {"for", 4},    {"five", 5},
                                          {"six", 6},   {"seven", 7},   {"eight", 8},  {"nine", 9},
                                          {"ten", 10},  {"eleven", 11}, {"twelve", 12}};
    return m;
}

QString withSetupWord(const QString& normalized) {
    const QStringList words = normalized.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (words[i] == QLatin1String("set") && i + 1 < words.size() && words[i + 1] == QLatin1String("up")) {
            out << QStringLiteral("setup");
            ++i;
        } else {
            out << words[i];
        }
    }
    return out.join(QLatin1Char(' '));
}

QString setupKey(const QString& normalized) {
    return Text::numbersAsDigits(withSetupWord(normalized));
}

} // namespace brisklet::MatcherWords
