#include "ui/setups/SetupsPaneModel.h"

#include "commands/AppIndex.h"
#include "setups/SetupIcons.h"
#include "setups/SetupStore.h"
#include "setups/SetupSuggestions.h"
#include "ui/design/RelativeTime.h"
#include "ui/design/SetupThumbnail.h"
#include "ui/setups/SetupDraftEdits.h"
#include "windows/DisplayArrangement.h"
#include "windows/LayoutStore.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSizeF>
#include <algorithm>

namespace brisklet {

SetupsPaneModel::SetupsPaneModel(SetupStore& store, AppIndex* appIndex, Clock& clock, QObject* parent)
    : QObject(parent), store_(store), appIndex_(appIndex), clock_(clock) {
    connect(&store_, &SetupStore::setupsChanged, this, &SetupsPaneModel::changed);
    connect(&store_, &SetupStore::activeRunChanged, this, &SetupsPaneModel::changed);
}

void SetupsPaneModel::setDefaultBrowser(std::optional<platform::AppEntry> browser) {
    if (browser == defaultBrowser_)
        return;
    defaultBrowser_ = std::move(browser);
    emit changed();
}

std::vector<QRectF> SetupsPaneModel::screenFrames() const {
    if (screensProvider)
        return screensProvider();
    std::vector<QRectF> frames;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        for (const QScreen* screen : QGuiApplication::screens())
            frames.emplace_back(screen->geometry());
    }
    return frames;
}

QString SetupsPaneModel::currentFingerprint() const {
    return LayoutStore::fingerprint(screenFrames());
}

QVariantList SetupsPaneModel::screens() const {
    QVariantList sizes;
    for (const QRectF& frame : screenFrames())
        sizes << QSizeF(frame.size());
    return sizes;
}

bool SetupsPaneModel::hasSetups() const {
    return !store_.setups().empty();
}

QVariantList SetupsPaneModel::cards() const {
    const QString fingerprint = currentFingerprint();
    const QDateTime now = clock_.wallNow();
    const auto& active = store_.activeRun();
    QVariantList rows;
    for (const Setup& setup : ordered(store_.setups()))
        rows << cardRow(setup, active && active->setupID == setup.id, fingerprint, now);
    return rows;
}

QVariantList SetupsPaneModel::ideas() const {
    if (!appIndex_)
        return {};
    QVariantList rows;
    const SetupSuggestions::Desktop desktop{defaultBrowser_, currentFingerprint()};
    for (const SetupSuggestion& idea : SetupSuggestions::forInstalled(appIndex_->apps(), desktop, clock_)) {
        QStringList ids;
        for (const SetupItem& item : idea.draft.items)
            ids << item.bundleID;
        QVariantMap row = iconRow(ids);
        row.insert(QStringLiteral("name"), idea.name);
        row.insert(QStringLiteral("blurb"), idea.blurb);
        rows << row;
    }
    return rows;
}

QVariantMap SetupsPaneModel::cardRow(const Setup& setup, bool active, const QString& fingerprint,
                                     const QDateTime& now) const {
    QVariantMap row = iconRow(orderedAppIDs(setup));
    row.insert(QStringLiteral("id"), SetupJson::idText(setup.id));
    row.insert(QStringLiteral("name"), setup.name);
    row.insert(QStringLiteral("symbol"), setup.icon.value_or(SetupIcons::autoFor(setup.name)));
    row.insert(QStringLiteral("active"), active);
    row.insert(QStringLiteral("chip"), setup.name.toLower());
    row.insert(QStringLiteral("phrases"), setup.phrases.mid(0, 2));
    row.insert(QStringLiteral("effects"), setup.effectsSummary());
    row.insert(QStringLiteral("lastRun"),
               setup.lastRunAt ? QStringLiteral("ran ") + relativeTime(*setup.lastRunAt, now) : QString());
    row.insert(QStringLiteral("thumbnail"), SetupThumbnail::itemMaps(setup.items));
    const bool otherDisplays = setup.fingerprint != fingerprint;
    row.insert(QStringLiteral("displayLabel"),
               otherDisplays ? DisplayArrangement::label(setup.fingerprint) : QString());
    row.insert(QStringLiteral("displayHelp"),
               otherDisplays
                   ? QStringLiteral("Captured on a different display arrangement. Running it cascades "
                                    "windows on your main display — or capture a separate setup for "
                                    "this arrangement (e.g. “") +
                         setup.name + QStringLiteral(" laptop”).")
                   : QString());
    row.insert(QStringLiteral("menu"), menuEntries(active));
    return row;
}

std::optional<Setup> SetupsPaneModel::stored(const QString& id) const {
    const auto uuid = SetupJson::parseId(id);
    return uuid ? store_.setup(*uuid) : std::nullopt;
}

