#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace brisklet {

// Help groups, in the order the Commands pane shows them. The raw values are keys
// (stored in settings) and never change.
enum class CommandGroup { setups, windows, apps, music, system, layouts, ask };

QString rawValue(CommandGroup group);
std::optional<CommandGroup> commandGroupFromRaw(const QString& raw);
const std::vector<CommandGroup>& allCommandGroups();

// One row of help: what can be said and how.
struct CommandDoc {
    CommandGroup group;
    QString title; // a key too: the Commands pane maps titles to commands
    QString detail;
    QStringList examples;

    QString id() const { return rawValue(group) + QLatin1Char('/') + title; }
    bool operator==(const CommandDoc&) const = default;
};

// The fixed help text of everything a user can say.
namespace CommandCatalog {

const std::vector<CommandDoc>& all();

// The rows whose title, detail or examples contain `query` (ignoring case; an empty
// query matches all), grouped in group order; groups without a row are left out.
std::vector<std::pair<CommandGroup, std::vector<CommandDoc>>> grouped(const QString& query);

} // namespace CommandCatalog

} // namespace brisklet
