#include "platform/linux/SpeechGrammar.h"

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

const std::array<const char*, 20> ones = {"zero",    "one",     "two",       "three",    "four",
                                          "five",    "six",     "seven",     "eight",    "nine",
                                          "ten",     "eleven",  "twelve",    "thirteen", "fourteen",
                                          "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
const std::array<const char*, 10> tens = {"",      "",      "twenty",  "thirty", "forty",
                                          "fifty", "sixty", "seventy", "eighty", "ninety"};

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
    if (n < 0 || n > 999)
        return {};
    std::vector<std::string> parts;
    if (n >= 100) {
        parts.push_back(ones[n / 100]);
        parts.push_back("hundred");
        n %= 100;
        if (n == 0)
            return join(parts, " ");
    }
    if (n < 20) {
        parts.push_back(ones[n]);
    } else {
        parts.push_back(tens[n / 10]);
        if (n % 10)
            parts.push_back(ones[n % 10]);
    }
    return join(parts, " ");
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

// The tiling verbs that begin one of the phrases: only they take a count.
std::vector<std::string> tilingVerbsOf(const std::vector<std::string>& phrases) {
    static const std::array<const char*, 6> verbs = {"sort",    "tile",     "split",
                                                     "arrange", "organize", "organise"};
    std::vector<std::string> out;
    for (const char* verb : verbs) {
        const std::string v(verb);
        const bool used = std::any_of(phrases.begin(), phrases.end(), [&](const std::string& p) {
            return p == v || p.rfind(v + " ", 0) == 0;
        });
        if (used)
            out.push_back(v);
    }
    return out;
}

} // namespace

Build build(const QStringList& phrases, const QStringList& names, const Lookup& lookup, const Lookup& guess) {
    Build result;
    Spoken spoken;
    spoken.add(phrases, lookup, guess, result);
    // A name of several words may be called by its first ("open imagemagick" for
    // "ImageMagick (display Q16)"), as the app index takes a leading part of a name.
    QStringList callable = names;
    for (const QString& name : names) {
        const QStringList parts = Text::normalize(name).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() > 1 && parts.first().size() >= 4)
            callable << parts.first();
    }
    Spoken named;
    named.add(callable, lookup, guess, result);

    std::string levels = "zero | one hundred";
    for (int n = 1; n < 100; ++n)
        levels += " | " + numberWords(n);
    std::string counts;
    for (int n = 1; n <= 12; ++n)
        counts += (n > 1 ? " | " : "") + numberWords(n);

    // Setup names are the phrases that also come with an "end" form; only they take
    // the setup phrasings, which would otherwise give every phrase a longer twin.
    std::vector<std::string> setups;
    for (const auto& text : spoken.texts)
        if (std::find(spoken.texts.begin(), spoken.texts.end(), "end " + text) != spoken.texts.end())
            setups.push_back(text);
    const std::vector<std::string> tiling = tilingVerbsOf(spoken.texts);

    // Each pattern reaches no further than what it stands for: a verb takes a name,
    // never a whole command phrase ("open capture screen").
    std::string& g = result.jsgf;
    g = "#JSGF V1.0;\ngrammar brisklet;\n";
    g += "public <utterance> = volume <level>";
    if (!tiling.empty())
        g += " | <tiling> [<count>] [windows]";
    if (!spoken.texts.empty())
        g += " | <phrase>";
    if (!named.texts.empty())
        g += " | <verb> <name>";
    if (!setups.empty())
        g += " | <setupverb> <setup> setup | <setup> setup";
    g += ";\n";
    if (!spoken.texts.empty())
        g += "<phrase> = " + join(spoken.texts, " | ") + ";\n";
    if (!named.texts.empty())
        g += "<name> = " + join(named.texts, " | ") + ";\n";
    if (!setups.empty())
        g += "<setup> = " + join(setups, " | ") + ";\n";
    if (!named.texts.empty())
        g +=
            "<verb> = open | launch | start | quit | close | switch to | focus | run | begin | end | stop;\n";
    if (!setups.empty())
        g += "<setupverb> = run | start | begin | open | launch | end | stop | close;\n";
    if (!tiling.empty())
        g += "<tiling> = " + join(tiling, " | ") + ";\n";
    g += "<level> = " + levels + ";\n";
    if (!tiling.empty())
        g += "<count> = " + counts + ";\n";
    return result;
}

QString formatNumbers(const QString& text) {
    static const std::map<QString, int> values = [] {
        std::map<QString, int> m;
        for (int n = 0; n < 20; ++n)
            m[QString::fromLatin1(ones[n])] = n;
        for (int t = 2; t < 10; ++t)
            m[QString::fromLatin1(tens[t])] = t * 10;
        return m;
    }();
    const QStringList tokens = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i < tokens.size();) {
        auto it = values.find(tokens[i].toLower());
        if (it == values.end()) {
            out << tokens[i++];
            continue;
        }
        // One number: [ones hundred] [tens] [ones], read greedily.
        int value = it->second;
        ++i;
        auto valueAt = [&](qsizetype k) -> std::optional<int> {
            if (k >= tokens.size())
                return std::nullopt;
            auto found = values.find(tokens[k].toLower());
            if (found == values.end())
                return std::nullopt;
            return found->second;
        };
        if (value >= 1 && value <= 9 && i < tokens.size() &&
            tokens[i].toLower() == QLatin1String("hundred")) {
            value *= 100;
            ++i;
            auto rest = valueAt(i);
            if (rest && *rest >= 20) {
                value += *rest;
                ++i;
                if (auto unit = valueAt(i); unit && *unit >= 1 && *unit <= 9) {
                    value += *unit;
                    ++i;
                }
            } else if (rest && *rest >= 1) {
                value += *rest;
                ++i;
            }
        } else if (value >= 20) {
            if (auto unit = valueAt(i); unit && *unit >= 1 && *unit <= 9) {
                value += *unit;
                ++i;
            }
        }
        out << QString::number(value);
    }
    return out.join(QLatin1Char(' '));
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
