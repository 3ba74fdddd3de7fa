#include "magic/MagicRoles.h"

#include <vector>

namespace brisklet::MagicRoles {

namespace {

struct Role {
    QStringList words;
    QStringList ids;
};

const std::vector<Role>& table() {
    static const std::vector<Role> roles{
        {{"editor", "code editor", "ide"},
         {"code", "com.visualstudio.code", "codium", "dev.zed.Zed", "sublime_text", "jetbrains-idea",
          "org.gnome.TextEditor", "org.gnome.gedit", "org.kde.kate"}},
        {{"terminal", "shell", "console"},
         {"org.wezfurlong.wezterm", "kitty", "Alacritty", "com.mitchellh.ghostty", "org.gnome.Console",
          "org.gnome.Terminal", "org.kde.konsole", "xfce4-terminal"}},
        {{"notes", "notebook", "note-taking"},
         {"md.obsidian.Obsidian", "obsidian", "net.cozic.joplin_desktop", "org.gnome.Notes"}},
        {{"meeting notes", "granola"},
         {"md.obsidian.Obsidian", "obsidian", "net.cozic.joplin_desktop", "org.gnome.Notes"}},
        {{"writing", "writer", "word processor", "document", "docs"},
         {"libreoffice-writer", "org.libreoffice.LibreOffice.writer", "abiword", "md.obsidian.Obsidian",
          "org.gnome.Notes"}},
        {{"call", "video call", "meeting", "meetings", "conferencing"},
         {"Zoom", "us.zoom.Zoom", "teams-for-linux", "com.github.IsmaelMartinez.teams_for_linux"}},
        {{"design", "canvas", "design tool"},
         {"figma-linux", "org.inkscape.Inkscape", "org.kde.krita", "gimp", "org.gimp.GIMP"}},
        {{"mail", "email", "inbox"},
         {"thunderbird", "org.mozilla.Thunderbird", "org.gnome.Evolution", "org.gnome.Geary"}},
        {{"chat", "messages", "messaging", "team chat"},
         {"slack", "com.slack.Slack", "discord", "com.discordapp.Discord", "org.telegram.desktop",
          "signal-desktop", "teams-for-linux"}},
        {{"music", "music player", "player"},
         {"spotify", "com.spotify.Client", "org.gnome.Rhythmbox3", "rhythmbox", "org.kde.elisa",
          "org.gnome.Lollypop"}},
        {{"calendar", "schedule"}, {"org.gnome.Calendar", "org.kde.korganizer"}},
        {{"browser", "web browser", "web"}, {}},
    };
    return roles;
}

} // namespace

std::optional<QStringList> candidates(const QString& role) {
    const QString word = role.toLower();
    for (const Role& entry : table()) {
        if (entry.words.contains(word))
            return entry.ids;
    }
    return std::nullopt;
}

} // namespace brisklet::MagicRoles
