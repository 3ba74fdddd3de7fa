#pragma once

#include "ask/AskPort.h"

#include <QString>
#include <functional>
#include <optional>

namespace brisklet {

// The model's raw text, or why there is none.
struct TextResult {
    std::optional<QString> text; // set on success
    AskError error = AskError::badPlan;
    QString detail; // network: the reason; server: the status code

    static TextResult success(const QString& text) { return {text, AskError::badPlan, {}}; }
    static TextResult failure(AskError error, const QString& detail = {}) {
        return {std::nullopt, error, detail};
    }
    bool operator==(const TextResult&) const = default;
};

// One route of the setup builder: a plain description in, a draft's text out.
class MagicBackend {
public:
    virtual ~MagicBackend() = default;
    virtual bool isAvailable() const = 0;
    // `completion` runs exactly once, as for AskBackend::plan.
    virtual void build(const QString& description, std::function<void(const TextResult&)> completion) = 0;
};

} // namespace brisklet
