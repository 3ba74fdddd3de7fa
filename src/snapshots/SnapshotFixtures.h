#pragma once

#include "commands/CommandEntry.h"
#include "magic/MagicDraft.h"
#include "magic/MagicProfile.h"
#include "magic/MagicProposal.h"
#include "platform/Apps.h"
#include "setups/Setup.h"
#include "setups/SetupEngine.h"
#include "ui/pick/BriskPickModel.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <vector>

namespace brisklet::SnapshotFixtures {

// The setups file names in the fixtures folder, by store.
inline constexpr const char* emptyFile = "empty.json";
inline constexpr const char* oneFile = "one.json";
inline constexpr const char* manyFile = "many.json";

// The demo desktop's default browser, which opens every page of the demo data.
platform::AppEntry demoBrowser();

// The command of the user's own that the demo registry adds to the built-in ones.
CommandEntry demoCommand();

// "deep work", "writing" and "monday review", in that order. The first two carry
// `fingerprint` (the screens that render them), the third always two displays.
std::vector<Setup> demoSetups(const QString& fingerprint, const QDateTime& now);
inline constexpr const char* twoDisplayFingerprint = "2:1728x1117,2560x1440";

// What a capture of a busy screen finds: two pages, Notes, a terminal over the
// middle and a player without a window, with one note. `overlapping`: the
// terminal covers the second page and Notes.
SetupEngine::CaptureResult demoCapture(const QString& fingerprint, bool overlapping = false);

// The microphone level the home window's meters show, and the first-run window's.
inline constexpr float microphoneLevel = 0.45f;
inline constexpr float onboardingLevel = 0.4f;

// A new setup as the editor starts it: a fresh id, no name, nothing in it.
Setup blankSetup(const QDateTime& now);

// What a scan two minutes ago found: Terminal, Firefox, Notes and Rhythmbox, most
// used first.
MagicProfile demoProfile(const QDateTime& now);

// What a scan of a developer's apps proposes: "Code" (Text Editor and Terminal
// side by side), then "Everyday" (four apps tiled corner to corner).
std::vector<MagicProposal> demoProposals(const QDateTime& now);

// What the user asked the builder for, and its answer: "Writing", the text editor
// beside a page, a playlist playing. `unresolved`: an app the reply named that
// isn't installed, left out.
inline constexpr const char* demoBuildDescription = "A writing setup with my editor and a focus playlist";
MagicBuilt demoBuild(const QDateTime& now, bool unresolved);

// The heads-up display's bars in mid-sentence: |sin(0.55 i)| × 0.75 + 0.15.
QList<qreal> speakingBars();

// The pick panel's three rows, the first one applied.
QList<PickEntry> pickRows();

// Commands run, setups run and seconds saved of a user a few weeks in.
struct Counters {
    int commandsRun = 0;
    int setupsRun = 0;
    int secondsSaved = 0;
};
Counters warmCounters();

} // namespace brisklet::SnapshotFixtures
