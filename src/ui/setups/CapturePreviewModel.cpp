#include "ui/setups/CapturePreviewModel.h"

#include "setups/SetupStore.h"
#include "ui/design/SetupThumbnail.h"
#include "windows/DisplayArrangement.h"

#include <QVariantMap>
#include <algorithm>

namespace brisklet {

namespace {

// Horizontal white space: blanks, tabs and the other space separators.
bool isHorizontalSpace(QChar c) {
    return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space;
}

} // namespace

CapturePreviewModel::CapturePreviewModel(SetupEngine::CaptureResult result, const QString& initialName,
                                         ExistingName existingName, QObject* parent, Clock& clock)
    : QObject(parent), result_(std::move(result)), clock_(clock), existingName_(std::move(existingName)),
      name_(initialName) {
    for (const SetupItem& item : result_.items)
        included_.insert(item.id);
    checkName();
}

void CapturePreviewModel::setRefusal(Refusal refusal) {
    refusal_ = std::move(refusal);
    checkName();
    emit changed();
}

QString CapturePreviewModel::trimmedName(const QString& name) {
    qsizetype start = 0;
    qsizetype end = name.size();
    while (start < end && isHorizontalSpace(name[start]))
        ++start;
    while (end > start && isHorizontalSpace(name[end - 1]))
        --end;
    return name.mid(start, end - start);
}

std::vector<SetupItem> CapturePreviewModel::chosenItems() const {
    std::vector<SetupItem> out;
    for (const SetupItem& item : result_.items) {
        if (included_.contains(item.id))
            out.push_back(item);
    }
    return out;
}

std::vector<std::pair<QUuid, QUuid>> CapturePreviewModel::visibleOverlaps() const {
    std::vector<std::pair<QUuid, QUuid>> out;
    for (const auto& pair : result_.overlapPairs) {
        if (included_.contains(pair.first) && included_.contains(pair.second))
            out.push_back(pair);
    }
    return out;
}

QString CapturePreviewModel::summary() const {
    const auto count = qsizetype(result_.items.size());
    if (count == 0)
        return QStringLiteral("No windows are open right now — arrange your world first, then capture.");
    return QString::number(count) + QStringLiteral(" window") + (count == 1 ? "" : "s") +
           QStringLiteral(", exactly as arranged, for your ") +
           DisplayArrangement::label(result_.fingerprint) +
           QStringLiteral(". Untick anything you don't want saved.");
}

QVariantList CapturePreviewModel::rows() const {
    QVariantList out;
    for (const SetupItem& item : result_.items) {
        const bool web = item.kind == SetupItemKind::url;
        const QString title = web && !item.title.isEmpty() ? item.title : item.appName;
        out << QVariantMap{
            {"id", item.id.toString(QUuid::WithoutBraces)},
            {"bundleID", item.bundleID},
            {"title", title},
            {"subtitle", item.url ? *item.url : item.title},
            {"mono", item.url.has_value()},
            {"browserLine", web ? QStringLiteral("opens in ") + item.appName : QString()},
            {"included", included_.contains(item.id)},
        };
    }
    return out;
}

bool CapturePreviewModel::showThumbnail() const {
    const auto chosen = chosenItems();
    return std::any_of(chosen.begin(), chosen.end(), [](const SetupItem& i) { return i.frame.has_value(); });
}

QVariantList CapturePreviewModel::thumbnail() const {
    return SetupThumbnail::itemMaps(chosenItems());
}

void CapturePreviewModel::setScreens(const QVariantList& sizes) {
    screens_ = sizes;
    emit changed();
}

void CapturePreviewModel::storeChanged() {
    const std::optional<QString> shown = replacing_;
    const QString refused = problem_;
    checkName();
    // The line and the button say what replacing_ says, the refusal line and the
    // button what problem_ says. A change the user typed is theirs; one from the
    // store comes unannounced.
    if (replacing_ != shown || problem_ != refused)
        changedAt_ = clock_.now();
    emit changed();
}

void CapturePreviewModel::setName(const QString& name) {
    if (name_ == name)
        return;
    name_ = name;
    // The failure was that name's.
    unsaved_.clear();
    checkName();
    emit changed();
}

void CapturePreviewModel::setUnsaved(const QString& text) {
    if (unsaved_ == text)
        return;
    unsaved_ = text;
    emit changed();
}

void CapturePreviewModel::checkName() {
    replacing_.reset();
    problem_.clear();
    const QString trimmed = trimmedName(name_);
    if (trimmed.isEmpty())
        return;
    if (refusal_)
        problem_ = refusal_(trimmed).value_or(QString());
    if (!existingName_)
        return;
    const auto found = existingName_(trimmed);
    if (found && SetupStore::saidAlike(*found, trimmed))
        replacing_ = found;
}

QString CapturePreviewModel::replacingLine() const {
    return replacing_ ? QStringLiteral("updates your existing “") + *replacing_ + QStringLiteral("”")
                      : QString();
}

QString CapturePreviewModel::chip() const {
    const QString trimmed = trimmedName(name_);
    // A refused name is no phrase to say.
    return replacing_ || trimmed.isEmpty() || !problem_.isEmpty() ? QString() : trimmed.toLower();
}

void CapturePreviewModel::setCloseOthers(bool on) {
    if (closeOthers_ == on)
        return;
    closeOthers_ = on;
    emit changed();
}

QString CapturePreviewModel::keptText() const {
    return QStringLiteral("%1 of %2 kept").arg(chosenItems().size()).arg(result_.items.size());
}

QString CapturePreviewModel::primaryText() const {
    return replacing_ ? QStringLiteral("Update Setup") : QStringLiteral("Save Setup");
}

bool CapturePreviewModel::canSave() const {
    return !trimmedName(name_).isEmpty() && !chosenItems().empty() && problem_.isEmpty();
}

void CapturePreviewModel::setIncluded(const QString& id, bool on) {
    const QUuid uuid(id);
    const bool known = std::any_of(result_.items.begin(), result_.items.end(),
                                   [&](const SetupItem& i) { return i.id == uuid; });
    if (!known || included_.contains(uuid) == on)
        return;
    if (on)
        included_.insert(uuid);
    else
        included_.remove(uuid);
    emit changed();
}

void CapturePreviewModel::save() {
    // The stored setups may have changed since the line was last read; a change now
    // counts as one just before the press.
    storeChanged();
    // Nobody reacts that fast: the press was aimed at what was shown before.
    if (changedAt_ && clock_.now() - *changedAt_ < settleSeconds)
        return;
    if (canSave())
        emit saveRequested(trimmedName(name_), chosenItems(), result_.fingerprint, closeOthers_);
}

void CapturePreviewModel::cancel() {
    emit cancelRequested();
}

} // namespace brisklet
