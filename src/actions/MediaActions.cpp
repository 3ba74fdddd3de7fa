#include "actions/MediaActions.h"

#include "base/Log.h"
#include "base/Text.h"

#include <QDir>
#include <QDirIterator>
#include <QStandardPaths>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace brisklet {

namespace {
// The desktop's own music players, in order of preference: (entry, MPRIS bus name).
const std::vector<std::pair<QString, QString>> musicPlayerTable = {
    {QStringLiteral("org.gnome.Rhythmbox3"), QStringLiteral("org.mpris.MediaPlayer2.rhythmbox")},
    {QStringLiteral("org.kde.elisa"), QStringLiteral("org.mpris.MediaPlayer2.elisa")},
    {QStringLiteral("org.gnome.Lollypop"), QStringLiteral("org.mpris.MediaPlayer2.Lollypop")},
    {QStringLiteral("org.gnome.Music"), QStringLiteral("org.mpris.MediaPlayer2.GnomeMusic")},
    {QStringLiteral("audacious"), QStringLiteral("org.mpris.MediaPlayer2.audacious")},
    {QStringLiteral("vlc"), QStringLiteral("org.mpris.MediaPlayer2.vlc")},
};
const QStringList spotifyIDs = {QStringLiteral("spotify"), QStringLiteral("com.spotify.Client"),
                                QStringLiteral("spotify_spotify")};
const QStringList audioSuffixes = {QStringLiteral("mp3"), QStringLiteral("flac"), QStringLiteral("ogg"),
                                   QStringLiteral("oga"), QStringLiteral("opus"), QStringLiteral("m4a"),
                                   QStringLiteral("wav")};

void walkFiles(const QString& folder, const MediaActions::Visit& visit) {
    // Even asking whether the folder is there can hang on a mount that went away.
    if (!QDir(folder).exists())
        return;
    QDirIterator it(folder, QDir::Files | QDir::Readable, QDirIterator::Subdirectories);
    while (it.hasNext())
        if (!visit(it.next()))
            return;
}

// What a folder walk found so far; shared with the walking thread, which may
// outlive the command when the file system hangs.
struct FolderSearch {
    std::mutex mutex;
    std::condition_variable cv;
    QStringList hits;
    bool finished = false;
    std::atomic<bool> abandoned = false; // read on every entry, without the lock
};

QString trimBlanks(QString text) {
    while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
        text.remove(0, 1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
    return text;
}
} // namespace

MediaActions::MediaActions(platform::MediaPlayers& players, platform::InstalledApps& installed, Launch launch,
                           QString musicFolder, Clock& clock, FolderWalk walk)
    : players_(players), installed_(installed), launch_(std::move(launch)),
      musicFolder_(std::move(musicFolder)), clock_(clock),
      walk_(walk ? std::move(walk) : FolderWalk(walkFiles)) {}

QStringList MediaActions::localPlayerIDs() {
    QStringList ids;
    for (const auto& [id, bus] : musicPlayerTable)
        ids << id;
    return ids;
}

bool MediaActions::knowsPlayer(const QString& hint) const {
    return playerNamed(hint).has_value();
}

std::vector<MediaActions::Player> MediaActions::players() {
    Player spotify{Which::spotify,
                   QStringLiteral("Spotify"),
                   spotifyIDs,
                   {QStringLiteral("org.mpris.MediaPlayer2.spotify")}};
    Player music{Which::music, QStringLiteral("Music"), {}, {}};
    const auto entries = installed_.installedApps();
    for (const auto& [id, bus] : musicPlayerTable) {
        const auto found = std::find_if(entries.begin(), entries.end(),
                                        [&](const platform::AppEntry& e) { return e.id == id; });
        if (found != entries.end()) {
            music.name = found->name.isEmpty() ? id : found->name;
            music.desktopIDs = {id};
            music.busNames = {bus};
            break;
        }
    }
    return {spotify, music};
}

std::optional<QString> MediaActions::installedID(const Player& player) {
    const auto entries = installed_.installedApps();
    for (const QString& id : player.desktopIDs) {
        if (std::any_of(entries.begin(), entries.end(),
                        [&](const platform::AppEntry& e) { return e.id == id; }))
            return id;
    }
    return std::nullopt;
}

int MediaActions::budgetMs(double deadline, double cap) const {
    const double left = std::min(deadline - clock_.now(), cap);
    return left <= 0 ? 0 : static_cast<int>(left * 1000.0);
}

std::vector<MediaActions::Running> MediaActions::running(const std::vector<Player>& known, double deadline) {
    std::vector<Running> result;
    for (const Player& p : known) {
        if (p.desktopIDs.isEmpty() && p.busNames.isEmpty())
            continue;
        if (auto bus = players_.findRunning(p.desktopIDs, p.busNames, budgetMs(deadline, readLimit)))
            result.push_back({p, *bus});
    }
    return result;
}

bool MediaActions::isPlaying(const QString& bus, double deadline) {
    return players_.playbackStatus(bus, budgetMs(deadline, readLimit)) == QStringLiteral("Playing");
}

std::optional<MediaActions::Running> MediaActions::currentPlayer(const std::vector<Player>& known,
                                                                 double deadline) {
    const auto candidates = running(known, deadline);
    if (candidates.empty())
        return std::nullopt;
    // A silent player is passed over while another one answers; when none does, the
    // first is asked anyway, and its silence is what the command reports.
    std::optional<Running> answered;
    for (const Running& r : candidates) {
        const auto status = players_.playbackStatus(r.bus, budgetMs(deadline, readLimit));
        if (status == QStringLiteral("Playing"))
            return r;
        if (status && !answered)
            answered = r;
    }
    return answered ? *answered : candidates.front();
}

MediaActions::Result MediaActions::control(MediaOp op) {
    players_.beginCommand();
    return control(op, clock_.now() + commandLimit);
}

MediaActions::Result MediaActions::control(MediaOp op, double deadline) {
    const auto current = currentPlayer(players(), deadline);
    if (!current)
        return {false, QStringLiteral("Nothing is playing — try “play … on Spotify”")};
    static const char* methods[] = {"Play", "Pause", "PlayPause", "Next", "Previous"};
    const QString method = QLatin1String(methods[static_cast<int>(op)]);
    const QString& name = current->player.name;
    const platform::ScriptOutcome outcome = players_.command(current->bus, method, budgetMs(deadline));
    if (outcome.isDenied())
        return {false, QStringLiteral("The desktop blocked control of ") + name +
                           QStringLiteral(" — allow Brisklet on the session bus")};
    if (!outcome.isOk())
        return {false, name + QStringLiteral(" didn't respond")};
    QString message;
    switch (op) {
    case MediaOp::play:
        message = QStringLiteral("Playing");
        break;
    case MediaOp::pause:
        message = QStringLiteral("Paused");
        break;
    case MediaOp::playPause:
        message = isPlaying(current->bus, deadline) ? QStringLiteral("Playing") : QStringLiteral("Paused");
        break;
    case MediaOp::next:
        message = QStringLiteral("Next track");
        break;
    case MediaOp::previous:
        message = QStringLiteral("Previous track");
        break;
    }
    return {true, message + QStringLiteral(" — ") + name};
}

QString MediaActions::encodeQuery(const QString& query) {
    return QString::fromLatin1(QUrl::toPercentEncoding(query, {}, "-._~"));
}

MediaActions::Result MediaActions::play(const QString& query, const std::optional<QString>& appHint) {
    players_.beginCommand();
    const double deadline = clock_.now() + commandLimit;
    const auto known = players();
    std::optional<Player> chosen;
    if (const auto which = appHint ? playerNamed(*appHint) : std::nullopt)
        chosen = known[*which == Which::spotify ? 0 : 1];
    if (!chosen) {
        if (const auto current = currentPlayer(known, deadline))
            chosen = current->player;
    }
    if (!chosen)
        chosen = installedID(known[0]) ? known[0] : known[1];
    if (!installedID(*chosen))
        return {false, chosen->name + QStringLiteral(" isn't installed")};
    const QString trimmed = trimBlanks(query);
    if (trimmed.isEmpty())
        return control(MediaOp::play, deadline);
    if (chosen->which == Which::music)
        return playFromMusicFolder(*chosen, trimmed);
    return openSpotifySearch(*chosen, trimmed, deadline);
}

MediaActions::Result MediaActions::openSpotifySearch(const Player& player, const QString& query,
                                                     double deadline) {
    const auto id = installedID(player);
    const QString url = QStringLiteral("spotify:search:") + encodeQuery(query);
    // Spotify takes searches on its command line, not through OpenUri.
    if (!id || !launch_ || !launch_(*id, {url}))
        return {false, QStringLiteral("Couldn't open ") + player.name};
    if (const auto bus =
            players_.findRunning(player.desktopIDs, player.busNames, budgetMs(deadline, readLimit)))
        players_.raise(*bus, budgetMs(deadline));
    return {true, QStringLiteral("Searching Spotify for ") + Text::quoted(query) +
                      QStringLiteral(" — pick a result")};
}

QStringList MediaActions::searchMusicFolder(const QString& folder, const QString& query) {
    // Artist/Album/Track folders stand in for the tags: the relative path is matched.
    if (folder.isEmpty())
        return {};
    // A huge or slow folder must not hold up the commands queued behind this one.
    const double deadline = clock_.now() + musicSearchLimit;
    auto search = std::make_shared<FolderSearch>();
    std::thread([search, walk = walk_, folder, query] {
        const QDir root(folder);
        walk(folder, [&](const QString& path) {
            // Once the command has given up, the walk stops at the next entry, whatever it is.
            if (search->abandoned)
                return false;
            if (!audioSuffixes.contains(QFileInfo(path).suffix(), Qt::CaseInsensitive))
                return true;
            const QString relative = root.relativeFilePath(path);
            if (relative.contains(query, Qt::CaseInsensitive)) {
                std::lock_guard lock(search->mutex);
                search->hits << relative;
            }
            return true;
        });
        std::lock_guard lock(search->mutex);
        search->finished = true;
        search->cv.notify_all();
    }).detach();

    std::unique_lock lock(search->mutex);
    while (!search->finished && clock_.now() < deadline)
        search->cv.wait_for(lock, std::chrono::milliseconds(20));
    QStringList hits = search->hits;
    if (!search->finished) {
        search->abandoned = true;
        qCInfo(lcApp).noquote() << "stopped searching" << folder << "after" << musicSearchLimit << "s with"
                                << hits.size() << "matches";
    }
    hits.sort();
    return hits;
}

MediaActions::Result MediaActions::playFromMusicFolder(const Player& player, const QString& query) {
    const QString folder = musicFolder_.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::MusicLocation)
                               : musicFolder_;
    const QStringList hits = searchMusicFolder(folder, query);
    // The folder has a limit of its own: the players' time starts after it.
    const double deadline = clock_.now() + commandLimit;
    const auto bus = players_.findRunning(player.desktopIDs, player.busNames, budgetMs(deadline, readLimit));
    if (hits.isEmpty()) {
        if (bus)
            players_.raise(*bus, budgetMs(deadline));
        return {false,
                QStringLiteral("No match for ") + Text::quoted(query) + QStringLiteral(" in ") + player.name};
    }
    const QString relative = hits.first();
    const QString path = QDir(folder).filePath(relative);
    bool started = false;
    if (bus) {
        started = players_.openUri(*bus, QUrl::fromLocalFile(path).toString(), budgetMs(deadline)).isOk();
    } else if (const auto id = installedID(player); id && launch_) {
        started = launch_(*id, {path});
    }
    if (!started)
        return {false, player.name + QStringLiteral(" didn't respond")};
    const QFileInfo info(path);
    QString text = info.completeBaseName();
    const int slash = relative.indexOf(QLatin1Char('/'));
    if (slash > 0)
        text += QStringLiteral(" — ") + relative.left(slash);
    qCInfo(lcApp).noquote() << "playing" << relative << "in" << player.name;
    return {true, QStringLiteral("Playing ") + text};
}

} // namespace brisklet
