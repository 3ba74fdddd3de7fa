#include "commands/Vocabulary.h"

#include "commands/AppIndex.h"
#include "commands/CommandRegistry.h"
#include "commands/IntentMatcher.h"
#include "commands/LayoutNames.h"
#include "commands/MatcherWords.h"
#include "commands/PlayerNames.h"
#include "commands/SetupDirectory.h"

#include "commands/IntentResolver.h"

#include <QSet>
#include <algorithm>

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

namespace {

// The shorter runs of an app name's words by which the app index finds that app
// before any other ("studio code", "code" for "Visual Studio Code").
QStringList shorterNames(const IndexedApp& app, const std::vector<IndexedApp>& apps) {
    QStringList out;
    const QStringList words = app.normalizedName.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    for (qsizetype n = words.size() - 1; n >= 1; --n) {
        for (qsizetype from = 0; from + n <= words.size(); ++from) {
            const QStringList run = words.mid(from, n);
            if (std::all_of(run.begin(), run.end(), IntentResolver::isFiller))
                continue;
            const QString said = run.join(QLatin1Char(' '));
            const double own = AppIndex::score(said, app.normalizedName);
            // The index keeps the first of equal scores.
            bool before = true;
            const bool best = std::none_of(apps.begin(), apps.end(), [&](const IndexedApp& other) {
                if (&other == &app) {
                    before = false;
                    return false;
                }
                const double s = AppIndex::scoreAtLeast(said, other.normalizedName, own);
                return s > own || (before && s >= own);
            });
            if (best)
                out << said;
        }
    }
    return out;
}

} // namespace

platform::SpeechShapes shapes(const IntentMatcher& matcher, const SetupDirectory& setups,
                              const LayoutNames& layouts, const AppIndex& apps) {
    using Slot = platform::SpeechShapes::Slot;
    platform::SpeechShapes out;
    out.shapes = matcher.spokenShapes();
    // Words said like a command's that are none, heard as themselves, do nothing: the
    // grammar, knowing only the command, read a said "minimize" as "maximize".
    out.shapes.push_back(
        {platform::SpeechShapes::word({QStringLiteral("minimize"), QStringLiteral("minimise")}),
         platform::SpeechShapes::slot({Slot::app}, true)});
    out.endVerbs = IntentMatcher::spokenEndVerbs();
    out.runVerbs = IntentMatcher::spokenRunVerbs();
    out.focusVerbs = IntentMatcher::spokenFocusVerbs();
    out.questionWords = MatcherWords::questionWords().values();
    out.hesitations = MatcherWords::hesitations().values();
    out.questionWords.sort();
    out.hesitations.sort();
    // A setup is said by its name or one of its trigger phrases.
    QStringList setupNames, layoutNames, appNames;
    if (const auto list = setups.setupNames())
        for (const SetupNames& setup : *list)
            setupNames << setup.name << setup.phrases;
    for (const QString& name : layouts.cachedNames())
        layoutNames << name;
    out.names[Slot::setup] = cap(setupNames, nameLimit);
    out.names[Slot::layout] = cap(layoutNames, nameLimit);
    // An app by its name or any shorter part of it that finds it.
    if (const auto indexed = apps.snapshot()) {
        const std::size_t most = std::min(indexed->size(), std::size_t(nameLimit));
        for (std::size_t i = 0; i < most; ++i)
            appNames << (*indexed)[i].name;
        for (std::size_t i = 0; i < most; ++i)
            out.shortAppNames << shorterNames((*indexed)[i], *indexed);
    }
    out.names[Slot::app] = cap(appNames, nameLimit);
    out.shortAppNames = cap(out.shortAppNames, nameLimit * 3);
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
