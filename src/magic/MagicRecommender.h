#pragma once

#include "commands/AppIndex.h"
#include "commands/SpokenKeys.h"
#include "magic/MagicProfile.h"
#include "magic/MagicProposal.h"

#include <QStringList>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace brisklet {

// Ready-made setups that fit how the user works: six fixed kinds of work, each
// filled with the installed apps the user uses most for its roles, and an
// "Everyday" setup of the most used apps. Offline and deterministic.
namespace MagicRecommender {

// What is installed and used here.
struct Inventory {
    MagicProfile profile;
    std::map<QString, IndexedApp> installed; // by desktop ID
    std::optional<QString> defaultBrowserBundleID;
    SpokenKeys takenWords; // the spoken keys of the saved setups' names and phrases
    QString displayFingerprint;
};

// What the desktop adds to the app list: the default browser and the screens.
struct Desktop {
    std::optional<QString> defaultBrowser; // desktop ID
    QString displayFingerprint;
    QString defaultBrowserName = {}; // its entry's Name; empty: unknown
};

struct Slot {
    QStringList candidates; // desktop IDs, most preferred first
    std::optional<SetupFrame> frame;
    bool browserSlot = false; // takes the default browser
};
struct Archetype {
    QString name;
    std::function<QString(const QStringList& names)> blurb;
    std::vector<Slot> places;
};
const std::vector<Archetype>& archetypes();

// `savedWords`: every name and phrase of the saved setups, which no proposal takes.
Inventory inventory(const MagicProfile& profile, const std::vector<IndexedApp>& index,
                    const QStringList& savedWords, const Desktop& desktop);
// At most three proposals for this profile.
std::vector<MagicProposal> proposals(const MagicProfile& profile, const std::vector<IndexedApp>& index,
                                     const QStringList& savedWords, const Desktop& desktop,
                                     const QDateTime& now);
std::vector<MagicProposal> build(const Inventory& inventory, const QDateTime& now);
// The installed candidate the user uses most; ties keep the more preferred one.
std::optional<QString> bestCandidate(const QStringList& candidates, const Inventory& inventory,
                                     const QDateTime& now);
std::optional<IndexedApp> resolvedApp(const QString& bundleID, const Inventory& inventory);
// Why an app was picked: the scan's label, or "on this computer" without a record.
QString evidence(const QString& bundleID, const Inventory& inventory, const QDateTime& now);
// A draft setup around placed items, as every proposal makes it.
Setup draft(const QString& name, std::vector<SetupItem> items, const QString& fingerprint,
            const QDateTime& now);
// A placed item of a proposal.
SetupItem item(SetupItemKind kind, const IndexedApp& app, std::optional<SetupFrame> frame);

} // namespace MagicRecommender

} // namespace brisklet
