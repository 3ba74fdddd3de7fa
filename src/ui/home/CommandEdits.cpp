#include "ui/home/CommandEdits.h"

#include "base/Text.h"

#include <QUuid>

namespace brisklet::CommandEdits {

QString joined(const QStringList& phrases) {
    return phrases.join(QStringLiteral(", "));
}

PhraseCommit commit(const QString& text, const CommandEntry& entry) {
    QStringList phrases;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString phrase = Text::trimHorizontal(piece).toLower();
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
    const QString spoken = Text::trimHorizontal(phrase).toLower();
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
