#include "commands/SetupTable.h"

#include "base/Text.h"
#include "commands/IntentMatcher.h"
#include "commands/MatcherWords.h"

#include <QStringList>

namespace brisklet {

using MatcherWords::setupKey;

std::shared_ptr<const SetupTable> SetupTable::of(std::shared_ptr<const std::vector<SetupNames>> source) {
    auto table = std::make_shared<SetupTable>();
    table->source = source;
    // The resolver reads the transcript's own form, numbers in digits, beside the
    // name as stored.
    const auto addInventory = [&](const QString& text, const QString& name) {
        table->inventory.push_back({text, name, IntentResolver::phoneticKey(text)});
        if (const QString digits = Text::numbersAsDigits(text); digits != text)
            table->inventory.push_back({digits, name, IntentResolver::phoneticKey(digits)});
    };
    for (const SetupNames& setup : *source) {
        const QString name = Text::normalize(setup.name);
        // Texts that normalise to nothing are never keys: an empty transcript must not
        // find a setup.
        if (!name.isEmpty()) {
            const QString key = setupKey(name);
            table->named.insert(key, setup.name);
            table->fuzzy.push_back({key, setup.name});
            table->fuzzy.push_back({key + QStringLiteral(" setup"), setup.name});
            addInventory(name, setup.name);
        }
        for (const QString& p : setup.phrases) {
            const QString phrase = Text::normalize(p);
            if (phrase.isEmpty())
                continue;
            const QString key = setupKey(phrase);
            table->named.insert(key, setup.name);
            table->fuzzy.push_back({key, setup.name});
            addInventory(phrase, setup.name);
        }
    }
    return table;
}

std::optional<Plan> SetupTable::exactMatch(const QString& n) const {
    const QString m = setupKey(n);
    const QString suffix = QStringLiteral(" setup");
    // A compound heard in its parts yields to a verb said before another setup's own
    // name: with "Endgame" and "Game", "end game" ends Game, as it did before
    // compounds were said alike.
    const auto verbBeforeASetup = [&](const QString& key) {
        const QString verb = key.section(QLatin1Char(' '), 0, 0), rest = key.section(QLatin1Char(' '), 1);
        static const QStringList verbs = IntentMatcher::spokenEndVerbs() + IntentMatcher::spokenRunVerbs();
        return !named.containsOwn(key) && verbs.contains(verb) &&
               (named.containsOwn(rest) ||
                (rest.endsWith(suffix) && named.containsOwn(rest.chopped(suffix.size()))));
    };
    auto nameOf = [&](const QString& key) -> std::optional<QString> {
        if (verbBeforeASetup(key))
            return std::nullopt;
        return named.value(key);
    };
    if (const auto name = nameOf(m))
        return Plan{Action::runSetup(*name)};
    if (m.endsWith(suffix)) {
        if (const auto name = nameOf(m.chopped(suffix.size())))
            return Plan{Action::runSetup(*name)};
    }
    if (m.startsWith(QLatin1String("end "))) {
        const QString rest = m.mid(4);
        if (rest.endsWith(suffix)) {
            if (const auto name = nameOf(rest.chopped(suffix.size())))
                return Plan{Action::endSetup(*name)};
        }
        // A name of its own ending in "setup" ("Desk setup").
        if (const auto name = nameOf(rest))
            return Plan{Action::endSetup(*name)};
    }
    return std::nullopt;
}

std::shared_ptr<const SetupTable> SetupTables::current() const {
    std::shared_ptr<const std::vector<SetupNames>> source = setups_.setupNames();
    if (!source)
        source = std::make_shared<const std::vector<SetupNames>>();
    {
        std::lock_guard guard(lock_);
        if (cache_ && cache_->source == source)
            return cache_;
    }
    std::shared_ptr<const SetupTable> table = SetupTable::of(source);
    std::lock_guard guard(lock_);
    cache_ = table;
    return table;
}

} // namespace brisklet
