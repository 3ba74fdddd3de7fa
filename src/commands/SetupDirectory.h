#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

namespace brisklet {

// What matching needs to know of one saved setup.
struct SetupNames {
    QString name;        // as stored
    QStringList phrases; // trigger phrases, as stored
    bool operator==(const SetupNames&) const = default;
};

// The saved setups as matching reads them. The setups store implements it.
class SetupDirectory {
public:
    virtual ~SetupDirectory() = default;
    // The setups in stored order. The owner hands out its current list, taken under
    // its lock; a new list after every change, so a reader may keep what it derives
    // from one list for as long as the same list comes back.
    virtual std::shared_ptr<const std::vector<SetupNames>> setupNames() const = 0;
    // The stored name of the setup that a spoken phrase finds, or nothing.
    virtual std::optional<QString> lookupName(const QString& phrase) const = 0;
};

} // namespace brisklet
