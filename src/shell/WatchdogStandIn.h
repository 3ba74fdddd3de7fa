#pragma once

#include "flow/WatchdogPort.h"

namespace brisklet {

// No health checks yet: the pipeline is trusted as it is.
class WatchdogStandIn final : public WatchdogPort {
public:
    void start() override {}
    void check() override {}
};

} // namespace brisklet
