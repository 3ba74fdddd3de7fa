#pragma once

#include "commands/Action.h"

#include <QString>
#include <functional>
#include <optional>

namespace brisklet {

// Why a language-model request gave no plan.
enum class AskError { network, server, disabled, noKey, serviceUnavailable, badPlan };

struct AskResult {
    std::optional<Plan> plan; // set on success
    AskError error = AskError::disabled;
    QString detail; // network: the reason; server: the status code

    static AskResult success(Plan plan) { return {std::move(plan), AskError::badPlan, {}}; }
    static AskResult failure(AskError error, const QString& detail = {}) {
        return {std::nullopt, error, detail};
    }
    bool operator==(const AskResult&) const = default;
};

// Sends a phrase that matched nothing to a language model.
class AskPort {
public:
    virtual ~AskPort() = default;
    // The chosen backend is usable and Ask is switched on.
    virtual bool isEnabled() const = 0;
    // Exactly one call of `completion`, on the main thread.
    virtual void plan(const QString& phrase, std::function<void(const AskResult&)> completion) = 0;
};

} // namespace brisklet
