#include "base/Text.h"


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
