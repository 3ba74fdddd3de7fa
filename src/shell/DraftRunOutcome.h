#pragma once

#include <QDateTime>
#include <QString>
#include <QUuid>

namespace brisklet {

// How a tried-out draft went, for the panes that started it.
struct DraftRunOutcome {
    QUuid draftID;
    bool success = false;
    QString message;
    QDateTime stamp;
    bool operator==(const DraftRunOutcome&) const = default;
};

} // namespace brisklet
