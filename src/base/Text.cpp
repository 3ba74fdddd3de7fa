#include "base/Text.h"

#include <QStringList>

#include <array>
#include <map>
#include <optional>

namespace brisklet::Text {

QString normalize(const QString& text) {
    const QString lower = text.toLower();
    QString kept;
    kept.reserve(lower.size());
    for (auto it = lower.cbegin(); it != lower.cend(); ++it) {
        char32_t code = it->unicode();
        // Walk by code point so punctuation outside the basic plane is seen whole.
        if (it->isHighSurrogate() && (it + 1) != lower.cend() && (it + 1)->isLowSurrogate()) {
            code = QChar::surrogateToUcs4(*it, *(it + 1));
            if (!QChar::isPunct(code)) {
                kept.append(*it);
                kept.append(*(it + 1));
            }
            ++it;
            continue;
        }
        if (!QChar::isPunct(code))
            kept.append(*it);
    }
    return kept.simplified();
}

namespace {

const std::array<const char*, 20> ones = {"zero",    "one",     "two",       "three",    "four",
                                          "five",    "six",     "seven",     "eight",    "nine",
                                          "ten",     "eleven",  "twelve",    "thirteen", "fourteen",
                                          "fifteen", "sixteen", "seventeen", "eighteen", "nineteen"};
const std::array<const char*, 10> tens = {"",      "",      "twenty",  "thirty", "forty",
                                          "fifty", "sixty", "seventy", "eighty", "ninety"};

} // namespace

QString numberWords(int n) {
    if (n < 0 || n > 999)
        return {};
    QStringList parts;
    if (n >= 100) {
        parts << QLatin1String(ones[std::size_t(n / 100)]) << QStringLiteral("hundred");
        n %= 100;
        if (n == 0)
            return parts.join(QLatin1Char(' '));
    }
    if (n < 20) {
        parts << QLatin1String(ones[std::size_t(n)]);
    } else {
        parts << QLatin1String(tens[std::size_t(n / 10)]);
        if (n % 10)
            parts << QLatin1String(ones[std::size_t(n % 10)]);
    }
    return parts.join(QLatin1Char(' '));
}

QString numbersAsDigits(const QString& text) {
    static const std::map<QString, int> values = [] {
        std::map<QString, int> m;
        for (int n = 0; n < 20; ++n)
            m[QLatin1String(ones[std::size_t(n)])] = n;
        for (int t = 2; t < 10; ++t)
            m[QLatin1String(tens[std::size_t(t)])] = t * 10;
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

QString quoted(const QString& name) {
    return QStringLiteral("\u201C") + name + QStringLiteral("\u201D");
}

namespace {

bool isHorizontalBlank(QChar c) {
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

} // namespace

QString trimHorizontal(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isHorizontalBlank(text.at(start)))
        ++start;
    while (end > start && isHorizontalBlank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

} // namespace brisklet::Text
