#include "platform/linux/speech/SpeechGrammar.h"

#include "base/Text.h"

#include <algorithm>
#include <array>
#include <set>

namespace brisklet::platform::SpeechGrammar {

namespace {

// Words our users say that the shipped dictionary lacks.
const std::map<std::string, std::string>& extraWords() {
    static const std::map<std::string, std::string> words = {
        {"unmute", "AH N M Y UW T"},
        {"dnd", "D IY EH N D IY"},
        {"brisklet", "B R IH S K L AH T"},
        {"libreoffice", "L IY B R OW AO F AH S"},
        {"gimp", "G IH M P"},
        {"inkscape", "IH NG K S K EY P"},
        {"vscode", "V IY EH S K OW D"},
        {"konsole", "K AA N S OW L"},
        {"okular", "AA K Y AH L ER"},
        {"rhythmbox", "R IH DH AH M B AA K S"},
        {"gedit", "JH IY EH D IH T"},
        {"thunar", "TH UW N AA R"},
        {"xterm", "EH K S T ER M"},
        {"vlc", "V IY EH L S IY"},
        {"mpv", "EH M P IY V IY"},
        {"gnome", "G N OW M"},
        {"kde", "K EY D IY IY"},
    };
    return words;
}

const std::array<const char*, 26> letterPhones = {
    "EY",
    "B IY",
    "S IY",
    "D IY",
    "IY",
    "EH F",
    "JH IY",
    "EY CH",
    "AY",
    "JH EY",
    "K EY",
    "EH L",
    "EH M",
    "EH N",
    "OW",
    "P IY",
    "K Y UW",
    "AA R",
    "EH S",
    "T IY",
    "Y UW",
    "V IY",
    "D AH B AH L Y UW",
    "EH K S",
    "W AY",
    "Z IY",
};

bool isAsciiLetters(const QString& token) {
    if (token.isEmpty())
        return false;
    for (QChar c : token)
        if (c < QLatin1Char('a') || c > QLatin1Char('z'))
            return false;
    return true;
}

bool isDigits(const QString& token) {
    if (token.isEmpty() || token.size() > 3)
        return false;
    for (QChar c : token)
        if (!c.isDigit() || c.unicode() > '9')
            return false;
    return true;
}

// Letters and digits run together are said apart ("q16" → "q", "16"); any other token
// stays whole.
QStringList pieces(const QString& token) {
    auto isDigit = [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); };
    auto isLetter = [](QChar c) { return c >= QLatin1Char('a') && c <= QLatin1Char('z'); };
    if (!std::all_of(token.begin(), token.end(), [&](QChar c) { return isDigit(c) || isLetter(c); }))
        return {token};
    QStringList out;
    for (QChar c : token) {
        if (out.isEmpty() || isDigit(out.last().back()) != isDigit(c))
            out << QString();
        out.last() += c;
    }
    return out;
}

std::string join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (const auto& part : parts) {
        if (!out.empty())
            out += separator;
        out += part;
    }
    return out;
}

} // namespace

std::string numberWords(int n) {
    return Text::numberWords(n).toStdString();
}

std::optional<std::string> pronounce(const std::string& word, const Lookup& lookup, const Lookup& guess) {
    if (auto known = lookup(word))
        return known;
    if (auto it = extraWords().find(word); it != extraWords().end())
        return it->second;
    // A compound of two dictionary words ("filemanager"), the longer head first.
    for (std::size_t cut = word.size() - 1; cut >= 2; --cut) {
        if (word.size() - cut < 2)
            continue;
        auto head = lookup(word.substr(0, cut));
        if (!head)
            continue;
        if (auto tail = lookup(word.substr(cut)))
            return *head + " " + *tail;
    }
    // Short names without vowels are said letter by letter ("xfce", "kde").
    if (word.size() <= 5 && word.find_first_of("aeiouy") == std::string::npos) {
        std::vector<std::string> phones;
        for (char c : word)
            phones.push_back(letterPhones[c - 'a']);
        return join(phones, " ");
    }
    if (guess)
        return guess(word);
    return std::nullopt;
}

