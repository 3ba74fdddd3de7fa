#include "commands/CommandRegistry.h"

#include "base/JsonFile.h"
#include "base/Log.h"
#include "base/Paths.h"
#include "base/Termination.h"
#include "base/Text.h"

#include <QJsonArray>
#include <QPointer>

namespace brisklet {

namespace {

CommandEntry builtIn(const char* id, QStringList phrases, const char* action) {
    return CommandEntry{QString::fromUtf8(id), std::move(phrases), QString::fromUtf8(action), {}, true};
}

} // namespace

const QString CommandRegistry::corruptBackupName = QStringLiteral("commands-corrupt-backup.json");

CommandRegistry::CommandRegistry(QString path, QObject* parent) : QObject(parent), path_(std::move(path)) {}

QString CommandRegistry::path() const {
    return path_.isEmpty() ? Paths::commandsJSON() : path_;
}

const std::vector<CommandEntry>& CommandRegistry::defaults() {
    static const std::vector<CommandEntry> table = {
        builtIn("sort", {"sort", "sort windows"}, "sort"),
        builtIn("sort-all", {"sort all", "sort everything"}, "sortAll"),
        builtIn("left-half", {"left half", "snap left"}, "leftHalf"),
        builtIn("right-half", {"right half", "snap right"}, "rightHalf"),
        builtIn("maximize", {"maximize", "fill screen", "full screen"}, "maximize"),
        builtIn("center", {"center", "centre"}, "center"),
        builtIn("hide-others", {"hide others", "focus mode"}, "hideOthers"),
        builtIn("next-display", {"next display", "next screen"}, "nextDisplay"),
        builtIn("volume-up", {"volume up", "louder"}, "volumeUp"),
        builtIn("volume-down", {"volume down", "quieter"}, "volumeDown"),
        builtIn("mute", {"mute"}, "mute"),
        builtIn("unmute", {"unmute", "sound on"}, "unmute"),
        builtIn("screenshot", {"screenshot", "screen shot", "capture screen"}, "screenshot"),
        builtIn("lock-screen", {"lock screen", "lock my computer"}, "lockScreen"),
        builtIn("dnd", {"do not disturb", "dnd"}, "dnd"),
        builtIn("meeting-mode", {"meeting mode", "meeting"}, "meetingMode"),
        builtIn("undo", {"undo", "undo that", "put it back", "put everything back"}, "undoSetup"),
        builtIn("pause-music", {"pause", "pause music", "pause the music"}, "mediaPause"),
        builtIn("resume-music", {"resume", "keep playing", "resume music"}, "mediaPlay"),
        builtIn("next-song", {"next song", "skip", "next track", "skip song"}, "mediaNext"),
        builtIn("previous-song", {"previous song", "last song", "previous track"}, "mediaPrevious"),
    };
    return table;
}

void CommandRegistry::setEntries(std::vector<CommandEntry> entries) {
    entries_ = std::move(entries);
    changed();
}

void CommandRegistry::changed() {
    dirty_ = true;
    emit entriesChanged();
}

std::vector<CommandEntry> CommandRegistry::enabledEntries() const {
    std::vector<CommandEntry> out;
    for (const CommandEntry& e : entries_) {
        if (e.enabled)
            out.push_back(e);
    }
    return out;
}

void CommandRegistry::load() {
    const QString file = path();
    const JsonFile::ReadResult read = file_.read(file);
    std::optional<std::vector<CommandEntry>> stored;

    switch (read.status) {
    case JsonFile::ReadStatus::missing:
        break;
    case JsonFile::ReadStatus::unreadable:
        // It may still hold the user's commands: leave it alone, use the built-ins in memory.
        qCCritical(lcApp, "commands.json cannot be read (%s); using the built-in commands without saving",
                   qUtf8Printable(read.error));
        break;
    case JsonFile::ReadStatus::undecodable:
        break;
    case JsonFile::ReadStatus::ok:
        stored = decode(read.document);
        if (!stored)
            file_.markUndecodable();
        break;
    }
    if (read.status == JsonFile::ReadStatus::undecodable ||
        (read.status == JsonFile::ReadStatus::ok && !stored))
        // Where the bad file went is said by the save, once the copy has worked.
        qCWarning(lcApp, "commands.json could not be decoded; using the built-in commands");

    if (stored && !stored->empty()) {
        std::vector<CommandEntry> merged = *stored;
        for (const CommandEntry& builtin : defaults()) {
            const bool present = std::any_of(stored->begin(), stored->end(),
                                             [&](const CommandEntry& e) { return e.id == builtin.id; });
            if (!present)
                merged.push_back(builtin);
        }
        const bool grew = merged.size() > stored->size();
        setEntries(std::move(merged));
        // The built-ins it lacks come back at every start: no change of this session.
        stored_ = document();
        if (grew)
            save();
        return;
    }

    setEntries(defaults());
    stored_ = document();
    if (read.status != JsonFile::ReadStatus::unreadable)
        save();
}

std::optional<std::vector<CommandEntry>> CommandRegistry::decode(const QJsonDocument& document) {
    if (!document.isArray())
        return std::nullopt;
    std::vector<CommandEntry> list;
    for (const QJsonValue& v : document.array()) {
        std::optional<CommandEntry> entry = CommandEntry::fromJson(v);
        if (!entry)
            return std::nullopt; // one bad entry discards the whole file
        list.push_back(std::move(*entry));
    }
    return list;
}

QJsonDocument CommandRegistry::document() const {
    QJsonArray array;
    for (const CommandEntry& e : entries_)
        array.append(e.toJson());
    return QJsonDocument(array);
}

JsonFile::WriteResult CommandRegistry::write() {
    QJsonDocument written = document();
    const JsonFile::WriteResult result = file_.write(path(), written);
    if (result.ok)
        stored_ = std::move(written);
    return result;
}

bool CommandRegistry::save() {
    const JsonFile::WriteResult result = write();
    if (!result.ok) {
        qCCritical(lcApp, "couldn't save commands.json: %s", qUtf8Printable(result.error));
        if (!quitHooked_) {
            quitHooked_ = true;
            QPointer<CommandRegistry> self(this);
            Termination::addHook([self] {
                if (self)
                    self->saveAtQuit();
            });
        }
    } else if (file_.keptAs()) {
        qCInfo(lcApp, "kept the undecodable commands.json as %s", qUtf8Printable(*file_.keptAs()));
    }
    return result.ok;
}

// A failed save may have been followed by none that worked: one more try, and what
// this session changed is lost unless it takes. A list that is again what the file
// holds (its failed change taken back) loses nothing.
void CommandRegistry::saveAtQuit() {
    if (document() == stored_)
        return;
    const JsonFile::WriteResult result = write();
    if (!result.ok)
        qCCritical(lcApp,
                   "couldn't save commands.json at quit: %s; this session's changes to the commands are lost",
                   qUtf8Printable(result.error));
}

bool CommandRegistry::update(const CommandEntry& entry) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [&](const CommandEntry& e) { return e.id == entry.id; });
    if (it != entries_.end())
        *it = entry;
    else
        entries_.push_back(entry);
    changed();
    return save();
}