void SetupsPaneModel::run(const QString& id) {
    if (const auto setup = stored(id))
        emit runRequested(*setup);
}

void SetupsPaneModel::end(const QString& id) {
    if (const auto setup = stored(id))
        emit endRequested(*setup);
}

void SetupsPaneModel::edit(const QString& id) {
    if (const auto setup = stored(id))
        emit editRequested(*setup);
}

void SetupsPaneModel::update(const QString& id) {
    if (const auto setup = stored(id))
        emit updateRequested(*setup);
}

void SetupsPaneModel::duplicate(const QString& id) {
    const auto uuid = SetupJson::parseId(id);
    QString copy;
    if (uuid && !store_.duplicate(*uuid, &copy) && !copy.isEmpty())
        emit unsaved(SetupDraftEdits::unsavedText(copy));
}

void SetupsPaneModel::askDelete(const QString& id) {
    deleting_ = stored(id);
    emit deletingChanged();
}

void SetupsPaneModel::confirmDelete() {
    // A setup that went away meanwhile removes nothing.
    const std::optional<Setup> deleting = deleting_;
    cancelDelete();
    // The card stays as the file still has it.
    if (deleting && !store_.remove(deleting->id))
        emit unsaved(SetupDraftEdits::undeletedText(deleting->name));
}

void SetupsPaneModel::cancelDelete() {
    if (!deleting_)
        return;
    deleting_.reset();
    emit deletingChanged();
}

void SetupsPaneModel::newSetup() {
    emit editRequested(blankDraft(currentFingerprint(), clock_.wallNow()));
}

void SetupsPaneModel::capture() {
    emit captureRequested();
}

void SetupsPaneModel::createFromIdea(const QString& name) {
    if (!appIndex_)
        return;
    const SetupSuggestions::Desktop desktop{defaultBrowser_, currentFingerprint()};
    for (const SetupSuggestion& idea : SetupSuggestions::forInstalled(appIndex_->apps(), desktop, clock_)) {
        if (idea.name == name) {
            emit editRequested(idea.draft);
            return;
        }
    }
}

bool SetupsPaneModel::save(Setup edited) {
    edited.name = SetupStore::nameForSave(edited, *store_.snapshot());
    return store_.upsert(std::move(edited));
}

std::vector<Setup> SetupsPaneModel::ordered(const std::vector<Setup>& setups) {
    std::vector<Setup> sorted = setups;
    const auto usedAt = [](const Setup& setup) { return setup.lastRunAt.value_or(setup.createdAt); };
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const Setup& a, const Setup& b) { return usedAt(a) > usedAt(b); });
    return sorted;
}

QStringList SetupsPaneModel::orderedAppIDs(const Setup& setup) {
    QStringList ids;
    for (const SetupItem& item : setup.items) {
        if (!ids.contains(item.bundleID))
            ids << item.bundleID;
    }
    return ids;
}

QVariantMap SetupsPaneModel::iconRow(const QStringList& ids) {
    const qsizetype beyond = ids.size() - iconsShown;
    return {{QStringLiteral("appIDs"), ids.mid(0, iconsShown)},
            {QStringLiteral("moreApps"), beyond > 0 ? QStringLiteral("+%1").arg(beyond) : QString()}};
}

Setup SetupsPaneModel::blankDraft(const QString& fingerprint, const QDateTime& now) {
    return Setup::fresh(fingerprint, now);
}

QString SetupsPaneModel::deleteTitle(const QString& name) {
    return QStringLiteral("Delete “") + name + QStringLiteral("”?");
}

QVariantList SetupsPaneModel::menuEntries(bool active) {
    const auto entry = [](const QString& text, const QString& action, bool destructive = false) {
        return QVariantMap{{QStringLiteral("text"), text},
                           {QStringLiteral("action"), action},
                           {QStringLiteral("destructive"), destructive},
                           {QStringLiteral("separator"), false}};
    };
    QVariantList entries;
    // "End" is always in reach: the card shows an End button while the setup is open.
    if (!active)
        entries << entry(QStringLiteral("End — quit this setup's apps"), QStringLiteral("end"));
    entries << entry(QStringLiteral("Edit…"), QStringLiteral("edit"))
            << entry(QStringLiteral("Update to match my screen now"), QStringLiteral("update"))
            << entry(QStringLiteral("Duplicate"), QStringLiteral("duplicate"))
            << QVariantMap{{QStringLiteral("text"), QString()},
                           {QStringLiteral("action"), QString()},
                           {QStringLiteral("destructive"), false},
                           {QStringLiteral("separator"), true}}
            << entry(QStringLiteral("Delete…"), QStringLiteral("delete"), true);
    return entries;
}

} // namespace brisklet
