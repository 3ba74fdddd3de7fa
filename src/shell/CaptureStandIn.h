#pragma once

#include "ui/CapturePort.h"

namespace brisklet {

// No capture review yet: the request is logged.
class CaptureStandIn final : public CapturePort {
public:
    void begin(const std::optional<QString>& prefillName) override;
};

} // namespace brisklet
