#include "ui/home/CommandsPaneModel.h"

#include "base/Prefs.h"
#include "base/Text.h"
#include "commands/CommandRegistry.h"
#include "setups/SetupIcons.h"
#include "setups/SetupStore.h"
#include "ui/home/CommandEdits.h"

#include <algorithm>

namespace brisklet {

namespace {

QString expandedKey() {
    return QString::fromLatin1(Prefs::Key::commandsExpanded);
}

const QString unwritable = QStringLiteral(" — the commands file can't be written");

QVariantMap docRow(const CommandDoc& doc, const std::vector<CommandEntry>& entries) {
    return {{QStringLiteral("id"), doc.id()},
            {QStringLiteral("title"), doc.title},
            {QStringLiteral("detail"), doc.detail},
            {QStringLiteral("examples"), doc.examples.mid(0, 4)},
            {QStringLiteral("editable"), !CommandsPaneModel::docEntries(doc.title, entries).empty()}};
}

} // namespace

CommandsPaneModel::CommandsPaneModel(QObject* parent) : QObject(parent), expanded_(loadExpanded()) {}

QObject* CommandsPaneModel::registry() const {
    return registry_.data();
}

void CommandsPaneModel::setRegistry(QObject* registry) {
    if (registry_)
        disconnect(registry_, nullptr, this, nullptr);
    registry_ = qobject_cast<CommandRegistry*>(registry);
    if (registry_)
        connect(registry_, &CommandRegistry::entriesChanged, this, &CommandsPaneModel::commandsChanged);
    emit commandsChanged();
    emit queryChanged();
}

QObject* CommandsPaneModel::setups() const {
    return setups_.data();
}

void CommandsPaneModel::setSetups(QObject* store) {
    if (setups_)
        disconnect(setups_, nullptr, this, nullptr);
    setups_ = qobject_cast<SetupStore*>(store);
    if (setups_) {
        connect(setups_, &SetupStore::setupsChanged, this, &CommandsPaneModel::setupsChanged);
        connect(setups_, &SetupStore::activeRunChanged, this, &CommandsPaneModel::setupsChanged);
    }
    emit setupsChanged();
}

void CommandsPaneModel::setQuery(const QString& query) {
    if (query == query_)
        return;
    query_ = query;
    emit queryChanged();
    emit setupsChanged();
}

bool CommandsPaneModel::searching() const {
    return !Text::trimHorizontal(query_).isEmpty();
}

QVariantList CommandsPaneModel::setupRows() const {
    QVariantList rows;
    if (!setups_)
        return rows;
    const auto& run = setups_->activeRun();
    for (const Setup& setup : setupsMatching(query_, setups_->setups())) {
        rows << QVariantMap{
            {QStringLiteral("id"), SetupJson::idText(setup.id)},
            {QStringLiteral("chip"), setup.name.toLower()},
            {QStringLiteral("phrases"), setup.phrases.mid(0, 2)},
            {QStringLiteral("caption"), setupCaption(setup)},
            {QStringLiteral("symbol"), setup.icon.value_or(SetupIcons::autoFor(setup.name))},
            {QStringLiteral("isOpen"), run.has_value() && run->setupID == setup.id},
        };
    }
    return rows;
}

QVariantList CommandsPaneModel::customRows() const {
    QVariantList rows;
    if (!registry_)
        return rows;
    for (const CommandEntry& entry : customCommands(registry_->entries())) {
        rows << QVariantMap{{QStringLiteral("id"), entry.id},
                            {QStringLiteral("phrases"), entry.phrases},
                            {QStringLiteral("caption"), commandCaption(entry)},
                            {QStringLiteral("failure"), deleteFailures_.value(entry.id)}};
    }
    return rows;
}

QVariantList CommandsPaneModel::groups() const {
    const std::vector<CommandEntry> none;
    const auto& entries = registry_ ? registry_->entries() : none;
    QVariantList list;
    for (const auto& [group, docs] : CommandCatalog::grouped(query_)) {
        QVariantList rows;
        for (const CommandDoc& doc : docs)
            rows << docRow(doc, entries);
        list << QVariantMap{{QStringLiteral("family"), rawValue(group)},
                            {QStringLiteral("symbol"), familySymbol(group)},
                            {QStringLiteral("count"), static_cast<int>(docs.size())},
                            {QStringLiteral("preview"), previewPhrases(docs)},
                            {QStringLiteral("docs"), rows}};
    }
    return list;
}

QStringList CommandsPaneModel::expandedList() const {
    QStringList list(expanded_.begin(), expanded_.end());
    list.sort();
    return list;
}

void CommandsPaneModel::setExpanded(const QString& family, bool on) {
    if (on)
        expanded_.insert(family);
    else
        expanded_.remove(family);
    emit expandedChanged();
    storeExpanded(expanded_);
}

bool CommandsPaneModel::deleteCommand(const QString& id) {
    if (!registry_)
        return false;
    const auto before = registry_->entries();
    auto entries = before;
    const auto gone = std::find_if(before.begin(), before.end(), [&](const auto& e) { return e.id == id; });
    std::erase_if(entries, [&](const CommandEntry& entry) { return entry.id == id; });
    registry_->setEntries(std::move(entries));
    if (registry_->save()) {
        deleteFailures_.remove(id);
        return true;
    }
    registry_->setEntries(before);
    if (gone != before.end())
        deleteFailures_.insert(id, QStringLiteral("Couldn't delete ") + Text::quoted(gone->phrases.value(0)) +
                                       unwritable);
    emit commandsChanged();
    return false;
}

QVariantList CommandsPaneModel::fieldsFor(const QString& title) const {
    QVariantList fields;
    if (!registry_)
        return fields;
    const auto entries = docEntries(title, registry_->entries());
    for (const CommandEntry& entry : entries) {
        QString label;
        if (entries.size() >= 2)
            label = QString(entry.id).replace(QLatin1Char('-'), QLatin1Char(' '));
        const QVariant unsaved = unsavedPhrases_.value(entry.id);
        fields << QVariantMap{{QStringLiteral("id"), entry.id},
                              {QStringLiteral("label"), label},
                              {QStringLiteral("text"),
                               unsaved.isValid() ? unsaved.toString() : CommandEdits::joined(entry.phrases)}};
    }
    return fields;
}

QString CommandsPaneModel::commitPhrases(const QString& id, const QString& text) {
    if (!registry_)
        return text;
    const auto& entries = registry_->entries();
    const auto it = std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.id == id; });
    if (it == entries.end())
        return text;
    const auto result = CommandEdits::commit(text, *it);
    const bool saved = !result.updated || store(*result.updated);
    setPhrasesUnsaved(id, saved ? std::nullopt : std::optional(text));
    return saved ? result.text : text;
}

