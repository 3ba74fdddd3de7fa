#pragma once

#include <QString>
#include <QUuid>

namespace brisklet {

// How a tried-out draft went, for the panes that started it.
struct DraftRunOutcome {
    QUuid draftID;
    bool success = false;
    QString message;
    QUuid stamp; // new for each outcome, so that two equal runs still differ
    bool operator==(const DraftRunOutcome&) const = default;
};

} // namespace brisklet
