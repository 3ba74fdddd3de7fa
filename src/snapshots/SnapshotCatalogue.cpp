#include "snapshots/SnapshotCatalogue.h"

namespace brisklet::SnapshotCatalogue {

namespace {

const QSize homeSize(940, 640);
const QSize wideSize(1440, 900);
const QSize hudSize(400, 160);

Shot home(const char* name, const char* pane, Store store, Usage usage, bool dark = false,
          QSize size = homeSize) {
    return {QLatin1String(name), size, Backdrop::cream, dark, HomeShot{QLatin1String(pane), store, usage}};
}

// The heads-up display is dark whatever the desktop's appearance.
Shot hud(const char* name, const HUDState& state, bool quiet = false) {
    return {QLatin1String(name), hudSize, Backdrop::clear, true, HUDShot{state, quiet}};
}

// The Magic, Setups and Settings panes, the onboarding steps, the setup editor and
// the capture review join this list, in their places, as they are built.
std::vector<Shot> build() {
    return {
        home("home-1-home-cold", "Home", Store::empty, Usage::cold),
        home("home-1-home-warm", "Home", Store::many, Usage::warm),
        home("home-1-home-warm-dark", "Home", Store::many, Usage::warm, true),
        home("home-3-commands", "Commands", Store::many, Usage::warm),
        home("resize-1-home-wide", "Home", Store::many, Usage::warm, false, wideSize),
        hud("hud-1-listening-empty", HUDState::listening()),
        hud("hud-2-listening-partial",
            HUDState::listening(QStringLiteral("open firefox and sort the windows"))),
        hud("hud-3-heard", HUDState::heard(QStringLiteral("run deep work"))),
        hud("hud-4-executing", HUDState::executing(QStringLiteral("Opening your deep work setup"))),
        hud("hud-5-done", HUDState::done(QStringLiteral("Sorted 4 windows into a grid"))),
        hud("hud-6-miss", HUDState::miss(QStringLiteral("flurble the borble"))),
        hud("hud-7-info", HUDState::info(QStringLiteral(
                              "No match. Add an Anthropic key in Settings → Ask for free-form commands."))),
        hud("hud-8-confirm", HUDState::confirm(QStringLiteral("Run your “deep work” setup?"))),
        {QStringLiteral("brisk-pick"), QSize(280, 240), Backdrop::cream, false, PickShot{}},
        {QStringLiteral("brisk-pick-dark"), QSize(280, 240), Backdrop::cream, true, PickShot{}},
        hud("hud-1b-listening-quiet", HUDState::listening(), true),
        {QStringLiteral("briskmark-sizes"), QSize(480, 120), Backdrop::cream, false, MarkRowShot{}},
        {QStringLiteral("briskmark-sizes-dark"), QSize(480, 120), Backdrop::cream, true, MarkRowShot{}},
        {QStringLiteral("nudge"), QSize(380, 150), Backdrop::clear, false,
         NudgeShot{QStringLiteral("deep work")}},
        {QStringLiteral("addcommand-sheet"), QSize(460, 240), Backdrop::window, false, AddCommandShot{}},
    };
}

} // namespace

const std::vector<Shot>& shots() {
    static const std::vector<Shot> all = build();
    return all;
}

} // namespace brisklet::SnapshotCatalogue