std::optional<Action> CommandRegistry::action(const CommandEntry& entry) {
    const QString& a = entry.action;
    if (a == QLatin1String("sort") || a == QLatin1String("sortAll"))
        return Action::sortAll();
    if (a == QLatin1String("leftHalf"))
        return Action::moveWindow(WindowPosition::left);
    if (a == QLatin1String("rightHalf"))
        return Action::moveWindow(WindowPosition::right);
    if (a == QLatin1String("maximize"))
        return Action::moveWindow(WindowPosition::maximize);
    if (a == QLatin1String("center"))
        return Action::moveWindow(WindowPosition::center);
    if (a == QLatin1String("hideOthers"))
        return Action::hideOthers();
    if (a == QLatin1String("nextDisplay"))
        return Action::nextDisplay();
    if (a == QLatin1String("volumeUp"))
        return Action::volumeUp();
    if (a == QLatin1String("volumeDown"))
        return Action::volumeDown();
    if (a == QLatin1String("mute"))
        return Action::mute(true);
    if (a == QLatin1String("unmute"))
        return Action::mute(false);
    if (a == QLatin1String("screenshot"))
        return Action::screenshot();
    if (a == QLatin1String("lockScreen"))
        return Action::lockScreen();
    if (a == QLatin1String("dnd"))
        return Action::doNotDisturb();
    if (a == QLatin1String("meetingMode"))
        return Action::meetingMode();
    if (a == QLatin1String("undoSetup"))
        return Action::undoSetup();
    if (a == QLatin1String("mediaPlay"))
        return Action::mediaControl(MediaOp::play);
    if (a == QLatin1String("mediaPause"))
        return Action::mediaControl(MediaOp::pause);
    if (a == QLatin1String("mediaNext"))
        return Action::mediaControl(MediaOp::next);
    if (a == QLatin1String("mediaPrevious"))
        return Action::mediaControl(MediaOp::previous);
    const auto name = entry.params.constFind(QStringLiteral("name"));
    if (a == QLatin1String("openApp"))
        return name == entry.params.cend() ? std::nullopt : std::optional(Action::openApp(*name));
    if (a == QLatin1String("runShortcut"))
        return name == entry.params.cend() ? std::nullopt : std::optional(Action::runShortcut(*name));
    return std::nullopt;
}

void CommandRegistry::rebuild() const {
    phrases_.clear();
    firstActionable_.clear();
    anyPhrase_.clear();
    for (int i = 0; i < int(entries_.size()); ++i) {
        const CommandEntry& e = entries_[i];
        if (!e.enabled)
            continue;
        const std::optional<Action> a = action(e);
        for (const QString& p : e.phrases) {
            const int index = int(phrases_.size());
            phrases_.push_back(Phrase{Text::normalize(p), i, a});
            const QString& n = phrases_.back().normalized;
            if (!anyPhrase_.contains(n))
                anyPhrase_.insert(n, index);
            if (a && !firstActionable_.contains(n))
                firstActionable_.insert(n, index);
        }
    }
    dirty_ = false;
}

const std::vector<CommandRegistry::Phrase>& CommandRegistry::enabledPhrases() const {
    if (dirty_)
        rebuild();
    return phrases_;
}

const CommandRegistry::Phrase* CommandRegistry::firstActionable(const QString& normalized) const {
    if (dirty_)
        rebuild();
    const auto it = firstActionable_.constFind(normalized);
    return it == firstActionable_.cend() ? nullptr : &phrases_[*it];
}

bool CommandRegistry::hasPhrase(const QString& normalized) const {
    if (dirty_)
        rebuild();
    return anyPhrase_.contains(normalized);
}

} // namespace brisklet
