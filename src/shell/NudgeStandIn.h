#pragma once

#include <QString>
#include <functional>

namespace brisklet {

// The drift nudge: nothing reaches it until setups exist.
class NudgeStandIn final {
public:
    std::function<void(const QString& setupID)> onUpdate;
};

} // namespace brisklet
