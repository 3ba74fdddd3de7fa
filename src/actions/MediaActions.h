#pragma once

#include "base/Clock.h"
#include "commands/Action.h"
#include "commands/PlayerNames.h"
#include "platform/Apps.h"
#include "platform/MediaPlayers.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

namespace brisklet {

// Control of the two music players Brisklet knows (Spotify and the desktop's own
// music player) and playing music from a spoken query. Every call but knowsPlayer
// blocks for a few seconds at most (the players on the bus share one deadline per
// command); they run on the executor's queue. The matcher asks knowsPlayer from any
// thread.
class MediaActions final : public PlayerNames {
public:
    struct Player {
        Which which = Which::spotify;
        QString name;           // used in messages
        QStringList desktopIDs; // the entries it may be installed as
        QStringList busNames;   // well-known bus names, when it doesn't say its entry
        bool operator==(const Player&) const = default;
    };
    struct Result {
        bool ok = false;
        QString message;
        bool operator==(const Result&) const = default;
    };
    // Starts an installed entry, handing it URLs (or files); true when it started.
    using Launch = std::function<bool(const QString& desktopID, const QStringList& urls)>;

    // Hands every file under a folder to `visit`, until it returns false; nothing
    // when the folder is not there. It may block for as long as the file system does,
    // the check for the folder included.
    using Visit = std::function<bool(const QString& path)>;
    using FolderWalk = std::function<void(const QString& folder, const Visit& visit)>;

    // `musicFolder` empty: the user's Music folder. `walk` empty: the files on disk.
    MediaActions(platform::MediaPlayers& players, platform::InstalledApps& installed, Launch launch,
                 QString musicFolder = {}, Clock& clock = Clock::system(), FolderWalk walk = {});

    Result control(MediaOp op);
    Result play(const QString& query, const std::optional<QString>& appHint);

    // Whether a hint word names one of the players play() chooses from.
    bool knowsPlayer(const QString& hint) const override;
    // The players in order of preference, with the music player's slot filled by the
    // first one installed.
    std::vector<Player> players();
    // Only ASCII letters and digits stay as they are; everything else is
    // percent-encoded as UTF-8.
    static QString encodeQuery(const QString& query);
    // The desktop's own music players that can stand in for "Music", in order of
    // preference.
    static QStringList localPlayerIDs();

    // How long the music folder is searched before what was found is used.
    static constexpr double musicSearchLimit = 8.0;
    // How long the players on the bus may take over one command, all calls together,
    // and over one state read among them.
    static constexpr double commandLimit = 4.0;
    static constexpr double readLimit = 1.5;

private:
    struct Running {
        Player player;
        QString bus;
    };
    // Bus calls take the time left before `deadline` (clock seconds); a state read
    // takes at most readLimit of it, so one silent player leaves time for the rest.
    int budgetMs(double deadline, double cap = commandLimit) const;
    Result control(MediaOp op, double deadline);
    std::vector<Running> running(const std::vector<Player>& known, double deadline);
    std::optional<Running> currentPlayer(const std::vector<Player>& known, double deadline);
    bool isPlaying(const QString& bus, double deadline);
    std::optional<QString> installedID(const Player& player);
    Result playFromMusicFolder(const Player& player, const QString& query);
    // The matching audio files' paths relative to `folder`, sorted; those found
    // within the time limit. The walk runs on a thread of its own, so a file system
    // that stops answering holds up neither this command nor those behind it.
    QStringList searchMusicFolder(const QString& folder, const QString& query);
    Result openSpotifySearch(const Player& player, const QString& query, double deadline);

    platform::MediaPlayers& players_;
    platform::InstalledApps& installed_;
    Launch launch_;
    QString musicFolder_;
    Clock& clock_;
    FolderWalk walk_;
};

} // namespace brisklet
