#include "ui/magic/MagicPaneModel.h"

#include "base/Prefs.h"
#include "base/Text.h"
#include "magic/MagicBuilder.h"
#include "magic/MagicController.h"
#include "magic/MagicScan.h"
#include "setups/SetupStore.h"
#include "ui/magic/MagicCardFormat.h"
#include "ui/magic/MagicPaneHost.h"

#include <algorithm>

namespace brisklet {

namespace {

constexpr double barFull = 90;
constexpr double barLeast = 6;

std::optional<QUuid> idFrom(const QString& text) {
    return SetupJson::parseId(text);
}

} // namespace

MagicPaneModel::MagicPaneModel(QObject* parent) : QObject(parent) {}

MagicPaneModel::~MagicPaneModel() = default;

QObject* MagicPaneModel::host() const {
    return host_;
}

void MagicPaneModel::setHost(QObject* host) {
    if (host_)
        disconnect(&host_->magic, nullptr, this, nullptr);
    host_ = qobject_cast<MagicPaneHost*>(host);
    if (host_) {
        MagicController* magic = &host_->magic;
        for (auto signal : {&MagicController::profileChanged, &MagicController::proposalsChanged,
                            &MagicController::scanningChanged})
            connect(magic, signal, this, &MagicPaneModel::changed);
        connect(magic, &MagicController::lastRunOutcomeChanged, this, &MagicPaneModel::outcomeArrived);
        connect(&host_->setups, &SetupStore::setupsChanged, this, &MagicPaneModel::changed);
        if (const auto& staged = host_->stagedBuild) {
            description_ = staged->description;
            built_ = staged->built;
            failure_ = staged->failure;
            state_ = built_ ? BuilderState::built : BuilderState::failed;
        }
    }
    emit changed();
}

QString MagicPaneModel::scanState() const {
    if (!host_)
        return QStringLiteral("empty");
    const auto& profile = host_->magic.profile();
    if (profile && !profile->apps.empty())
        return QStringLiteral("ranking");
    return host_->magic.scanning() ? QStringLiteral("scanning") : QStringLiteral("empty");
}

bool MagicPaneModel::scanning() const {
    return host_ && host_->magic.scanning();
}

QString MagicPaneModel::rankedLine() const {
    const qsizetype count =
        host_ && host_->magic.profile() ? qsizetype(host_->magic.profile()->apps.size()) : 0;
    return QStringLiteral(
               "Ranked from %1 apps you actually use — read locally, nothing leaves this computer.")
        .arg(count);
}

std::vector<MagicPaneModel::UsageRow> MagicPaneModel::usageRows(const MagicProfile& profile) {
    const QDateTime& now = profile.scannedAt;
    const double top = profile.apps.empty() ? 1.0 : MagicScan::score(profile.apps.front(), now);
    std::vector<UsageRow> rows;
    for (size_t i = 0; i < std::min<size_t>(profile.apps.size(), 5); ++i) {
        const AppUsage& app = profile.apps[i];
        const double ratio = top > 0 ? MagicScan::score(app, now) / top : 0;
        rows.push_back(
            {int(i) + 1, app.bundleID, app.name, MagicScan::evidenceLabel(app, now), usageBarWidth(ratio)});
    }
    return rows;
}

double MagicPaneModel::usageBarWidth(double ratio) {
    return ratio >= 1 ? barFull : std::max(barFull * ratio, barLeast);
}

QString MagicPaneModel::insightLine(const MagicProfile& profile) {
    for (size_t i = 0; i < std::min<size_t>(profile.apps.size(), 5); ++i) {
        const AppUsage& app = profile.apps[i];
        if (!app.inDock && app.useCount >= 100)
            return QStringLiteral("You live in ") + app.name +
                   QStringLiteral(" — and it isn't even in your dock.");
    }
    const auto running = std::count_if(profile.apps.begin(), profile.apps.end(),
                                       [](const AppUsage& a) { return a.isRunning; });
    if (running >= 3)
        return QString::number(running) + QStringLiteral(" of your ranked apps are open right now.");
    return {};
}

QString MagicPaneModel::failureMessage(AskError error) {
    switch (error) {
    case AskError::network:
        return QStringLiteral("No internet — the builder needs a connection. Everything above still works.");
    case AskError::server:
        return QStringLiteral("The builder is having trouble right now. Everything above still works.");
    case AskError::badPlan:
        return QStringLiteral("Couldn't build that — try naming the apps or pages you want in it.");
    case AskError::disabled:
    case AskError::noKey:
    case AskError::serviceUnavailable:
        break;
    }
    return QStringLiteral("The builder isn't available right now. Your recommendations above still work.");
}

QString MagicPaneModel::builderNote(bool askEnabled) {
    return askEnabled
               ? QStringLiteral("The builder needs the Brisklet service or your own key (Settings → Ask). "
                                "Your recommendations above work without it.")
               : QStringLiteral("Ask is turned off in Settings — the builder rides the same switch. "
                                "Your recommendations above work without it.");
}

QVariantList MagicPaneModel::usageRowList() const {
    QVariantList out;
    if (!host_ || !host_->magic.profile())
        return out;
    for (const UsageRow& row : usageRows(*host_->magic.profile()))
        out << QVariantMap{{"rank", row.rank},
                           {"name", row.name},
                           {"evidence", row.evidence},
                           {"barWidth", row.barWidth},
                           {"bundleID", row.bundleID}};
    return out;
}

QString MagicPaneModel::insight() const {
    return host_ && host_->magic.profile() ? insightLine(*host_->magic.profile()) : QString();
}

bool MagicPaneModel::isSaved(const QUuid& id) const {
    // A draft the store already holds (saved from the editor, or on an earlier
    // visit) is saved: pressing Save again must not overwrite it.
    return savedIDs_.contains(id) || (host_ && host_->setups.setup(id).has_value());
}

QVariantMap MagicPaneModel::card(const MagicProposal& p, const QStringList& unresolved) const {
    const QUuid id = p.id();
    const auto failed = failedRuns_.find(id);
    // Tuned or freed of a clash, the stored name is the one to say.
    const auto stored = host_ ? host_->setups.setup(id) : std::nullopt;
    return {{"id", SetupJson::idText(id)},
            {"proposal", MagicCardFormat::describe(p)},
            {"unresolved", unresolved},
            {"saved", savedIDs_.contains(id) || stored.has_value()},
            {"savedName", stored ? stored->name : p.title},
            {"ran", ranIDs_.contains(id)},
            {"axGranted", !host_ || !host_->axGranted || host_->axGranted()},
            {"runFailure", failed == failedRuns_.end() ? QString() : failed->second},
            {"allowEdit", host_ && host_->allowEdit}};
}

QVariantList MagicPaneModel::proposalCards() const {
    QVariantList out;
    if (!host_)
        return out;
    for (const MagicProposal& p : host_->magic.proposals())
        out << card(p, {});
    return out;
}

bool MagicPaneModel::builderAvailable() const {
    return host_ && host_->builder && host_->builder->isEnabled();
}

QString MagicPaneModel::builderNoteNow() const {
    return builderNote(Prefs::boolValue(Prefs::Key::askEnabled));
}

void MagicPaneModel::setDescription(const QString& text) {
    if (text == description_)
        return;
    description_ = text;
    emit changed();
}

bool MagicPaneModel::canBuild() const {
    return !thinking() && !Text::trimHorizontal(description_).isEmpty();
}

QVariant MagicPaneModel::builtCard() const {
    if (state_ != BuilderState::built || !built_)
        return {};
    return card(built_->proposal, built_->unresolved);
}

const MagicProposal* MagicPaneModel::proposal(const QUuid& id) const {
    if (built_ && built_->proposal.id() == id)
        return &built_->proposal;
    if (!host_)
        return nullptr;
    for (const MagicProposal& p : host_->magic.proposals()) {
        if (p.id() == id)
            return &p;
    }
    return nullptr;
}

void MagicPaneModel::appeared() {
    if (host_ && !host_->magic.profile() && !host_->magic.scanning())
        host_->magic.refresh();
}

void MagicPaneModel::rescan() {
    if (host_)
        host_->magic.refresh();
}

void MagicPaneModel::run(const QString& text) {
    const auto id = idFrom(text);
    const MagicProposal* p = id ? proposal(*id) : nullptr;
    if (!p)
        return;
    ranIDs_.insert(*id);
    failedRuns_.erase(*id);
    const Setup draft = p->draft;
    emit changed();
    if (host_->onRunDraft)
        host_->onRunDraft(draft);
}

void MagicPaneModel::undo(const QString& text) {
    if (const auto id = idFrom(text))
        ranIDs_.remove(*id);
    emit changed();
    if (host_ && host_->onUndo)
        host_->onUndo();
}

void MagicPaneModel::save(const QString& text) {
    const auto id = idFrom(text);
    const MagicProposal* p = id ? proposal(*id) : nullptr;
    if (!p || isSaved(*id))
        return;
    if (host_->onSaveDraft && host_->onSaveDraft(p->draft))
        savedIDs_.insert(*id);
    emit changed();
}

void MagicPaneModel::edit(const QString& text) {
    const auto id = idFrom(text);
    const MagicProposal* p = id ? proposal(*id) : nullptr;
    if (!p)
        return;
    // Once saved, the setup as stored is the one to tune: the first draft would
    // bring back what the user removed and undo a rename on the next save.
    const auto stored = host_->setups.setup(*id);
    emit host_->editRequested(stored ? *stored : p->draft);
}

void MagicPaneModel::outcomeArrived() {
    const auto& outcome = host_ ? host_->magic.lastRunOutcome() : std::nullopt;
    if (!outcome)
        return;
    if (outcome->success) {
        failedRuns_.erase(outcome->draftID);
    } else {
        failedRuns_[outcome->draftID] = outcome->message;
        ranIDs_.remove(outcome->draftID);
    }
    emit changed();
}

void MagicPaneModel::submit() {
    if (!host_ || !host_->builder || thinking())
        return;
    const QString text = description_.trimmed();
    if (text.isEmpty())
        return;
    state_ = BuilderState::thinking;
    emit changed();
    QPointer<MagicPaneModel> self(this);
    host_->builder->propose(text, [self](const MagicBuilder::Result& result) {
        if (!self)
            return; // the pane was left while building
        if (result.built) {
            self->built_ = result.built;
            self->state_ = BuilderState::built;
        } else {
            self->failure_ = failureMessage(result.error);
            self->state_ = BuilderState::failed;
        }
        emit self->changed();
    });
}

} // namespace brisklet