bool CommandsPaneModel::addCommand(const QString& phrase, const QString& kind, const QString& appName,
                                   const QString& shortcutName) {
    const auto entry = CommandEdits::newCommand(phrase, kind, appName, shortcutName);
    if (!entry || !registry_)
        return false;
    if (!store(*entry)) {
        setAddFailure(QStringLiteral("Couldn't save ") + Text::quoted(entry->phrases.value(0)) + unwritable);
        return false;
    }
    setAddFailure({});
    return true;
}

// What could not be saved is taken back: the next start would lack it, and the
// field or sheet that still holds it can try again.
bool CommandsPaneModel::store(const CommandEntry& entry) {
    auto before = registry_->entries();
    if (registry_->update(entry))
        return true;
    registry_->setEntries(std::move(before));
    return false;
}

void CommandsPaneModel::clearAddFailure() {
    setAddFailure({});
}

void CommandsPaneModel::setAddFailure(const QString& text) {
    if (addFailure_ == text)
        return;
    addFailure_ = text;
    emit failuresChanged();
}

void CommandsPaneModel::setPhrasesUnsaved(const QString& id, const std::optional<QString>& text) {
    const QVariant now = text ? QVariant(*text) : QVariant();
    if (unsavedPhrases_.value(id) == now)
        return;
    if (text)
        unsavedPhrases_.insert(id, *text);
    else
        unsavedPhrases_.remove(id);
    emit failuresChanged();
}

const QSet<QString>& CommandsPaneModel::defaultExpanded() {
    static const QSet<QString> families{QStringLiteral("Setups"), QStringLiteral("Windows")};
    return families;
}

// The settings file keeps an empty list as an invalid value and a one-element list
// as plain text: both must come back as the list they were.
QSet<QString> CommandsPaneModel::loadExpanded() {
    if (!Prefs::contains(expandedKey()))
        return defaultExpanded();
    const QVariant value = Prefs::value(expandedKey());
    if (!value.isValid())
        return {};
    if (value.typeId() == QMetaType::QString)
        return {value.toString()};
    if (value.typeId() == QMetaType::QStringList) {
        const QStringList list = value.toStringList();
        return QSet<QString>(list.begin(), list.end());
    }
    return defaultExpanded();
}

