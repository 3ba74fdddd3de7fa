#pragma once

#include "platform/SpeechShapes.h"

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

// A word said in a free slot is spelled with this mark, so a transcript shows which
// words no command or name vouched for.
inline constexpr char freeMark = '_';

// The grammar of one listening window: the expected phrases, and the shapes commands
// are said in with their slots filled by names, counts, volume levels and, in a free
// slot, a few words out of `freeWords` and the window's own words. Every word is
// checked against the dictionary; a missing one gets a pronunciation of our own
// (`guess` is the last resort) or its phrase is left out.
// `dictionary` is the model's own dictionary (default: `lookup`), which alone vouches
// for a shorter form of an app's name.
Build build(const QStringList& phrases, const SpeechShapes& shapes, const Lookup& lookup,
            const Lookup& guess = {}, const std::vector<std::string>& freeWords = {},
            const Lookup& dictionary = {});

// The shapes with no free slot: what the first grammar hears besides the phrases.
// ("play" alone stays with the free slots' grammar: beside the phrases it let a
// free request read as a command.)
SpeechShapes withoutFree(const SpeechShapes& all);

// A shorter form of an app's name is said only with this many syllables or more:
// noise fills a short one ("code", "pad") too easily. A word the dictionary lacks
// counts only with this many letters: shorter, it is a version or edition ("esr").
inline constexpr int minShortNameSyllables = 2;
inline constexpr qsizetype minOwnNameLetters = 6;

// Vowels of a pronunciation ("K AE L K Y AH L EY T ER": 4).
int syllables(const std::string& phones);

// The shorter forms of app names a person says: words the dictionary knows or names
// of their own long enough to be one (not a version, edition or build token such as
// "esr" or "q16"), and long enough that noise does not fill them.
QStringList sayableShortNames(const QStringList& names, const Lookup& dictionary);

// The longest run of free words a free slot takes.
inline constexpr int maxFreeWords = 4;

// A transcript with the marks of free words taken off.
QString unmarked(const QString& text);

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
