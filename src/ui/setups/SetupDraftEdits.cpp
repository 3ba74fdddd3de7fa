#include "ui/setups/SetupDraftEdits.h"

#include "actions/BrowserScripting.h"
#include "base/Text.h"
#include "setups/SetupStore.h"
#include "setups/SetupSuggestions.h"
#include "ui/setups/PlacementPreset.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <algorithm>

namespace brisklet::SetupDraftEdits {

namespace {

// Blank characters as the fields trim them: line breaks stay.
bool isBlank(QChar c) {
    return c.isSpace() && c != QLatin1Char('\n') && c != QLatin1Char('\r');
}

QString trimmedBlanks(const QString& text) {
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && isBlank(text[start]))
        ++start;
    while (end > start && isBlank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

QString nameOf(const std::vector<IndexedApp>& apps, const QString& id) {
    for (const IndexedApp& app : apps) {
        if (app.bundleID == id)
            return app.name;
    }
    return id;
}

SetupItem newItem(SetupItemKind kind) {
    SetupItem item;
    item.id = QUuid::createUuid();
    item.kind = kind;
    return item;
}

} // namespace

QString fallbackBrowser() {
    return QStringLiteral("firefox-esr");
}

QString normalizedURL(const QString& text) {
    const QString trimmed = trimmedBlanks(text);
    if (trimmed.isEmpty() || trimmed.contains(QLatin1String("://")))
        return trimmed;
    if (trimmed.contains(QLatin1Char('.')))
        return QStringLiteral("https://") + trimmed;
    return trimmed;
}

QStringList phrasesFrom(const QString& text) {
    QStringList out;
    for (const QString& piece : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString trimmed = trimmedBlanks(piece);
        if (!trimmed.isEmpty())
            out << trimmed;
    }
    return out;
}

QString phrasesText(const QStringList& phrases) {
    return phrases.join(QStringLiteral(", "));
}

std::vector<Browser> installedBrowsers(const std::vector<IndexedApp>& apps) {
    std::vector<Browser> out;
    QSet<QString> seen;
    for (const IndexedApp& app : apps) {
        if (!app.bundleID || seen.contains(*app.bundleID))
            continue;
        const QString& id = *app.bundleID;
        if (!BrowserScripting::families().contains(id) &&
            !BrowserScripting::unscriptableBrowsers().contains(id))
            continue;
        seen.insert(id);
        out.push_back({id, app.name});
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const Browser& a, const Browser& b) { return a.name < b.name; });
    return out;
}

std::optional<SetupItem> appItem(const IndexedApp& app) {
    if (!app.bundleID)
        return std::nullopt;
    SetupItem item = newItem(SetupItemKind::app);
    item.bundleID = *app.bundleID;
    item.appName = app.name;
    item.frame = PlacementPreset::centered();
    return item;
}

std::optional<SetupItem> siteItem(const QString& text, const QString& browserID,
                                  const std::vector<Browser>& browsers) {
    const QString url = normalizedURL(text);
    if (!BrowserScripting::isAllowedURL(url))
        return std::nullopt;
    SetupItem item = newItem(SetupItemKind::url);
    item.bundleID = browserID;
    item.appName = QStringLiteral("Browser");
    for (const Browser& browser : browsers) {
        if (browser.bundleID == browserID) {
            item.appName = browser.name;
            break;
        }
    }
    item.url = url;
    item.frame = PlacementPreset::centered();
    return item;
}

const QStringList& projectTerminals() {
    static const QStringList ids{"org.wezfurlong.wezterm",
                                 "kitty",
                                 "Alacritty",
                                 "com.mitchellh.ghostty",
                                 "org.gnome.Console",
                                 "org.gnome.Terminal",
                                 "org.kde.konsole",
                                 "xfce4-terminal"};
    return ids;
}

const QStringList& projectEditors() {
    static const QStringList ids{
        "code",           "com.visualstudio.code", "codium",          "dev.zed.Zed", "sublime_text",
        "jetbrains-idea", "org.gnome.TextEditor",  "org.gnome.gedit", "org.kde.kate"};
    return ids;
}

std::vector<SetupItem> projectItems(const QString& folder, const QString& home,
                                    const std::vector<platform::RunningApp>& running,
                                    const std::vector<IndexedApp>& apps) {
    const QString clean = QDir::cleanPath(folder);
    QString path = clean;
    const QString cleanHome = QDir::cleanPath(home);
    if (!cleanHome.isEmpty() && cleanHome != QLatin1String("/") &&
        (clean == cleanHome || clean.startsWith(cleanHome + QLatin1Char('/'))))
        path = QLatin1Char('~') + clean.mid(cleanHome.size());
    const QString title = QFileInfo(clean).fileName();
    std::vector<SetupItem> out;
    for (const QStringList* list : {&projectTerminals(), &projectEditors()}) {
        const auto id = SetupSuggestions::preferredApp(*list, running, apps);
        // A running app without an entry can't be launched again later.
        if (!id ||
            std::none_of(apps.begin(), apps.end(), [&](const IndexedApp& a) { return a.bundleID == *id; }))
            continue;
        SetupItem item = newItem(SetupItemKind::app);
        item.bundleID = *id;
        item.appName = nameOf(apps, *id);
        item.title = title;
        item.projectPath = path;
        out.push_back(std::move(item));
    }
    return out;
}

QList<QUuid> refusedAddresses(const Setup& draft) {
    QList<QUuid> out;
    for (const SetupItem& item : draft.items) {
        if (item.kind == SetupItemKind::url &&
            !BrowserScripting::isAllowedURL(normalizedURL(item.url.value_or(QString()))))
            out << item.id;
    }
    return out;
}

Setup finished(Setup draft) {
    draft.name = trimmedBlanks(draft.name);
    for (SetupItem& item : draft.items) {
        if (item.kind == SetupItemKind::url && item.url)
            item.url = normalizedURL(*item.url);
    }
    return draft;
}

std::optional<QString> conflict(const Setup& draft, const QStringList& reserved,
                                const std::vector<Setup>& stored) {
    const QSet<QString> taken(reserved.begin(), reserved.end());
    const QStringList spoken = QStringList{draft.name} + draft.phrases;
    for (qsizetype i = 0; i < spoken.size(); ++i) {
        const QString& phrase = spoken[i];
        const QString normalized = Text::normalize(phrase);
        if (normalized.isEmpty())
            continue;
        // A command always wins over a setup, so such a setup could never be said.
        if (taken.contains(normalized))
            return Text::quoted(trimmedBlanks(phrase)) +
                   QStringLiteral(" already means a command — pick other words.");
        const bool isName = i == 0;
        for (const Setup& other : stored) {
            if (other.id == draft.id)
                continue;
            // The name of another setup is no refusal: saving gives this one a free
            // " copy" name instead.
            const bool clash = (!isName && SetupStore::saidAlike(other.name, phrase)) ||
                               std::any_of(other.phrases.begin(), other.phrases.end(), [&](const QString& p) {
                                   return SetupStore::saidAlike(p, phrase);
                               });
            if (clash)
                return Text::quoted(trimmedBlanks(phrase)) + QStringLiteral(" already runs the setup ") +
                       Text::quoted(other.name) + QStringLiteral(" — pick other words.");
        }
    }
    return std::nullopt;
}

std::optional<QString> freeName(Setup draft, const QStringList& reserved, const std::vector<Setup>& stored) {
    Setup phrasesOnly = draft;
    phrasesOnly.name.clear();
    if (conflict(phrasesOnly, reserved, stored))
        return std::nullopt;
    const QString wanted = draft.name;
    draft.name = SetupStore::nameForSave(draft, stored);
    if (!conflict(draft, reserved, stored))
        return draft.name;
    // Another setup's phrase or a command: a copy name free of all of them.
    std::vector<Setup> others = stored;
    std::erase_if(others, [&](const Setup& other) { return other.id == draft.id; });
    return SetupStore::copyName(wanted, SetupStore::spokenWords(others) + reserved);
}

bool canSave(const Setup& draft, const QStringList& reserved, const std::vector<Setup>& stored) {
    return !trimmedBlanks(draft.name).isEmpty() && !draft.items.empty() &&
           refusedAddresses(draft).isEmpty() && !conflict(draft, reserved, stored);
}

int displayChoices(int connected, const std::optional<SetupFrame>& frame) {
    const int index = frame ? clampedDisplay(frame->displayIndex, connected) : 0;
    return std::max(std::max(connected, 1), index + 1);
}

int clampedDisplay(int index, int connected) {
    const int last = std::max(connected, 8) - 1;
    return std::clamp(index, 0, last);
}

QString shortName(const QString& name) {
    constexpr qsizetype shortNameLength = 10;
    if (name.size() <= shortNameLength)
        return name;
    QString cut = name.left(shortNameLength - 1);
    // Never half of a character drawn from two.
    if (cut.back().isHighSurrogate())
        cut.chop(1);
    return trimmedBlanks(cut) + QStringLiteral("…");
}

QString unsavedText(const QString& name) {
    return QStringLiteral("Couldn't save “%1” — the setups file can't be written").arg(shortName(name));
}

QString undeletedText(const QString& name) {
    return QStringLiteral("Couldn't delete “%1” — the setups file can't be written").arg(shortName(name));
}

} // namespace brisklet::SetupDraftEdits
