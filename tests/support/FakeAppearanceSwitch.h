#pragma once

#include "platform/AppearanceSwitch.h"

#include <mutex>
#include <vector>

namespace brisklet::test {

// An appearance in memory that can refuse, fail or ignore a switch.
class FakeAppearanceSwitch final : public platform::AppearanceSwitch {
public:
    enum class Answer { works, fails, denied, ignores };

    std::optional<Scheme> current() override {
        std::lock_guard lock(mutex_);
        return scheme_;
    }
    platform::ScriptOutcome set(Scheme scheme) override {
        std::lock_guard lock(mutex_);
        asked_.push_back(scheme);
        switch (answer_) {
        case Answer::fails:
            return platform::ScriptOutcome::failed(QStringLiteral("no schema"));
        case Answer::denied:
            return platform::ScriptOutcome::denied();
        case Answer::ignores:
            return scheme_ == scheme ? platform::ScriptOutcome::ok()
                                     : platform::ScriptOutcome::failed(QStringLiteral("unchanged"));
        case Answer::works:
            break;
        }
        scheme_ = scheme;
        return platform::ScriptOutcome::ok();
    }

    void setAnswer(Answer answer) {
        std::lock_guard lock(mutex_);
        answer_ = answer;
    }
    std::vector<Scheme> asked() {
        std::lock_guard lock(mutex_);
        return asked_;
    }

private:
    std::mutex mutex_;
    std::optional<Scheme> scheme_ = Scheme::light;
    Answer answer_ = Answer::works;
    std::vector<Scheme> asked_;
};

} // namespace brisklet::test
