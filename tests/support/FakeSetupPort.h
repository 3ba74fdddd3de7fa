#pragma once

#include "actions/SetupPort.h"

#include <QMap>
#include <vector>

namespace brisklet::test {

// A setups engine that answers with the reports a test sets, and keeps the drafts it
// was handed. Its fields are read and set between runs, never during one.
class FakeSetupPort final : public SetupPort {
public:
    QMap<QString, SetupRef> known; // by the phrase that finds it
    RunReport runReport;
    EndReport endReport;
    std::optional<int> closing;
    std::optional<UndoReport> undo;
    std::vector<const Setup*> drafts;

    std::optional<SetupRef> lookup(const QString& phrase) override {
        if (known.contains(phrase))
            return known.value(phrase);
        return std::nullopt;
    }
    RunReport run(const SetupRef&) override { return runReport; }
    RunReport runDraft(const Setup& draft) override {
        drafts.push_back(&draft);
        return runReport;
    }
    EndReport end(const SetupRef&) override { return endReport; }
    std::optional<int> closeOthersForLastRun(const QUuid&) override { return closing; }
    std::optional<UndoReport> undoLast() override { return undo; }
};

} // namespace brisklet::test
