#include "magic/MagicGrounding.h"

#include "base/Text.h"
#include "magic/MagicRoles.h"
#include "setups/SetupStore.h"

namespace brisklet::MagicGrounding {

namespace {

constexpr double acceptScore = 0.72;

std::optional<SetupItem> place(const ParsedMagicDraft::Item& drafted, const MagicRecommender::Inventory& inv,
                               const QDateTime& now, QString& reason) {
    const std::optional<SetupFrame> frame =
        drafted.placement ? std::optional<SetupFrame>(frameOf(*drafted.placement)) : std::nullopt;
    if (drafted.url) {
        const auto& browser = inv.defaultBrowserBundleID;
        const auto app = browser ? MagicRecommender::resolvedApp(*browser, inv) : std::nullopt;
        if (!app)
            return std::nullopt;
        SetupItem item = MagicRecommender::item(SetupItemKind::url, *app, frame);
        item.url = drafted.url;
        return item;
    }
    const std::optional<QString> id = resolveApp(*drafted.app, inv, now);
    const auto app = id ? MagicRecommender::resolvedApp(*id, inv) : std::nullopt;
    if (!app)
        return std::nullopt;
    reason = MagicRecommender::evidence(*id, inv, now);
    return MagicRecommender::item(SetupItemKind::app, *app, frame);
}

} // namespace

std::optional<QString> resolveApp(const QString& text, const MagicRecommender::Inventory& inv,
                                  const QDateTime& now) {
    if (const auto role = MagicRoles::candidates(text)) {
        if (role->isEmpty())
            return inv.defaultBrowserBundleID;
        return MagicRecommender::bestCandidate(*role, inv, now);
    }
    const QString query = Text::normalize(text);
    if (query.isEmpty())
        return std::nullopt;
    std::optional<QString> best;
    double bestScore = 0;
    // The map is ordered by ID, so a tie always goes the same way.
    for (const auto& [id, app] : inv.installed) {
        const QString candidate =
            app.normalizedName.isEmpty() ? Text::normalize(app.name) : app.normalizedName;
        const double score = AppIndex::score(query, candidate);
        if (score > bestScore) {
            best = id;
            bestScore = score;
        }
    }
    return bestScore >= acceptScore ? best : std::nullopt;
}

QString safeName(const QString& name, const QSet<QString>& reserved, const SpokenKeys& taken) {
    QString base = name;
    if (reserved.contains(Text::normalize(base)))
        base = QStringLiteral("My ") + name;
    if (reserved.contains(Text::normalize(base)))
        base = QStringLiteral("Magic setup");
    QString candidate = base;
    for (int n = 2; taken.contains(SetupStore::spokenKey(candidate)); ++n)
        candidate = base + QLatin1Char(' ') + QString::number(n);
    return candidate;
}

std::variant<MagicBuilt, MagicDraftError> ground(const ParsedMagicDraft& draft,
                                                 const MagicRecommender::Inventory& inv,
                                                 const QSet<QString>& reserved, const QDateTime& now) {
    std::vector<SetupItem> items;
    std::map<QString, QString> evidence;
    QStringList unresolved;
    for (const ParsedMagicDraft::Item& drafted : draft.items) {
        QString reason;
        std::optional<SetupItem> item = place(drafted, inv, now, reason);
        if (!item) {
            unresolved << (drafted.url ? *drafted.url : *drafted.app);
            continue;
        }
        if (item->kind == SetupItemKind::app)
            evidence[item->bundleID] = reason;
        items.push_back(std::move(*item));
    }
    if (items.empty())
        return MagicDraftError{MagicDraftError::Kind::nothingResolved, {}};
    const QString name = safeName(draft.name, reserved, inv.takenWords);
    MagicBuilt built;
    built.proposal.title = name;
    built.proposal.blurb = draft.blurb;
    built.proposal.draft = MagicRecommender::draft(name, std::move(items), inv.displayFingerprint, now);
    built.proposal.evidence = std::move(evidence);
    built.proposal.score = 0;
    built.unresolved = unresolved;
    return built;
}

} // namespace brisklet::MagicGrounding