void CommandsPaneModel::storeExpanded(const QSet<QString>& families) {
    QStringList list(families.begin(), families.end());
    list.sort();
    Prefs::setValue(expandedKey(), list);
}

std::vector<Setup> CommandsPaneModel::setupsMatching(const QString& query, const std::vector<Setup>& setups) {
    std::vector<Setup> sorted = setups;
    const auto usedAt = [](const Setup& setup) { return setup.lastRunAt.value_or(setup.createdAt); };
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](const Setup& a, const Setup& b) { return usedAt(a) > usedAt(b); });
    const QString q = Text::trimHorizontal(query).toLower();
    if (q.isEmpty())
        return sorted;
    std::erase_if(sorted, [&](const Setup& setup) {
        if (setup.name.toLower().contains(q))
            return false;
        return std::none_of(setup.phrases.begin(), setup.phrases.end(),
                            [&](const QString& phrase) { return phrase.toLower().contains(q); });
    });
    return sorted;
}

QString CommandsPaneModel::setupCaption(const Setup& setup) {
    const QString summary = setup.effectsSummary();
    if (!summary.isEmpty())
        return summary;
    const auto count = setup.items.size();
    return QStringLiteral("Opens ") + QString::number(count) + QStringLiteral(" window") +
           (count == 1 ? QString() : QStringLiteral("s"));
}

std::vector<CommandEntry> CommandsPaneModel::customCommands(const std::vector<CommandEntry>& entries) {
    std::vector<CommandEntry> custom;
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(custom),
                 [](const CommandEntry& entry) { return entry.id.startsWith(QLatin1String("custom-")); });
    return custom;
}

QString CommandsPaneModel::commandCaption(const CommandEntry& entry) {
    const QString name = entry.params.value(QStringLiteral("name"));
    if (entry.action == QLatin1String(CommandEdits::openApp))
        return QStringLiteral("Opens ") + name;
    return QStringLiteral("Runs Shortcut “") + name + QStringLiteral("”");
}

QStringList CommandsPaneModel::previewPhrases(const std::vector<CommandDoc>& docs) {
    QStringList phrases;
    for (std::size_t i = 0; i < docs.size() && i < 2; ++i) {
        if (!docs[i].examples.isEmpty())
            phrases << docs[i].examples.first();
    }
    return phrases;
}

const std::vector<std::pair<QString, QStringList>>& CommandsPaneModel::registryMap() {
    static const std::vector<std::pair<QString, QStringList>> map{
        {"Sort / organize into a grid", {"sort"}},
        {"Sort every display", {"sort-all"}},
        {"Left / right half", {"left-half", "right-half"}},
        {"Maximize / fullscreen", {"maximize"}},
        {"Center", {"center"}},
        {"Hide others", {"hide-others"}},
        {"Next display", {"next-display"}},
        {"Volume", {"volume-up", "volume-down"}},
        {"Mute / unmute", {"mute", "unmute"}},
        {"Screenshot", {"screenshot"}},
        {"Lock screen", {"lock-screen"}},
        {"Do Not Disturb", {"dnd"}},
        {"Meeting mode", {"meeting-mode"}},
        {"Pause / resume", {"pause-music", "resume-music"}},
        {"Skip around", {"next-song", "previous-song"}},
        {"Undo the last setup", {"undo"}},
    };
    return map;
}

std::vector<CommandEntry> CommandsPaneModel::docEntries(const QString& title,
                                                        const std::vector<CommandEntry>& entries) {
    std::vector<CommandEntry> found;
    const auto& map = registryMap();
    const auto row =
        std::find_if(map.begin(), map.end(), [&](const auto& pair) { return pair.first == title; });
    if (row == map.end())
        return found;
    for (const QString& id : row->second) {
        const auto it =
            std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.id == id; });
        if (it != entries.end())
            found.push_back(*it);
    }
    return found;
}

QString CommandsPaneModel::familySymbol(CommandGroup group) {
    switch (group) {
    case CommandGroup::setups:
        return QStringLiteral("square.grid.2x2");
    case CommandGroup::windows:
        return QStringLiteral("macwindow.on.rectangle");
    case CommandGroup::apps:
        return QStringLiteral("app.badge");
    case CommandGroup::music:
        return QStringLiteral("music.note");
    case CommandGroup::system:
        return QStringLiteral("slider.horizontal.3");
    case CommandGroup::layouts:
        return QStringLiteral("rectangle.3.group");
    case CommandGroup::ask:
        return QStringLiteral("sparkles");
    }
    return {};
}

} // namespace brisklet
