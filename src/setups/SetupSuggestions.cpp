#include "setups/SetupSuggestions.h"

#include "actions/MediaActions.h"
#include "platform/BrowserLauncher.h"

#include <QHash>
#include <algorithm>

namespace brisklet::SetupSuggestions {

namespace {

struct Slot {
    QStringList candidates; // desktop IDs, best first
    SetupFrame frame;
    bool browserSlot = false; // takes the default browser instead
};

struct Template {
    QString name;
    QString blurb;
    std::vector<Slot> places;
    SetupSystemState system;
    bool wantsMusic = false;
};

const QStringList editors = {
    "code",           "com.visualstudio.code", "codium",          "dev.zed.Zed", "sublime_text",
    "jetbrains-idea", "org.gnome.TextEditor",  "org.gnome.gedit", "org.kde.kate"};
const QStringList calls = {"Zoom", "us.zoom.Zoom", "teams-for-linux",
                           "com.github.IsmaelMartinez.teams_for_linux"};
const QStringList notes = {"md.obsidian.Obsidian", "obsidian", "net.cozic.joplin_desktop", "org.gnome.Notes"};
const QStringList writing = {"libreoffice-writer", "org.libreoffice.LibreOffice.writer", "abiword",
                             "md.obsidian.Obsidian", "org.gnome.Notes"};
const QStringList design = {"figma-linux", "org.inkscape.Inkscape", "org.kde.krita", "gimp", "org.gimp.GIMP"};
const QStringList mail = {"thunderbird", "org.mozilla.Thunderbird", "org.gnome.Evolution", "org.gnome.Geary"};
const QStringList chat = {
    "slack",          "com.slack.Slack", "discord", "com.discordapp.Discord", "org.telegram.desktop",
    "signal-desktop", "teams-for-linux"};

const std::vector<Template>& templates() {
    static const std::vector<Template> all = {
        {"Deep Work",
         "Your editor big on the left, reference beside it.",
         {{editors, {0, 0, 0.66, 1, 0}}, {{}, {0.66, 0, 0.34, 1, 0}, true}},
         {},
         false},
        {"Meeting",
         "Call on one side, notes on the other.",
         {{calls, {0, 0, 0.5, 1, 0}}, {notes, {0.5, 0, 0.5, 1, 0}}},
         {},
         false},
        {"Writing",
         "One full-screen page, something playing quietly.",
         {{writing, {0, 0, 1, 1, 0}}},
         {},
         true},
        {"Design",
         "Canvas front and center, references at hand.",
         {{design, {0, 0, 0.66, 1, 0}}, {{}, {0.66, 0, 0.34, 1, 0}, true}},
         {},
         false},
        {"Catch-up",
         "Mail and chat side by side \u2014 clear them, then end it.",
         {{mail, {0, 0, 0.5, 1, 0}}, {chat, {0.5, 0, 0.5, 1, 0}}},
         {},
         false},
    };
    return all;
}

// Spotify first, then the desktop's own player.
QStringList musicPlayers() {
    return QStringList{"spotify", "com.spotify.Client"} + MediaActions::localPlayerIDs();
}

constexpr size_t maxSuggestions = 3;

} // namespace

std::vector<SetupSuggestion> forInstalled(const std::vector<IndexedApp>& apps, const Desktop& desktop,
                                          Clock& clock) {
    QHash<QString, const IndexedApp*> byID;
    for (const IndexedApp& app : apps) {
        if (app.bundleID && !app.bundleID->isEmpty() && !byID.contains(*app.bundleID))
            byID.insert(*app.bundleID, &app);
    }
    std::optional<IndexedApp> browser;
    if (desktop.defaultBrowser && !desktop.defaultBrowser->id.isEmpty()) {
        const platform::AppEntry& entry = *desktop.defaultBrowser;
        if (const IndexedApp* indexed = byID.value(entry.id))
            browser = *indexed;
        else
            browser = IndexedApp{entry.name, {}, entry.path, entry.id, {}, {}, {}};
    }

    std::vector<SetupSuggestion> out;
    for (const Template& t : templates()) {
        std::vector<SetupItem> items;
        for (const Slot& slot : t.places) {
            std::optional<IndexedApp> app;
            if (slot.browserSlot) {
                app = browser;
            } else {
                const auto found = std::find_if(slot.candidates.begin(), slot.candidates.end(),
                                                [&](const QString& id) { return byID.contains(id); });
                if (found != slot.candidates.end())
                    app = *byID.value(*found);
            }
            if (!app || !app->bundleID || app->bundleID->isEmpty())
                break;
            items.push_back({QUuid::createUuid(),
                             SetupItemKind::app,
                             *app->bundleID,
                             app->name,
                             std::nullopt,
                             {},
                             slot.frame,
                             std::nullopt});
        }
        if (items.size() != t.places.size())
            continue;

        SetupSystemState system = t.system;
        if (t.wantsMusic) {
            const QStringList players = musicPlayers();
            const auto player = std::find_if(players.begin(), players.end(),
                                             [&](const QString& id) { return byID.contains(id); });
            if (player != players.end()) {
                system.music = SetupSystemState::Music::play;
                system.musicPlayer = *player;
            }
        }
        Setup draft;
        draft.id = QUuid::createUuid();
        draft.name = t.name;
        draft.items = std::move(items);
        draft.system = std::move(system);
        draft.fingerprint = desktop.fingerprint;
        draft.createdAt = SetupJson::wholeSeconds(clock.wallNow());
        draft.updatedAt = SetupJson::wholeSeconds(clock.wallNow());
        out.push_back({t.name, t.blurb, std::move(draft)});
        if (out.size() == maxSuggestions)
            break;
    }
    return out;
}

std::optional<QString> preferredApp(const QStringList& candidates,
                                    const std::vector<platform::RunningApp>& running,
                                    const std::vector<IndexedApp>& installed) {
    for (const QString& id : candidates) {
        if (std::any_of(running.begin(), running.end(),
                        [&](const platform::RunningApp& r) { return r.id == id; }))
            return id;
    }
    for (const QString& id : candidates) {
        if (std::any_of(installed.begin(), installed.end(),
                        [&](const IndexedApp& app) { return app.bundleID && *app.bundleID == id; }))
            return id;
    }
    return std::nullopt;
}

std::optional<platform::AppEntry> findDefaultBrowser(platform::BrowserLauncher& launcher,
                                                     platform::InstalledApps& installed) {
    const std::optional<QString> id = launcher.defaultBrowser();
    if (!id || id->isEmpty())
        return std::nullopt;
    for (const platform::AppEntry& entry : installed.installedApps()) {
        if (entry.id == *id)
            return entry;
    }
    return platform::AppEntry{*id, *id, {}};
}

} // namespace brisklet::SetupSuggestions
