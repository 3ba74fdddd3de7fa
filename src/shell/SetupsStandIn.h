#pragma once

#include "commands/SetupDirectory.h"

namespace brisklet {

// No setups can be saved yet: matching sees an empty list.
class SetupsStandIn final : public SetupDirectory {
public:
    std::shared_ptr<const std::vector<SetupNames>> setupNames() const override { return empty_; }
    std::optional<QString> lookup(const QString&) const override { return std::nullopt; }

private:
    std::shared_ptr<const std::vector<SetupNames>> empty_ = std::make_shared<const std::vector<SetupNames>>();
};

} // namespace brisklet
