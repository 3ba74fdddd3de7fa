#pragma once

#include "ask/TextResult.h"

#include <QString>
#include <functional>

namespace brisklet {

// One route of the setup builder: a plain description in, a draft's text out.
class MagicBackend {
public:
    virtual ~MagicBackend() = default;
    virtual bool isAvailable() const = 0;
    // `completion` runs exactly once, as for AskBackend::plan.
    virtual void build(const QString& description, std::function<void(const TextResult&)> completion) = 0;
};

} // namespace brisklet
