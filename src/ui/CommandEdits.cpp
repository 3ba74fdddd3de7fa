#include "ui/CommandEdits.h"

#include <QUuid>

namespace brisklet::CommandEdits {

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

QString joined(const QStringList& phrases) {
    return phrases.join(QStringLiteral(", "));
}

PhraseCommit commit(const QString& text, const CommandEntry& entry) {
    QStringList phrases;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString phrase = trimHorizontal(piece).toLower();
        if (!phrase.isEmpty())
            phrases << phrase;
    }
    if (phrases.isEmpty() || phrases == entry.phrases)
        return {std::nullopt, joined(entry.phrases)};
    CommandEntry updated = entry;
    updated.phrases = phrases;
    return {updated, text};
}

std::optional<CommandEntry> newCommand(const QString& phrase, const QString& kind, const QString& appName,
                                       const QString& shortcutName, const QString& uuid) {
    const QString name = kind == QLatin1String(openApp) ? appName : shortcutName;
    const QString spoken = trimHorizontal(phrase).toLower();
    if (spoken.isEmpty() || name.isEmpty())
        return std::nullopt;
    CommandEntry entry;
    entry.id = QStringLiteral("custom-") + uuid.left(8);
    entry.phrases = QStringList{spoken};
    entry.action = kind;
    entry.params = {{QStringLiteral("name"), name}};
    entry.enabled = true;
    return entry;
}

std::optional<CommandEntry> newCommand(const QString& phrase, const QString& kind, const QString& appName,
                                       const QString& shortcutName) {
    const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
    return newCommand(phrase, kind, appName, shortcutName, uuid);
}

} // namespace brisklet::CommandEdits
