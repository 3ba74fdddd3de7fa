#include "commands/Vocabulary.h"

#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/IntentMatcher.h"
#include "commands/LayoutNames.h"
#include "commands/PlayerNames.h"
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

platform::SpeechShapes shapes(const IntentMatcher& matcher, const SetupDirectory& setups,
                              const LayoutNames& layouts, const AppIndex& apps) {
    using Slot = platform::SpeechShapes::Slot;
    platform::SpeechShapes out;
    out.shapes = matcher.spokenShapes();
    QStringList setupNames, layoutNames, appNames;
    if (const auto list = setups.setupNames())
        for (const SetupNames& setup : *list)
            setupNames << setup.name;
    for (const QString& name : layouts.cachedNames())
        layoutNames << name;
    if (const auto indexed = apps.snapshot())
        for (const IndexedApp& app : *indexed)
            appNames << app.name;
    out.names[Slot::setup] = cap(setupNames, nameLimit);
    out.names[Slot::layout] = cap(layoutNames, nameLimit);
    out.names[Slot::app] = cap(appNames, nameLimit);
    out.names[Slot::player] = PlayerNames::spokenNames();
    return out;
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
