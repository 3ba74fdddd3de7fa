#pragma once

#include "commands/Action.h"
#include "commands/IntentResolver.h"
#include "commands/SetupDirectory.h"
#include "commands/SpokenKeys.h"

#include <QString>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace brisklet {

// What matching derives from one setups list: the spoken keys of every name and
// trigger phrase, the texts the fuzzy step weighs, and the resolver's inventory.
struct SetupTable {
    std::shared_ptr<const std::vector<SetupNames>> source;
    SpokenKeys named; // key → name of the first setup with that key, found by keys said alike
    struct Fuzzy {
        QString text;
        QString name;
    };
    std::vector<Fuzzy> fuzzy;
    std::vector<IntentResolver::SetupKey> inventory;

    static std::shared_ptr<const SetupTable> of(std::shared_ptr<const std::vector<SetupNames>> source);

    // The exact setup step over a normalised phrase: a setup's name or phrase, with or
    // without "setup" after it, runs that setup; "end" before one ends it.
    std::optional<Plan> exactMatch(const QString& normalized) const;
};

// The table of a directory's current list, kept while the same list comes back.
class SetupTables final {
public:
    // `setups` must outlive this.
    explicit SetupTables(const SetupDirectory& setups) : setups_(setups) {}

    std::shared_ptr<const SetupTable> current() const;

private:
    const SetupDirectory& setups_;
    mutable std::mutex lock_;
    mutable std::shared_ptr<const SetupTable> cache_;
};

} // namespace brisklet
