#pragma once

#include "setups/Setup.h"

#include <QString>
#include <QUuid>
#include <map>

namespace brisklet {

// A setup offered to the user: not yet in the store, to be tried, saved or tuned.
// Its identity is its draft's id.
struct MagicProposal {
    QString title;
    QString blurb; // one sentence on the arrangement
    Setup draft;
    std::map<QString, QString> evidence; // desktop ID → why that app was chosen
    double score = 0;                    // higher ranks first
    bool operator==(const MagicProposal&) const = default;

    QUuid id() const { return draft.id; }
};

} // namespace brisklet
