#include "commands/SpokenKeys.h"

#include <QStringList>
#include <algorithm>

namespace brisklet {

namespace {

QString lettersOf(const QString& key) {
    QString letters = key;
    letters.remove(QLatin1Char(' '));
    return letters;
}

bool isWord(const QString& part) {
    return std::any_of(part.begin(), part.end(), [](QChar c) { return c.isLetter(); });
}

// Whether the same letters, spaces apart.
bool sameLetters(const QString& a, const QString& b) {
    qsizetype i = 0, j = 0;
    for (;;) {
        while (i < a.size() && a.at(i) == QLatin1Char(' '))
            ++i;
        while (j < b.size() && b.at(j) == QLatin1Char(' '))
            ++j;
        if (i == a.size() || j == b.size())
            return i == a.size() && j == b.size();
        if (a.at(i++) != b.at(j++))
            return false;
    }
}

} // namespace

bool SpokenKeys::saidAlike(const QString& a, const QString& b) {
    if (a == b)
        return !a.isEmpty();
    if (!sameLetters(a, b))
        return false;
    const QStringList wordsA = a.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QStringList wordsB = b.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    // The same letters in as many words, but not the same words: a space moved.
    if (wordsA.size() == wordsB.size())
        return false;
    const QStringList& apart = wordsA.size() > wordsB.size() ? wordsA : wordsB;
    const QStringList& together = wordsA.size() > wordsB.size() ? wordsB : wordsA;
    qsizetype next = 0;
    for (const QString& whole : together) {
        QString built;
        bool allWords = true;
        const qsizetype first = next;
        while (next < apart.size() && built.size() < whole.size()) {
            allWords = allWords && isWord(apart[next]);
            built += apart[next++];
        }
        if (built != whole || (next - first > 1 && !allWords))
            return false;
    }
    return next == apart.size();
}

void SpokenKeys::insert(const QString& key, const QString& value) {
    if (key.isEmpty() || values_.contains(key))
        return;
    values_.insert(key, value);
    byLetters_[lettersOf(key)].push_back(key);
}

std::optional<QString> SpokenKeys::value(const QString& key) const {
    if (key.isEmpty())
        return std::nullopt;
    if (const auto own = values_.constFind(key); own != values_.cend())
        return *own;
    const auto alike = byLetters_.constFind(lettersOf(key));
    if (alike == byLetters_.cend())
        return std::nullopt;
    for (const QString& other : *alike)
        if (saidAlike(key, other))
            return values_.value(other);
    return std::nullopt;
}

std::vector<QString> SpokenKeys::keysAlike(const QString& key) const {
    std::vector<QString> keys;
    if (key.isEmpty())
        return keys;
    if (values_.contains(key))
        keys.push_back(key);
    for (const QString& other : byLetters_.value(lettersOf(key)))
        if (other != key && saidAlike(key, other))
            keys.push_back(other);
    return keys;
}

} // namespace brisklet
