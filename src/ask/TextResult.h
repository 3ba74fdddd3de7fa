#pragma once

#include "ask/AskPort.h"

#include <QString>
#include <optional>

namespace brisklet {

// The model's raw text, or why there is none: what every route reads of a reply
// before it is parsed as a plan or a setup draft.
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

} // namespace brisklet
