#pragma once

#include <QString>
#include <optional>

namespace brisklet {

// The capture review flow for a new setup.
class CapturePort {
public:
    virtual ~CapturePort() = default;
    virtual void begin(const std::optional<QString>& prefillName) = 0;
};

} // namespace brisklet
