#include "commands/CommandCatalog.h"

namespace brisklet {

QString rawValue(CommandGroup group) {
    switch (group) {
    case CommandGroup::setups:
        return QStringLiteral("Setups");
    case CommandGroup::windows:
        return QStringLiteral("Windows");
    case CommandGroup::apps:
        return QStringLiteral("Apps");
    case CommandGroup::music:
        return QStringLiteral("Music");
    case CommandGroup::system:
        return QStringLiteral("System");
    case CommandGroup::layouts:
        return QStringLiteral("Layouts");
    case CommandGroup::ask:
        return QStringLiteral("Ask");
    }
    return {};
}

const std::vector<CommandGroup>& allCommandGroups() {
    static const std::vector<CommandGroup> groups = {
        CommandGroup::setups, CommandGroup::windows, CommandGroup::apps, CommandGroup::music,
        CommandGroup::system, CommandGroup::layouts, CommandGroup::ask};
    return groups;
}

std::optional<CommandGroup> commandGroupFromRaw(const QString& raw) {
    for (CommandGroup g : allCommandGroups()) {
        if (rawValue(g) == raw)
            return g;
    }
    return std::nullopt;
}

namespace CommandCatalog {

const std::vector<CommandDoc>& all() {
    using G = CommandGroup;
    static const std::vector<CommandDoc> rows = {
        {G::setups,
         "Run a setup",
         "Say a setup's name and your whole working world comes back — apps, sites, positions, sound. Manage "
         "them in the Setups tab.",
         {"work", "work setup", "setup work"}},
        {G::setups,
         "Capture a setup",
         "Saves what's on screen right now as a setup — you review everything (including page addresses) "
         "before it's saved.",
         {"save this as my work setup", "capture setup", "new setup called gym"}},
        {G::setups,
         "End a setup",
         "Quits the setup's apps; browser windows only lose the tabs the setup opened.",
         {"end work", "close work setup"}},
        {G::setups,
         "Undo the last setup",
         "Puts things back the way they were: windows return to where they sat, apps that were closed "
         "reopen, "
         "and windows the setup opened close. After “end”, it brings the setup back.",
         {"undo", "put it back"}},
        {G::windows,
         "Sort / organize into a grid",
         "Tiles every window into a clean grid — each display in its own space, built around apps that won't "
         "shrink. Add a number to tile just that many on the active display.",
         {"sort", "organize", "split into three", "tile 4"}},
        {G::windows,
         "Sort every display",
         "Same as “sort” — tiles each display independently. Windows never cross displays.",
         {"sort all", "arrange everything"}},
        {G::windows,
         "Left / right half",
         "Snaps the focused window to half the screen.",
         {"left half", "right half", "snap left"}},
        {G::windows,
         "Maximize / fullscreen",
         "Fills the screen with the focused window — or name an app to focus and maximize it.",
         {"maximize", "make Spotify fullscreen", "fullscreen Firefox"}},
        {G::windows, "Center", "Centers the focused window without resizing it.", {"center", "centre"}},
        {G::windows,
         "Hide others",
         "Hides every app except the one in front.",
         {"hide others", "focus mode"}},
        {G::windows,
         "Next display",
         "Moves the focused window to the next screen, keeping its size ratio.",
         {"next display", "next screen"}},
        {G::apps,
         "Open an app",
         "Launches an app by name — fuzzy, so “teams” finds Microsoft Teams.",
         {"open Firefox", "launch Spotify", "start Notes"}},
        {G::apps, "Quit an app", "Quits a running app.", {"quit Firefox", "close Notes"}},
        {G::apps,
         "Switch to an app",
         "Brings an app to the front (opens it if it isn't running).",
         {"switch to Files", "focus Terminal"}},
        {G::music,
         "Play something",
         "Names a song, artist, or album. Your music player plays a library match outright; Spotify lands on "
         "its search results — one click from playing, never a wrong track.",
         {"play Zuvelo on Spotify", "play jazz", "play Blonde"}},
        {G::music,
         "Pause / resume",
         "Controls whichever player is going — Spotify or your music player.",
         {"pause", "resume", "keep playing"}},
        {G::music,
         "Skip around",
         "Next or previous track on the current player.",
         {"next song", "skip", "previous song"}},
        {G::system,
         "Volume",
         "Steps the volume up or down, or sets an exact level.",
         {"volume up", "volume down", "volume 40"}},
        {G::system, "Mute / unmute", "Toggles system output mute.", {"mute", "unmute", "sound on"}},
        {G::system, "Screenshot", "Captures the screen to your Desktop.", {"screenshot", "capture screen"}},
        {G::system, "Lock screen", "Locks the computer immediately.", {"lock screen", "lock my computer"}},
        {G::system,
         "Do Not Disturb",
         "Runs a Shortcut named “Brisklet DND” to toggle Do Not Disturb (see README to create it).",
         {"do not disturb", "dnd"}},
        {G::system,
         "Meeting mode",
         "One phrase before a call: opens Teams if you have it, toggles DND (via the “Brisklet DND” "
         "Shortcut), "
         "and applies a layout named “meeting”.",
         {"meeting mode", "meeting"}},
        {G::layouts,
         "Save a layout",
         "Snapshots where all your windows are so you can restore them later.",
         {"save layout as coding", "save layout meeting"}},
        {G::layouts,
         "Apply a layout",
         "Restores a saved layout, launching any missing apps.",
         {"layout coding", "layout meeting"}},
        {G::ask,
         "Anything else (Ask)",
         "Anything not listed here goes to Ask, which turns your phrase into the same safe actions above. "
         "Only "
         "that one phrase is ever sent — everyday commands never touch the network.",
         {"put Firefox on the left and Files on the right", "make Spotify fullscreen and mute"}},
    };
    return rows;
}

std::vector<std::pair<CommandGroup, std::vector<CommandDoc>>> grouped(const QString& query) {
    const QString needle = query.toLower();
    std::vector<std::pair<CommandGroup, std::vector<CommandDoc>>> out;
    for (CommandGroup group : allCommandGroups()) {
        std::vector<CommandDoc> rows;
        for (const CommandDoc& doc : all()) {
            if (doc.group != group)
                continue;
            const QString text = (doc.title + QLatin1Char(' ') + doc.detail + QLatin1Char(' ') +
                                  doc.examples.join(QLatin1Char(' ')))
                                     .toLower();
            if (query.isEmpty() || text.contains(needle))
                rows.push_back(doc);
        }
        if (!rows.empty())
            out.emplace_back(group, std::move(rows));
    }
    return out;
}

} // namespace CommandCatalog

} // namespace brisklet
