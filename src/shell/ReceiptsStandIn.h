#pragma once

#include <functional>

namespace brisklet {

// Receipt cards after setup runs: nothing reaches them until setups exist, so the
// stand-in only keeps the callbacks the delegate installs.
class ReceiptsStandIn final {
public:
    std::function<void()> onUndo;
    std::function<void()> onAcknowledged;
    std::function<void()> onExpired;
};

} // namespace brisklet
