#include "commands/ReservedPhrases.h"

#include "base/Text.h"
#include "commands/CommandRegistry.h"

#include <QSet>

namespace brisklet::ReservedPhrases {

const QStringList& fixed() {
    static const QStringList phrases{
        "open",       "launch",     "start",       "quit",           "close",        "switch to", "focus",
        "end",        "undo",       "put it back", "sort",           "sort all",     "layout",    "left half",
        "right half", "maximize",   "center",      "next display",   "hide others",  "volume",    "mute",
        "unmute",     "screenshot", "lock screen", "do not disturb", "meeting mode", "setup"};
    return phrases;
}

QStringList of(const CommandRegistry& registry) {
    QSet<QString> set;
    for (const QString& phrase : fixed())
        set.insert(Text::normalize(phrase));
    for (const CommandEntry& entry : registry.entries())
        for (const QString& phrase : entry.phrases)
            set.insert(Text::normalize(phrase));
    set.remove(QString());
    QStringList out(set.begin(), set.end());
    out.sort();
    return out;
}

} // namespace brisklet::ReservedPhrases
