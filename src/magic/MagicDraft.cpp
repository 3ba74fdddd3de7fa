#include "magic/MagicDraft.h"

namespace brisklet {

namespace {

const std::pair<MagicPlacement, const char*> placements[] = {
    {MagicPlacement::left, "left"},         {MagicPlacement::right, "right"},
    {MagicPlacement::leftWide, "leftWide"}, {MagicPlacement::rightNarrow, "rightNarrow"},
    {MagicPlacement::full, "full"},         {MagicPlacement::center, "center"}};

} // namespace

QString rawValue(MagicPlacement placement) {
    for (const auto& [value, raw] : placements) {
        if (value == placement)
            return QLatin1String(raw);
    }
    return {};
}

std::optional<MagicPlacement> magicPlacementFrom(const QString& raw) {
    for (const auto& [value, text] : placements) {
        if (raw == QLatin1String(text))
            return value;
    }
    return std::nullopt;
}

SetupFrame frameOf(MagicPlacement placement) {
    switch (placement) {
    case MagicPlacement::left:
        return {0, 0, 0.5, 1, 0};
    case MagicPlacement::right:
        return {0.5, 0, 0.5, 1, 0};
    case MagicPlacement::leftWide:
        return {0, 0, 0.66, 1, 0};
    case MagicPlacement::rightNarrow:
        return {0.66, 0, 0.34, 1, 0};
    case MagicPlacement::full:
        return {0, 0, 1, 1, 0};
    case MagicPlacement::center:
        return {0.15, 0.1, 0.7, 0.8, 0};
    }
    return {0, 0, 1, 1, 0};
}

QString MagicDraftError::description() const {
    switch (kind) {
    case Kind::malformed:
        return QStringLiteral("reply rejected: ") + detail;
    case Kind::notASetup:
        return QStringLiteral("that didn't describe a setup");
    case Kind::nothingResolved:
        return QStringLiteral("none of those apps are on this computer");
    }
    return {};
}

} // namespace brisklet
