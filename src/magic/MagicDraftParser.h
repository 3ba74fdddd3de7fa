#pragma once

#include "magic/MagicDraft.h"

#include <variant>

namespace brisklet::MagicDraftParser {

// Trimmed, then cut to at most 400 UTF-16 units without splitting a character.
QString boundedDescription(const QString& description);
// Control and format characters dropped, trimmed, at most `limit` characters.
QString cleaned(const QString& text, int limit);
// The strict reader of a model's draft: any broken rule rejects the whole reply.
std::variant<ParsedMagicDraft, MagicDraftError> parse(const QString& reply);

} // namespace brisklet::MagicDraftParser
