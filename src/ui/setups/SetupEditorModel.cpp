#include "ui/setups/SetupEditorModel.h"

#include "actions/BrowserScripting.h"
#include "setups/SetupIcons.h"
#include "ui/design/SetupThumbnail.h"
#include "ui/setups/FolderChooser.h"
#include "ui/setups/PlacementPreset.h"

#include <QVariantMap>
#include <algorithm>

namespace brisklet {

namespace {

QString idText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces);
}

} // namespace

SetupEditorModel::SetupEditorModel(QObject* parent) : QObject(parent) {
    connect(&system_, &SystemStateModel::changed, this, &SetupEditorModel::changed);
}

SetupEditorModel::~SetupEditorModel() = default;

void SetupEditorModel::open(const Setup& original, Context context) {
    original_ = original;
    draft_ = original;
    context_ = std::move(context);
    browsers_ = SetupDraftEdits::installedBrowsers(context_.apps);
    newURL_.clear();
    newURLBrowser_ =
        context_.defaultBrowser.isEmpty() ? SetupDraftEdits::fallbackBrowser() : context_.defaultBrowser;
    notice_.clear();
    system_.reset(original.system, SystemStateEdits::players(context_.apps));
    const bool wasOpen = open_;
    open_ = true;
    emit itemsChanged();
    emit changed();
    if (!wasOpen)
        emit openChanged();
}

Setup SetupEditorModel::draft() const {
    Setup out = draft_;
    out.system = system_.state();
    return out;
}

void SetupEditorModel::setNotice(const QString& text) {
    if (notice_ == text)
        return;
    notice_ = text;
    emit changed();
}

void SetupEditorModel::storeChanged() {
    if (open_)
        emit changed();
}

QString SetupEditorModel::nameChip() const {
    return draft_.name.trimmed().isEmpty() ? QString() : draft_.name.toLower();
}

QString SetupEditorModel::icon() const {
    return draft_.icon.value_or(SetupIcons::autoFor(draft_.name));
}

QStringList SetupEditorModel::icons() {
    return SetupIcons::all();
}

QVariantMap SetupEditorModel::rowOf(const SetupItem& item) const {
    const bool web = item.kind == SetupItemKind::url;
    QString subtitle;
    if (!web && item.projectPath)
        subtitle = *item.projectPath;
    else if (!web)
        subtitle = item.title;
    const int choices = SetupDraftEdits::displayChoices(screenCount(), item.frame);
    return QVariantMap{
        {"id", idText(item.id)},
        {"web", web},
        {"bundleID", item.bundleID},
        {"appName", item.appName},
        {"url", item.url.value_or(QString())},
        {"subtitle", subtitle},
        {"project", item.projectPath.has_value()},
        {"preset", PlacementPreset::label(PlacementPreset::matching(item.frame))},
        {"hasFrame", item.frame.has_value()},
        {"display",
         item.frame ? SetupDraftEdits::clampedDisplay(item.frame->displayIndex, screenCount()) : 0},
        {"displayChoices", choices},
    };
}

QStringList SetupEditorModel::refusedIds() const {
    QStringList out;
    for (const QUuid& id : SetupDraftEdits::refusedAddresses(draft_))
        out << idText(id);
    return out;
}

void SetupEditorModel::itemsEdited() {
    emit itemsChanged();
    emit changed();
}

QVariantList SetupEditorModel::items() const {
    QVariantList out;
    for (const SetupItem& item : draft_.items)
        out << rowOf(item);
    return out;
}

bool SetupEditorModel::hasFrames() const {
    return std::any_of(draft_.items.begin(), draft_.items.end(),
                       [](const SetupItem& i) { return i.frame.has_value(); });
}

QVariantList SetupEditorModel::thumbnail() const {
    return SetupThumbnail::itemMaps(draft_.items);
}

QVariantList SetupEditorModel::screens() const {
    QVariantList sizes;
    for (const QRectF& frame : context_.screens)
        sizes << QSizeF(frame.size());
    return sizes;
}

int SetupEditorModel::screenCount() const {
    return std::max(1, int(context_.screens.size()));
}

QVariantList SetupEditorModel::browsers() const {
    QVariantList out;
    for (const auto& browser : browsers_)
        out << QVariantMap{{"value", browser.bundleID}, {"label", browser.name}};
    return out;
}

std::vector<IndexedApp> SetupEditorModel::sortedApps() const {
    std::vector<IndexedApp> apps = context_.apps;
    std::stable_sort(apps.begin(), apps.end(),
                     [](const IndexedApp& a, const IndexedApp& b) { return a.name < b.name; });
    return apps;
}

QStringList SetupEditorModel::appNames() const {
    QStringList out;
    for (const IndexedApp& app : sortedApps())
        out << app.name;
    return out;
}

QStringList SetupEditorModel::presets() {
    return PlacementPreset::labels();
}

void SetupEditorModel::setNewURL(const QString& text) {
    if (newURL_ == text)
        return;
    newURL_ = text;
    emit changed();
}

void SetupEditorModel::setNewURLBrowser(const QString& id) {
    if (newURLBrowser_ == id)
        return;
    newURLBrowser_ = id;
    emit changed();
}

bool SetupEditorModel::canAddSite() const {
    return BrowserScripting::isAllowedURL(SetupDraftEdits::normalizedURL(newURL_));
}

void SetupEditorModel::setEndQuitsApps(bool on) {
    draft_.endQuitsApps = on;
    emit changed();
}

