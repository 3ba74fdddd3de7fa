#pragma once

#include "actions/PlanRunner.h"

#include <QString>
#include <vector>

namespace brisklet::test {

// Keeps every plan it is handed; the test ends the latest one when it likes.
class FakePlanRunner final : public PlanRunner {
public:
    std::vector<Plan> plans;
    std::vector<Completion> pending;

    void performPlan(Plan plan, Completion completion) override {
        plans.push_back(std::move(plan));
        pending.push_back(std::move(completion));
    }
    // Runs the latest plan's completion with this outcome.
    void finish(bool success, const QString& message) {
        auto c = std::move(pending.back());
        pending.pop_back();
        c({success, message});
    }
};

} // namespace brisklet::test
