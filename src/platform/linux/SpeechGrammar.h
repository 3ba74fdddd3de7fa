#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brisklet::platform::SpeechGrammar {

// A word's pronunciation in the model's phone set ("OW P AH N"), or none when the
// dictionary lacks it.
using Lookup = std::function<std::optional<std::string>(const std::string& word)>;

struct Build {
    std::string jsgf;                            // the grammar text
    std::map<std::string, std::string> newWords; // words to add first: word → phones
    QStringList dropped;                         // phrases that could not be spoken
    bool operator==(const Build&) const = default;
};

// The grammar of one listening window: the expected phrases, the command verbs with
// the names of apps, setups and layouts, volume levels, and window counts after the
// tiling verbs the phrases use. Every word is checked against the dictionary; a
// missing one gets a pronunciation of our own (`guess` is the last resort) or its
// phrase is left out.
Build build(const QStringList& phrases, const QStringList& names, const Lookup& lookup,
            const Lookup& guess = {});

// Every plain word a grammar text names, rule names left out.
std::set<std::string> wordsOf(const std::string& jsgf);

// The words of one phrase as the grammar spells them (digits as number words), or
// none when a word cannot be pronounced. Found pronunciations go into `newWords`.
std::optional<std::vector<std::string>> words(const QString& phrase, const Lookup& lookup,
                                              std::map<std::string, std::string>& newWords,
                                              const Lookup& guess = {});

// A pronunciation of our own for a word the dictionary lacks: a known spelling, a
// compound of dictionary words, a short consonant-only name said letter by letter,
// else whatever `guess` (a letter-to-sound model) makes of it.
std::optional<std::string> pronounce(const std::string& word, const Lookup& lookup, const Lookup& guess = {});

// 0…999 in words: 40 → "forty", 105 → "one hundred five".
std::string numberWords(int n);

// Runs of number words become digits, as a written transcript shows them:
// "volume forty five" → "volume 45".
QString formatNumbers(const QString& text);

} // namespace brisklet::platform::SpeechGrammar
