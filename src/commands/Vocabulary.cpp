#include "commands/Vocabulary.h"

#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/LayoutNames.h"
#include "commands/SetupDirectory.h"

#include <QSet>

namespace brisklet::Vocabulary {

QStringList gather(const SetupDirectory& setups, const LayoutNames& layouts, const CommandRegistry& registry,
                   const AppIndex& apps) {
    QStringList phrases;
    if (const auto list = setups.setupNames()) {
        for (const SetupNames& setup : *list) {
            phrases << setup.name << QStringLiteral("end ") + setup.name;
            phrases << setup.phrases;
        }
    }
    for (const QString& name : layouts.cachedNames())
        phrases << name;
    for (const CommandEntry& entry : registry.enabledEntries())
        phrases << entry.phrases;
    if (const auto indexed = apps.snapshot())
        for (const IndexedApp& app : *indexed)
            phrases << app.name;
    return cap(phrases);
}

QStringList names(const SetupDirectory& setups, const LayoutNames& layouts, const AppIndex& apps) {
    QStringList out;
    if (const auto list = setups.setupNames()) {
        for (const SetupNames& setup : *list)
            out << setup.name;
    }
    for (const QString& name : layouts.cachedNames())
        out << name;
    if (const auto indexed = apps.snapshot())
        for (const IndexedApp& app : *indexed)
            out << app.name;
    return cap(out, nameLimit);
}

QStringList cap(const QStringList& phrases, int most) {
    QStringList out;
    QSet<QString> seen;
    for (const QString& phrase : phrases) {
        if (phrase.isEmpty())
            continue;
        const QString key = phrase.toLower();
        if (seen.contains(key))
            continue;
        seen.insert(key);
        out.append(phrase);
        if (out.size() == most)
            break;
    }
    return out;
}

} // namespace brisklet::Vocabulary
