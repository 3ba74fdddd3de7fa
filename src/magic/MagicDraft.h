#pragma once

#include "magic/MagicProposal.h"
#include "setups/Setup.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace brisklet {

// Where a drafted window goes on the first display.
enum class MagicPlacement { left, right, leftWide, rightNarrow, full, center };

// "left", "rightNarrow" …: the words a model's draft uses.
QString rawValue(MagicPlacement placement);
std::optional<MagicPlacement> magicPlacementFrom(const QString& raw);
SetupFrame frameOf(MagicPlacement placement);

// A model's draft after strict reading, before it meets the installed apps.
struct ParsedMagicDraft {
    struct Item {
        std::optional<QString> app;
        std::optional<QString> url; // https with a host, as written
        std::optional<MagicPlacement> placement;
        bool operator==(const Item&) const = default;
    };
    QString name;
    QString blurb;
    std::vector<Item> items;
    bool operator==(const ParsedMagicDraft&) const = default;
};

// Why a draft was turned down. Only ever logged.
struct MagicDraftError {
    enum class Kind { malformed, notASetup, nothingResolved };
    Kind kind = Kind::malformed;
    QString detail; // malformed: what broke
    bool operator==(const MagicDraftError&) const = default;

    static MagicDraftError malformed(const QString& detail) { return {Kind::malformed, detail}; }
    QString description() const;
};

// A drafted proposal and the item texts that match nothing here, in item order.
struct MagicBuilt {
    MagicProposal proposal;
    QStringList unresolved;
    bool operator==(const MagicBuilt&) const = default;
};

} // namespace brisklet
