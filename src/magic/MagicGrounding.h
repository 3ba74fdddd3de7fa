#pragma once

#include "magic/MagicDraft.h"
#include "magic/MagicRecommender.h"

#include <QSet>
#include <variant>

namespace brisklet::MagicGrounding {

// Places a parsed draft on what is installed here: roles become the user's best
// app for them, names are matched fuzzily, pages open in the default browser.
// Fails with nothingResolved when no item could be placed.
std::variant<MagicBuilt, MagicDraftError> ground(const ParsedMagicDraft& draft,
                                                 const MagicRecommender::Inventory& inventory,
                                                 const QSet<QString>& reserved, const QDateTime& now);
// The desktop ID an app text means here, if any.
std::optional<QString> resolveApp(const QString& text, const MagicRecommender::Inventory& inventory,
                                  const QDateTime& now);
// A name that no phrase of the matcher and no saved setup's name or phrase already
// takes (`taken` holds the setups' spoken keys).
QString safeName(const QString& name, const QSet<QString>& reserved, const SpokenKeys& taken);

} // namespace brisklet::MagicGrounding
