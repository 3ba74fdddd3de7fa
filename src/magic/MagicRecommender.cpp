#include "magic/MagicRecommender.h"

#include "magic/MagicRoles.h"
#include "magic/MagicScan.h"
#include "setups/SetupStore.h"

#include <algorithm>

namespace brisklet::MagicRecommender {

namespace {

SetupFrame frame(double x, double y, double w, double h) {
    return {x, y, w, h, 0};
}

Slot roleSlot(const char* role, SetupFrame place) {
    return {*MagicRoles::candidates(role), place, false};
}
Slot browserSlot(SetupFrame place) {
    return {{}, place, true};
}

const SetupFrame wideLeft = frame(0, 0, 0.66, 1);
const SetupFrame narrowRight = frame(0.66, 0, 0.34, 1);
const SetupFrame leftHalf = frame(0, 0, 0.5, 1);
const SetupFrame rightHalf = frame(0.5, 0, 0.5, 1);

QString at(const QStringList& names, int i) {
    return i < names.size() ? names[i] : QString();
}

std::optional<MagicProposal> archetypeProposal(const Archetype& kind, const Inventory& inv,
                                               const QDateTime& now) {
    if (inv.takenWords.contains(SetupStore::spokenKey(kind.name)))
        return std::nullopt;
    std::vector<SetupItem> items;
    std::map<QString, QString> reasons;
    double total = 0;
    for (const Slot& slot : kind.places) {
        const std::optional<QString> id =
            slot.browserSlot ? inv.defaultBrowserBundleID : bestCandidate(slot.candidates, inv, now);
        const std::optional<IndexedApp> app = id ? resolvedApp(*id, inv) : std::nullopt;
        if (!app)
            return std::nullopt;
        items.push_back(item(SetupItemKind::app, *app, slot.frame));
        reasons[*id] = evidence(*id, inv, now);
        const auto usage = inv.profile.usage(*id);
        total += usage ? MagicScan::score(*usage, now) : 0;
    }
    if (items.size() < 2)
        return std::nullopt;
    QStringList names;
    for (const SetupItem& placed : items)
        names << placed.appName;
    MagicProposal proposal;
    proposal.title = kind.name;
    proposal.blurb = kind.blurb(names);
    proposal.draft = draft(kind.name, std::move(items), inv.displayFingerprint, now);
    proposal.evidence = std::move(reasons);
    proposal.score = total / double(kind.places.size());
    return proposal;
}

std::optional<MagicProposal> everydayProposal(const Inventory& inv, const QDateTime& now) {
    const QString name = QStringLiteral("Everyday");
    const auto& ranked = inv.profile.apps;
    if (inv.takenWords.contains(SetupStore::spokenKey(name)) || ranked.size() < 2)
        return std::nullopt;
    const size_t taken = std::min<size_t>(ranked.size(), 4);
    const std::vector<SetupFrame> frames =
        ranked.size() == 2 ? std::vector<SetupFrame>{leftHalf, rightHalf}
                           : std::vector<SetupFrame>{frame(0, 0.5, 0.5, 0.5), frame(0.5, 0.5, 0.5, 0.5),
                                                     frame(0, 0, 0.5, 0.5), frame(0.5, 0, 0.5, 0.5)};
    std::vector<SetupItem> items;
    std::map<QString, QString> reasons;
    double total = 0;
    for (size_t i = 0; i < taken; ++i) {
        const AppUsage& usage = ranked[i];
        total += MagicScan::score(usage, now);
        const std::optional<IndexedApp> app = resolvedApp(usage.bundleID, inv);
        if (!app)
            continue; // its place stays empty
        items.push_back(item(SetupItemKind::app, *app, frames[i]));
        reasons[usage.bundleID] = MagicScan::evidenceLabel(usage, now);
    }
    if (items.size() < 2)
        return std::nullopt;
    static const QStringList counts{"two", "three", "four"};
    QStringList names;
    for (const SetupItem& placed : items)
        names << placed.appName;
    MagicProposal proposal;
    proposal.title = name;
    proposal.blurb = names.join(", ") + QString::fromUtf8(" — one phrase brings all ") +
                     counts[int(items.size()) - 2] + " back.";
    proposal.draft = draft(name, std::move(items), inv.displayFingerprint, now);
    proposal.evidence = std::move(reasons);
    proposal.score = 0.8 * total / double(taken);
    return proposal;
}

} // namespace

const std::vector<Archetype>& archetypes() {
    static const std::vector<Archetype> table{
        {"Deep Work",
         [](const QStringList& n) { return at(n, 0) + " big on the left, " + at(n, 1) + " beside it."; },
         {roleSlot("editor", wideLeft), browserSlot(narrowRight)}},
        {"Code",
         [](const QStringList& n) { return at(n, 0) + " and " + at(n, 1) + ", side by side."; },
         {roleSlot("editor", wideLeft), roleSlot("terminal", narrowRight)}},
        {"Meeting",
         [](const QStringList& n) {
             return at(n, 0) + " on one side, your notes in " + at(n, 1) + " on the other.";
         },
         {roleSlot("call", leftHalf), roleSlot("meeting notes", rightHalf)}},
        {"Writing",
         [](const QStringList& n) {
             return "A clean page in " + at(n, 0) + ", research in " + at(n, 1) + " beside it.";
         },
         {roleSlot("writing", wideLeft), browserSlot(narrowRight)}},
        {"Design",
         [](const QStringList& n) { return at(n, 0) + " front and center, references in " + at(n, 1) + "."; },
         {roleSlot("design", wideLeft), browserSlot(narrowRight)}},
        {"Catch-up",
         [](const QStringList& n) {
             return at(n, 0) + " and " + at(n, 1) +
                    QString::fromUtf8(" side by side — clear them, then end it.");
         },
         {roleSlot("mail", leftHalf), roleSlot("chat", rightHalf)}},
    };
    return table;
}

Inventory inventory(const MagicProfile& profile, const std::vector<IndexedApp>& index,
                    const QStringList& savedWords, const Desktop& desktop) {
    Inventory inv;
    inv.profile = profile;
    for (const IndexedApp& app : index) {
        if (app.bundleID)
            inv.installed.try_emplace(*app.bundleID, app);
    }
    inv.defaultBrowserBundleID = desktop.defaultBrowser;
    // The default browser can always be placed, even when the index missed it.
    if (desktop.defaultBrowser && !inv.installed.count(*desktop.defaultBrowser)) {
        const QString name =
            desktop.defaultBrowserName.isEmpty() ? *desktop.defaultBrowser : desktop.defaultBrowserName;
        IndexedApp browser = IndexedApp::make(name, QString(), *desktop.defaultBrowser);
        browser.normalizedName.clear();
        inv.installed.emplace(*desktop.defaultBrowser, browser);
    }
    for (const QString& word : savedWords)
        inv.takenWords.insert(SetupStore::spokenKey(word));
    inv.displayFingerprint = desktop.displayFingerprint;
    return inv;
}

std::vector<MagicProposal> proposals(const MagicProfile& profile, const std::vector<IndexedApp>& index,
                                     const QStringList& savedWords, const Desktop& desktop,
                                     const QDateTime& now) {
    return build(inventory(profile, index, savedWords, desktop), now);
}

std::vector<MagicProposal> build(const Inventory& inv, const QDateTime& now) {
    std::vector<MagicProposal> list;
    for (const Archetype& kind : archetypes()) {
        if (auto proposal = archetypeProposal(kind, inv, now))
            list.push_back(std::move(*proposal));
    }
    const std::optional<MagicProposal> everyday = everydayProposal(inv, now);
    if (everyday)
        list.push_back(*everyday);
    std::stable_sort(list.begin(), list.end(), [](const MagicProposal& a, const MagicProposal& b) {
        if (a.score != b.score)
            return a.score > b.score;
        return a.title < b.title;
    });
    if (list.size() > 3)
        list.resize(3);
    // Everyday always makes the cut, in third place if it has to.
    if (everyday && std::none_of(list.begin(), list.end(),
                                 [&](const MagicProposal& p) { return p.id() == everyday->id(); }))
        list.back() = *everyday;
    return list;
}

std::optional<QString> bestCandidate(const QStringList& candidates, const Inventory& inv,
                                     const QDateTime& now) {
    std::optional<QString> best;
    double bestScore = 0;
    for (const QString& id : candidates) {
        if (!inv.installed.count(id))
            continue;
        const auto usage = inv.profile.usage(id);
        const double score = usage ? MagicScan::score(*usage, now) : 0;
        if (!best || score > bestScore) {
            best = id;
            bestScore = score;
        }
    }
    return best;
}

std::optional<IndexedApp> resolvedApp(const QString& bundleID, const Inventory& inv) {
    const auto found = inv.installed.find(bundleID);
    if (found == inv.installed.end())
        return std::nullopt;
    return found->second;
}

QString evidence(const QString& bundleID, const Inventory& inv, const QDateTime& now) {
    const auto usage = inv.profile.usage(bundleID);
    return usage ? MagicScan::evidenceLabel(*usage, now) : QStringLiteral("on this computer");
}

Setup draft(const QString& name, std::vector<SetupItem> items, const QString& fingerprint,
            const QDateTime& now) {
    Setup setup = Setup::fresh(fingerprint, now);
    setup.name = name;
    setup.items = std::move(items);
    return setup;
}

SetupItem item(SetupItemKind kind, const IndexedApp& app, std::optional<SetupFrame> frame) {
    SetupItem out;
    out.id = QUuid::createUuid();
    out.kind = kind;
    out.bundleID = app.bundleID.value_or(QString());
    out.appName = app.name;
    out.frame = frame;
    return out;
}

} // namespace brisklet::MagicRecommender
