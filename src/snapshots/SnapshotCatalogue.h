#pragma once

#include "flow/HUDState.h"

#include <QSize>
#include <QString>
#include <variant>
#include <vector>

namespace brisklet {

// The screens the snapshot mode renders, as data: one row per picture, in the
// order they are built and written. A new screen is a new row here and, for a new
// kind of view, one alternative of ShotView with its builder in ShotViews.
namespace SnapshotCatalogue {

// The window colour behind a view: the canvas of the shot's appearance, the
// plain window colour, or nothing at all.
enum class Backdrop { cream, window, clear };
// The fixture setups a home view lists.
enum class Store { empty, one, many };
// The counters a home view shows: a new user's zeros, or a few weeks of use.
enum class Usage { cold, warm };
// What the Magic scan found: four apps and two proposals, or a scan with nothing.
enum class Magic { demo, empty };
// What the Magic builder shows: nothing asked yet, a built card, one with a name
// left out, or a failed build.
enum class Build { none, built, unresolved, failed };

// The home window on one pane ("Home", "Commands", …).
struct HomeShot {
    QString pane;
    Store store = Store::many;
    Usage usage = Usage::warm;
    Magic magic = Magic::demo;
    Build build = Build::none;
    bool operator==(const HomeShot&) const = default;
};
// The first-run window on one step, with what is granted and done so far.
struct OnboardingShot {
    int step = 0;
    bool micOK = true;
    bool speechOK = true;
    bool axOK = true;
    bool commandSucceeded = false;
    bool magicScanned = false;
    bool proposals = false; // the demo proposals, else none
    bool operator==(const OnboardingShot&) const = default;
};
// The setup editor on a blank setup (no name) or on the demo setup of that name.
struct EditorShot {
    QString setupName;
    bool operator==(const EditorShot&) const = default;
};
// The capture review of the demo capture: all five items, none, or with overlaps.
struct CaptureShot {
    enum class Found { items, nothing, overlapping };
    Found found = Found::items;
    bool operator==(const CaptureShot&) const = default;
};
// The heads-up display over a dusk gradient; `quiet` keeps the model's resting bars.
struct HUDShot {
    HUDState state;
    bool quiet = false;
    bool operator==(const HUDShot&) const = default;
};
// The pick panel with the three demo rows.
struct PickShot {
    bool operator==(const PickShot&) const = default;
};
// The brand mark at four sizes and the tray images.
struct MarkRowShot {
    bool operator==(const MarkRowShot&) const = default;
};
// The drift nudge for a setup, over a paper gradient.
struct NudgeShot {
    QString setupName;
    bool operator==(const NudgeShot&) const = default;
};
// The add-command sheet as it opens.
struct AddCommandShot {
    bool operator==(const AddCommandShot&) const = default;
};

using ShotView = std::variant<HomeShot, OnboardingShot, EditorShot, CaptureShot, HUDShot, PickShot,
                              MarkRowShot, NudgeShot, AddCommandShot>;

struct Shot {
    QString name; // the PNG's file name without ".png"
    QSize size;   // the window's size in logical pixels
    Backdrop backdrop = Backdrop::cream;
    bool dark = false; // the window's own appearance
    ShotView view;
    bool operator==(const Shot&) const = default;
};

// Every shot, in order.
const std::vector<Shot>& shots();

} // namespace SnapshotCatalogue
} // namespace brisklet
