#pragma once

#include "commands/Action.h"
#include "commands/IntentResolver.h"
#include "commands/LayoutNames.h"
#include "commands/PlayerNames.h"
#include "commands/SetupDirectory.h"
#include "commands/SetupTable.h"
#include "platform/SpeechShapes.h"

#include <QHash>
#include <QSet>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace brisklet {

class AppIndex;
class CommandRegistry;

// Turns one finished transcript into a plan: exact command phrases, exact setup
// names, parametric readings, a fuzzy match, parametric readings again, and the
// phonetic resolver, stopping at the first that gives a plan.
class IntentMatcher final {
public:
    // Everything but `registry` and `setups` may be null (no layouts, no apps, no
    // media actions: the players are then the ones PlayerNames::playerNamed knows).
    // All must outlive the matcher.
    IntentMatcher(const CommandRegistry& registry, const SetupDirectory& setups, const LayoutNames* layouts,
                  const AppIndex* appIndex, const PlayerNames* players = nullptr);

    // The plan for a raw or normalised transcript; empty when nothing matched.
    Plan match(const QString& phrase) const;
    // Whether a normalised transcript is already a complete command (no fuzzy,
    // parametric or resolver step).
    bool isExactCommand(const QString& normalized) const;

    // The parametric reading of a normalised phrase (empty: none).
    Plan parametric(const QString& phrase) const;
    // A word read as a count from 1 to 12.
    static std::optional<int> count(const QString& word);
    IntentResolver::Inventory inventory() const;
    // The shapes of the phrases this matcher reads, for the recogniser to expect: each
    // parametric reading and setup phrasing, then the resolver's.
    std::vector<platform::SpeechShapes::Shape> spokenShapes() const;
    // The verbs, by their first words, that end what they name and those that run it.
    static QStringList spokenEndVerbs();
    static QStringList spokenRunVerbs();
    static QStringList spokenFocusVerbs();

private:
    // One parametric reading: the words a phrase starts with (each as the words that
    // may stand there), how many more must follow, the plan for those, and how the
    // rest is said (and other ways of saying it).
    struct Reading {
        std::vector<QSet<QString>> prefix;
        qsizetype minRest = 0;
        std::function<Plan(const QStringList& rest)> plan;
        platform::SpeechShapes::Shape said;
        std::vector<platform::SpeechShapes::Shape> alsoSaid = {};
    };
    static std::vector<Reading> readings(const IntentMatcher& matcher);

    std::optional<Plan> fuzzyMatch(const QString& n, const SetupTable& table) const;
    std::optional<Plan> setupParametric(const QString& phrase) const;
    // The name a plan gives the setup a said name finds, by its name or trigger phrase
    // with numbers said either way, else by the setups' own lookup: the words as said,
    // or the stored name where the words are a trigger phrase or another number form.
    std::optional<QString> setupNamed(const QString& target) const;
    Plan openPlan(const QString& target) const;
    Plan quitPlan(const QString& target) const;
    Plan playPlan(QStringList rest) const;
    bool knowsPlayer(const QString& hint) const;

    const CommandRegistry& registry_;
    const SetupDirectory& setups_;
    const LayoutNames* layouts_;
    const AppIndex* appIndex_;
    const PlayerNames* players_;
    const std::vector<Reading> readings_; // after the setup phrasings, in order

    SetupTables setupTables_;
};

} // namespace brisklet
