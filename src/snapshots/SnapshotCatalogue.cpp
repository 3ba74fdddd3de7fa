#include "snapshots/SnapshotCatalogue.h"

namespace brisklet::SnapshotCatalogue {

namespace {

const QSize homeSize(940, 640);
const QSize wideSize(1440, 900);
const QSize narrowSize(860, 580);
const QSize hudSize(400, 160);
const QSize onboardingSize(620, 560);
const QSize editorSize(660, 640);
const QSize captureSize(620, 700);
const QSize builderSize(940, 900);

Shot home(const char* name, const char* pane, Store store, Usage usage, bool dark = false,
          QSize size = homeSize) {
    return {QLatin1String(name), size, Backdrop::cream, dark, HomeShot{QLatin1String(pane), store, usage}};
}

Shot magic(const char* name, Magic data, bool dark = false) {
    return {QLatin1String(name), homeSize, Backdrop::cream, dark,
            HomeShot{QStringLiteral("Magic"), Store::empty, Usage::warm, data}};
}

// The builder's answer under a scan with nothing, in a window tall enough for its card.
Shot build(const char* name, Build build) {
    return {QLatin1String(name), builderSize, Backdrop::cream, false,
            HomeShot{QStringLiteral("Magic"), Store::empty, Usage::warm, Magic::empty, build}};
}

Shot onboarding(const char* name, const OnboardingShot& state, bool dark = false,
                QSize size = onboardingSize) {
    return {QLatin1String(name), size, Backdrop::window, dark, state};
}

Shot capture(const char* name, CaptureShot::Found found) {
    return {QLatin1String(name), captureSize, Backdrop::cream, false, CaptureShot{found}};
}

// The heads-up display is dark whatever the desktop's appearance.
Shot hud(const char* name, const HUDState& state, bool quiet = false) {
    return {QLatin1String(name), hudSize, Backdrop::clear, true, HUDShot{state, quiet}};
}

std::vector<Shot> build() {
    // Step, the three permissions, the first command, the Magic scan and its proposals.
    const OnboardingShot permissions{0, true, false, false, false, false, false};
    const OnboardingShot firstCommand{2, true, true, true, false, false, false};
    const OnboardingShot scanned{3, true, true, true, true, true, true};
    const OnboardingShot scannedEmpty{3, true, true, true, true, true, false};
    return {
        home("home-1-home-cold", "Home", Store::empty, Usage::cold),
        home("home-1-home-warm", "Home", Store::many, Usage::warm),
        home("home-1-home-warm-dark", "Home", Store::many, Usage::warm, true),
        magic("home-1b-magic", Magic::demo),
        magic("home-1b-magic-dark", Magic::demo, true),
        magic("home-1b-magic-empty", Magic::empty),
        build("home-1c-magic-built", Build::built),
        build("home-1c-magic-unresolved", Build::unresolved),
        build("home-1c-magic-failed", Build::failed),
        home("home-2-setups-empty", "Setups", Store::empty, Usage::warm),
        home("home-2-setups-one", "Setups", Store::one, Usage::warm),
        home("home-2-setups-many", "Setups", Store::many, Usage::warm),
        home("home-2-setups-many-dark", "Setups", Store::many, Usage::warm, true),
        home("home-3-commands", "Commands", Store::many, Usage::warm),
        home("home-5-settings", "Settings", Store::many, Usage::warm),
        home("home-5-settings-dark", "Settings", Store::many, Usage::warm, true),
        home("resize-1-home-wide", "Home", Store::many, Usage::warm, false, wideSize),
        home("resize-2-setups-wide", "Setups", Store::many, Usage::warm, false, wideSize),
        home("resize-3-setups-narrow", "Setups", Store::many, Usage::warm, false, narrowSize),
        home("resize-4-settings-wide", "Settings", Store::many, Usage::warm, false, wideSize),
        onboarding("onboarding-0-permissions", permissions),
        onboarding("onboarding-0-permissions-dark", permissions, true),
        onboarding("onboarding-1-summon", {1, true, true, true, false, false, false}),
        onboarding("onboarding-2-firstcommand", firstCommand),
        onboarding("onboarding-2-success", {2, true, true, true, true, false, false}),
        onboarding("onboarding-3-magic", scanned),
        onboarding("onboarding-3-magic-dark", scanned, true),
        onboarding("onboarding-3-magic-empty", scannedEmpty),
        onboarding("onboarding-4-finish", {4, true, true, true, false, false, false}),
        onboarding("onboarding-2-minsize", firstCommand, false, QSize(560, 480)),
        {QStringLiteral("editor-new"), editorSize, Backdrop::cream, false, EditorShot{}},
        {QStringLiteral("editor-edit"), editorSize, Backdrop::cream, false,
         EditorShot{QStringLiteral("deep work")}},
        capture("capture-preview", CaptureShot::Found::items),
        capture("capture-preview-empty", CaptureShot::Found::nothing),
        capture("capture-preview-overlap", CaptureShot::Found::overlapping),
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
