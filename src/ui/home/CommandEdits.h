#pragma once

#include "commands/CommandEntry.h"

#include <QString>
#include <optional>

namespace brisklet {

// The two edits a user makes to the commands: a command's phrases retyped as one
// comma-separated line, and a new command of their own.
namespace CommandEdits {

// What committing a phrase field does: the entry to store (none: leave the registry
// alone) and the text the field shows afterwards.
struct PhraseCommit {
    std::optional<CommandEntry> updated;
    QString text;
    bool operator==(const PhraseCommit&) const = default;
};

// The field's starting text: the phrases joined with ", ".
QString joined(const QStringList& phrases);
// Pieces split at commas, trimmed of spaces and tabs, lower-cased, empty ones
// dropped. An empty or unchanged list puts the stored phrases back in the field.
PhraseCommit commit(const QString& text, const CommandEntry& entry);

inline constexpr const char* openApp = "openApp";
inline constexpr const char* runShortcut = "runShortcut";

// A command of the user's own, or none when the phrase is blank or no name was
// given. `uuid` is a random UUID's text; its first 8 characters make the id.
std::optional<CommandEntry> newCommand(const QString& phrase, const QString& kind, const QString& appName,
                                       const QString& shortcutName, const QString& uuid);
// newCommand with a fresh random UUID.
std::optional<CommandEntry> newCommand(const QString& phrase, const QString& kind, const QString& appName,
                                       const QString& shortcutName);

} // namespace CommandEdits

} // namespace brisklet
