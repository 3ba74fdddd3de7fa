#pragma once

#include "ask/AskPort.h"

#include <QString>
#include <functional>

namespace brisklet {

// One route to a language model that turns a phrase into a plan.
class AskBackend {
public:
    virtual ~AskBackend() = default;
    // Whether this route can be used now.
    virtual bool isAvailable() const = 0;
    // Sends one phrase; `completion` runs exactly once: on the calling thread for a
    // failure known before any request, else on the main thread.
    virtual void plan(const QString& phrase, std::function<void(const AskResult&)> completion) = 0;
};

} // namespace brisklet