void SetupEditorModel::setCloseOthers(bool on) {
    draft_.closeOthers = on;
    emit changed();
}

void SetupEditorModel::setRequiresAllDisplays(bool on) {
    draft_.requiresAllDisplays = on;
    emit changed();
}

QString SetupEditorModel::endLabel() const {
    const QString spoken = draft_.name.isEmpty() ? QStringLiteral("…") : draft_.name.toLower();
    return QStringLiteral("Saying “end ") + spoken + QStringLiteral("” quits these apps");
}

QString SetupEditorModel::allDisplaysLabel() const {
    const qint64 needed = draft_.displaysNeeded();
    if (needed < 2)
        return {};
    return QStringLiteral("Only run when all %1 displays are connected").arg(needed);
}

QString SetupEditorModel::problem() const {
    if (!SetupDraftEdits::refusedAddresses(draft_).isEmpty())
        return QStringLiteral("A web address needs to start with http:// or https:// and name a site.");
    return SetupDraftEdits::conflict(draft_, context_.reserved, *storedSetups()).value_or(QString());
}

QString SetupEditorModel::statusLine() const {
    const QString refusal = problem();
    return refusal.isEmpty() ? notice_ : refusal;
}

bool SetupEditorModel::canSave() const {
    return open_ && SetupDraftEdits::canSave(draft_, context_.reserved, *storedSetups());
}

void SetupEditorModel::setName(const QString& name) {
    if (draft_.name == name)
        return;
    draft_.name = name;
    emit changed();
}

void SetupEditorModel::setPhrasesText(const QString& text) {
    const QStringList phrases = SetupDraftEdits::phrasesFrom(text);
    if (draft_.phrases == phrases)
        return;
    draft_.phrases = phrases;
    emit changed();
}

void SetupEditorModel::chooseIcon(const QString& symbol) {
    draft_.icon = symbol;
    emit changed();
}

void SetupEditorModel::addApp(int index) {
    const std::vector<IndexedApp> apps = sortedApps();
    if (index < 0 || index >= int(apps.size()))
        return;
    if (const auto item = SetupDraftEdits::appItem(apps[size_t(index)])) {
        draft_.items.push_back(*item);
        itemsEdited();
    }
}

void SetupEditorModel::addSite() {
    const auto item = SetupDraftEdits::siteItem(newURL_, newURLBrowser_, browsers_);
    if (!item)
        return;
    draft_.items.push_back(*item);
    newURL_.clear();
    itemsEdited();
}

void SetupEditorModel::addProject() {
    if (!chooser_)
        return;
    const auto folder = chooser_->chooseFolder(
        QStringLiteral("Add Project"),
        QStringLiteral(
            "Pick the project folder — it opens in your terminal and editor when this setup runs."));
    if (!folder || folder->isEmpty())
        return;
    const auto added = SetupDraftEdits::projectItems(*folder, context_.home, context_.running, context_.apps);
    if (added.empty())
        return;
    draft_.items.insert(draft_.items.end(), added.begin(), added.end());
    itemsEdited();
}

std::shared_ptr<const std::vector<Setup>> SetupEditorModel::storedSetups() const {
    auto list = context_.stored ? context_.stored() : nullptr;
    return list ? list : std::make_shared<const std::vector<Setup>>();
}

SetupItem* SetupEditorModel::itemWith(const QString& id) {
    const QUuid uuid(id);
    const auto it = std::find_if(draft_.items.begin(), draft_.items.end(),
                                 [&](const SetupItem& i) { return i.id == uuid; });
    return it == draft_.items.end() ? nullptr : &*it;
}

void SetupEditorModel::removeItem(const QString& id) {
    const QUuid uuid(id);
    if (std::erase_if(draft_.items, [&](const SetupItem& i) { return i.id == uuid; }) > 0)
        itemsEdited();
}

void SetupEditorModel::setItemURL(const QString& id, const QString& text) {
    if (SetupItem* item = itemWith(id)) {
        item->url = text;
        emit changed();
    }
}

void SetupEditorModel::setItemBrowser(const QString& id, const QString& browserID) {
    SetupItem* item = itemWith(id);
    if (!item)
        return;
    item->bundleID = browserID;
    for (const auto& browser : browsers_) {
        if (browser.bundleID == browserID) {
            item->appName = browser.name;
            break;
        }
    }
    itemsEdited();
}

void SetupEditorModel::choosePreset(const QString& id, const QString& label) {
    SetupItem* item = itemWith(id);
    const auto preset = PlacementPreset::fromLabel(label);
    if (!item || !preset)
        return;
    item->frame = PlacementPreset::apply(*preset, item->frame);
    itemsEdited();
}

void SetupEditorModel::chooseDisplay(const QString& id, int display) {
    SetupItem* item = itemWith(id);
    if (!item || !item->frame)
        return;
    item->frame->displayIndex = SetupDraftEdits::clampedDisplay(display, screenCount());
    itemsEdited();
}

void SetupEditorModel::save() {
    if (!canSave()) {
        // What refuses it may have changed with nothing said yet (the file, read
        // afresh at this press): the line and the button show it now.
        emit changed();
        return;
    }
    emit saved(SetupDraftEdits::finished(draft()));
}

void SetupEditorModel::cancel() {
    close();
}

void SetupEditorModel::close() {
    if (!open_)
        return;
    open_ = false;
    emit openChanged();
    emit changed();
}

} // namespace brisklet
