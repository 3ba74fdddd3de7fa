#pragma once

#include "ask/DraftRunOutcome.h"

#include <QStringList>
#include <functional>
#include <optional>

namespace brisklet {

// Magic is still to come; it will need the phrases a drafted setup may not take.
class MagicStandIn final {
public:
    std::function<QStringList()> reservedPhrasesProvider;
    std::optional<DraftRunOutcome> lastRunOutcome;
};

} // namespace brisklet
