#pragma once

#include "commands/Action.h"

#include <QString>
#include <functional>

namespace brisklet {

// Carries plans out for the request flow. The action executor implements it.
class PlanRunner {
public:
    struct Outcome {
        bool success = false;
        QString message;
        bool operator==(const Outcome&) const = default;
    };
    using Completion = std::function<void(const Outcome&)>;

    virtual ~PlanRunner() = default;
    // Main thread; returns at once. The completion runs once, on the main thread.
    virtual void performPlan(Plan plan, Completion completion) = 0;
};

} // namespace brisklet