std::optional<std::vector<std::string>> words(const QString& phrase, const Lookup& lookup,
                                              std::map<std::string, std::string>& newWords,
                                              const Lookup& guess) {
    std::vector<std::string> out;
    QStringList tokens;
    for (const QString& token : Text::normalize(phrase).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        tokens << pieces(token);
    for (const QString& token : tokens) {
        if (isDigits(token)) {
            const std::string spoken = numberWords(token.toInt());
            for (const QString& w : QString::fromStdString(spoken).split(QLatin1Char(' ')))
                out.push_back(w.toStdString());
            continue;
        }
        // Anything but plain letters could be read as grammar syntax ("a+b", "c|d").
        if (!isAsciiLetters(token))
            return std::nullopt;
        const std::string word = token.toStdString();
        if (newWords.count(word) || lookup(word)) {
            out.push_back(word);
            continue;
        }
        auto phones = pronounce(word, lookup, guess);
        if (!phones)
            return std::nullopt;
        newWords[word] = *phones;
        out.push_back(word);
    }
    if (out.empty())
        return std::nullopt;
    return out;
}

int syllables(const std::string& phones) {
    static const std::set<std::string> vowels = {"AA", "AE", "AH", "AO", "AW", "AY", "EH", "ER",
                                                 "EY", "IH", "IY", "OW", "OY", "UH", "UW"};
    int n = 0;
    std::size_t at = 0;
    while (at < phones.size()) {
        const std::size_t end = std::min(phones.find(' ', at), phones.size());
        n += vowels.count(phones.substr(at, end - at)) ? 1 : 0;
        at = end + 1;
    }
    return n;
}

QStringList sayableShortNames(const QStringList& names, const Lookup& lookup) {
    QStringList out;
    for (const QString& name : names) {
        const QStringList tokens = Text::normalize(name).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        int vowels = 0;
        bool sayable = !tokens.isEmpty();
        for (const QString& token : tokens) {
            if (!isAsciiLetters(token)) {
                sayable = false;
                break;
            }
            // A name of its own ("imagemagick") is said when it is long; a short token
            // the dictionary lacks is a version, edition or suffix ("esr", "lts").
            if (const auto phones = lookup(token.toStdString()))
                vowels += syllables(*phones);
            else if (token.size() >= minOwnNameLetters)
                vowels += minShortNameSyllables;
            else
                sayable = false;
        }
        if (sayable && vowels >= minShortNameSyllables)
            out << name;
    }
    return out;
}

namespace {

// The phrases that can be spoken, each spelled once: phrases that sound the same
// ("center", "centre"; "screenshot", "screen shot") would make the grammar pick a
// spelling at random, so the first one stays.
struct Spoken {
    std::vector<std::string> texts;
    std::set<std::string> sounds;

    void add(const QStringList& phrases, const Lookup& lookup, const Lookup& guess, Build& result) {
        for (const QString& phrase : phrases) {
            auto spelled = words(phrase, lookup, result.newWords, guess);
            if (!spelled) {
                if (!Text::normalize(phrase).isEmpty() && !result.dropped.contains(phrase))
                    result.dropped << phrase;
                continue;
            }
            std::vector<std::string> phones;
            for (const auto& word : *spelled) {
                auto it = result.newWords.find(word);
                phones.push_back(it != result.newWords.end() ? it->second : lookup(word).value_or(word));
            }
            if (sounds.insert(join(phones, " ")).second)
                texts.push_back(join(*spelled, " "));
        }
    }
};

std::string alternatives(std::vector<std::string> items) {
    std::sort(items.begin(), items.end());
    items.erase(std::unique(items.begin(), items.end()), items.end());
    return join(items, " | ");
}

const char* ruleOf(SpeechShapes::Slot slot) {
    switch (slot) {
    case SpeechShapes::Slot::app:
        return "<app>";
    case SpeechShapes::Slot::setup:
        return "<setup>";
    case SpeechShapes::Slot::layout:
        return "<layout>";
    case SpeechShapes::Slot::player:
        return "<player>";
    case SpeechShapes::Slot::free:
        return "<free>";
    case SpeechShapes::Slot::count:
        return "<count>";
    case SpeechShapes::Slot::level:
        return "<level>";
    }
    return "";
}

} // namespace

SpeechShapes withoutFree(const SpeechShapes& all) {
    SpeechShapes out = all;
    out.shapes.clear();
    for (const SpeechShapes::Shape& shape : all.shapes) {
        const bool free = std::any_of(shape.begin(), shape.end(), [](const SpeechShapes::Part& part) {
            return std::find(part.fills.begin(), part.fills.end(), SpeechShapes::Slot::free) !=
                   part.fills.end();
        });
        if (!free)
            out.shapes.push_back(shape);
    }
    return out;
}

QString unmarked(const QString& text) {
    QString out = text;
    out.remove(QLatin1Char(freeMark));
    return out;
}

Build build(const QStringList& phrases, const SpeechShapes& shapes, const Lookup& lookup, const Lookup& guess,
            const std::vector<std::string>& freeWords, const Lookup& dictionary) {
    using Slot = SpeechShapes::Slot;
    Build result;
    Spoken spoken;
    spoken.add(phrases, lookup, guess, result);

    // The names of each slot.
    std::map<Slot, Spoken> named;
    for (const auto& [slot, names] : shapes.names)
        named[slot].add(names, lookup, guess, result);
    named[Slot::app].add(sayableShortNames(shapes.shortAppNames, dictionary ? dictionary : lookup), lookup,
                         guess, result);
    auto has = [&](Slot slot) {
        if (slot == Slot::free || slot == Slot::count || slot == Slot::level)
            return true;
        auto it = named.find(slot);
        return it != named.end() && !it->second.texts.empty();
    };

    // Each shape as a sequence of groups; a place with nothing to say drops its shape.
    std::vector<std::string> shapeTexts;
    std::set<Slot> used;
    for (const SpeechShapes::Shape& shape : shapes.shapes) {
        std::string text;
        bool sayable = true;
        for (const SpeechShapes::Part& part : shape) {
            std::vector<std::string> choices;
            for (const QString& w : part.words)
                if (auto spelled = words(w, lookup, result.newWords, guess))
                    choices.push_back(join(*spelled, " "));
            for (Slot slot : part.fills)
                if (has(slot)) {
                    choices.push_back(ruleOf(slot));
                    used.insert(slot);
                }
            if (choices.empty()) {
                if (part.optional)
                    continue;
                sayable = false;
                break;
            }
            text += (text.empty() ? "" : " ") + std::string(part.optional ? "[" : "(") +
                    alternatives(choices) + (part.optional ? "]" : ")");
        }
        if (sayable && !text.empty())
            shapeTexts.push_back(text);
    }
    std::sort(shapeTexts.begin(), shapeTexts.end());
    shapeTexts.erase(std::unique(shapeTexts.begin(), shapeTexts.end()), shapeTexts.end());

    // The free words: the common ones and those of this window's phrases and names,
    // each marked.
    std::vector<std::string> loose;
    if (used.count(Slot::free)) {
        std::set<std::string> pool(freeWords.begin(), freeWords.end());
        const auto addWordsOf = [&](const Spoken& said) {
            for (const auto& text : said.texts)
                for (const QString& w : QString::fromStdString(text).split(QLatin1Char(' ')))
                    pool.insert(w.toStdString());
        };
        addWordsOf(spoken);
        for (const auto& [slot, names] : named)
            addWordsOf(names);
        for (const std::string& w : pool) {
            const std::string marked = w + freeMark;
            if (result.newWords.count(marked) || lookup(marked)) {
                loose.push_back(marked);
                continue;
            }
            auto phones = result.newWords.count(w) ? std::optional(result.newWords.at(w)) : lookup(w);
            if (!phones)
                continue;
            result.newWords[marked] = *phones;
            loose.push_back(marked);
        }
        if (loose.empty())
            used.erase(Slot::free);
    }

    std::string& g = result.jsgf;
    g = "#JSGF V1.0;\ngrammar brisklet;\n";
    std::vector<std::string> top;
    // Every alternative costs a path its share of the odds: the fixed phrases weigh
    // as much as all shapes together, so adding shapes does not push a known phrase
    // below the score a trustworthy path needs.
    if (!spoken.texts.empty())
        top.push_back(shapeTexts.empty() ? std::string("<phrase>")
                                         : "/" + std::to_string(shapeTexts.size()) + "/ <phrase>");
    for (std::size_t i = 0; i < shapeTexts.size(); ++i)
        top.push_back("/1/ <shape" + std::to_string(i) + ">");
    if (top.empty())
        top.push_back("<level>");
    g += "public <utterance> = " + join(top, " | ") + ";\n";
    if (!spoken.texts.empty())
        g += "<phrase> = " + join(spoken.texts, " | ") + ";\n";
    for (std::size_t i = 0; i < shapeTexts.size(); ++i)
        g += "<shape" + std::to_string(i) + "> = " + shapeTexts[i] + ";\n";
    for (const auto& [slot, names] : named)
        if (!names.texts.empty())
            g += std::string(ruleOf(slot)) + " = " + join(names.texts, " | ") + ";\n";
    if (used.count(Slot::free)) {
        g += "<free> = <word>";
        for (int i = 1; i < maxFreeWords; ++i)
            g += " [<word>]";
        g += ";\n<word> = " + join(loose, " | ") + ";\n";
    }
    if (used.count(Slot::count)) {
        std::string counts;
        for (int n = 1; n <= 12; ++n)
            counts += (n > 1 ? " | " : "") + numberWords(n);
        g += "<count> = " + counts + ";\n";
    }
    if (used.count(Slot::level) || top.front() == "<level>") {
        std::string levels = "zero | one hundred";
        for (int n = 1; n < 100; ++n)
            levels += " | " + numberWords(n);
        g += "<level> = " + levels + ";\n";
    }
    return result;
}

QString formatNumbers(const QString& text) {
    return Text::numbersAsDigits(text);
}

std::set<std::string> wordsOf(const std::string& jsgf) {
    std::set<std::string> out;
    // The header's first line ("#JSGF V1.0;") names no word.
    const std::size_t body = jsgf.find('\n');
    std::string word;
    bool inRuleName = false;
    for (std::size_t i = body == std::string::npos ? jsgf.size() : body; i <= jsgf.size(); ++i) {
        const char c = i < jsgf.size() ? jsgf[i] : ' ';
        if (c == '<')
            inRuleName = true;
        if (!inRuleName && ((c >= 'a' && c <= 'z') || c == '\'')) {
            word += c;
            continue;
        }
        if (c == '>')
            inRuleName = false;
        if (!word.empty())
            out.insert(word);
        word.clear();
    }
    return out;
}

} // namespace brisklet::platform::SpeechGrammar
