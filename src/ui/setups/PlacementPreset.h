#pragma once

#include "setups/Setup.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace brisklet {

// The named places an item's window can be given in the editor, as fractions of a
// display's visible frame.
namespace PlacementPreset {

enum class Preset {
    asIs,
    leftHalf,
    rightHalf,
    leftTwoThirds,
    rightThird,
    topHalf,
    bottomHalf,
    maximize,
    center,
    none
};

// Every preset in the picker's order.
const std::vector<Preset>& all();
QString label(Preset preset);
// The labels in the picker's order.
QStringList labels();
std::optional<Preset> fromLabel(const QString& label);

// The frame a choice leaves the item with: "As captured" keeps what is there, "Don't
// place" drops it, any other keeps the display of the frame it replaces (else 0).
std::optional<SetupFrame> apply(Preset preset, const std::optional<SetupFrame>& frame);

// The preset a stored frame shows as: each fraction within 0.01, the display not
// counted; no frame is "Don't place", anything else "As captured".
Preset matching(const std::optional<SetupFrame>& frame);

// The frame new apps and pages get: centred on the first display.
SetupFrame centered();

} // namespace PlacementPreset
} // namespace brisklet
