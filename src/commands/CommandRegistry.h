#pragma once

#include "base/KeptFile.h"
#include "commands/Action.h"
#include "commands/CommandEntry.h"

#include <QHash>
#include <QObject>
#include <vector>

namespace brisklet {

// The commands a user can speak: 21 built-ins plus the user's own, kept in
// commands.json. Main thread only.
class CommandRegistry final : public QObject {
    Q_OBJECT
public:
    // `path` empty: the data folder's commands.json, looked up on each use.
    explicit CommandRegistry(QString path = {}, QObject* parent = nullptr);

    const std::vector<CommandEntry>& entries() const { return entries_; }
    // Replaces the list and publishes it; does not save.
    void setEntries(std::vector<CommandEntry> entries);
    std::vector<CommandEntry> enabledEntries() const;

    // Stored commands first, then every built-in whose id they lack. A file that is
    // missing, empty, or does not decode gives the built-ins; one that does not decode
    // is kept as "commands-corrupt-backup.json" before a save replaces it (no save
    // does while that copy fails), and one that cannot be read, or is no regular
    // file, is never opened for writing (the built-ins then live in memory only).
    void load();
    // Writes the list atomically. False (and logged) when it could not be written;
    // the list is then written again at quit, and its loss logged if that fails too,
    // unless by then it is again what the file holds (a change taken back).
    bool save();
    // Replaces the first entry with the same id in place, or appends; then saves.
    bool update(const CommandEntry& entry);

    // The action of a command record, or nothing for an unknown action string or an
    // openApp/runShortcut without a "name".
    static std::optional<Action> action(const CommandEntry& entry);
    static const std::vector<CommandEntry>& defaults();
    // The entries a file's document holds; nothing unless every one decodes.
    static std::optional<std::vector<CommandEntry>> decode(const QJsonDocument& document);
    static const QString corruptBackupName;

    // The enabled phrases, normalised, with their entry's action, in list order.
    // Cached until the list changes, so matching never re-normalises them.
    struct Phrase {
        QString normalized;
        int entry = 0; // index into entries()
        std::optional<Action> action;
    };
    const std::vector<Phrase>& enabledPhrases() const;
    // The first phrase of that normalised text whose entry has an action.
    const Phrase* firstActionable(const QString& normalized) const;
    bool hasPhrase(const QString& normalized) const;

    QString path() const;

signals:
    void entriesChanged();

private:
    void changed();
    void rebuild() const;
    QJsonDocument document() const;
    JsonFile::WriteResult write();
    void saveAtQuit();

    QString path_;
    KeptFile file_{corruptBackupName};
    std::vector<CommandEntry> entries_;
    // The list as the file holds it (last read or written), or as it began when the
    // file can't be read: what the next start finds. The quit's write is hooked once.
    QJsonDocument stored_;
    bool quitHooked_ = false;
    mutable bool dirty_ = true;
    mutable std::vector<Phrase> phrases_;
    mutable QHash<QString, int> firstActionable_; // normalised → index into phrases_
    mutable QHash<QString, int> anyPhrase_;
};

} // namespace brisklet
