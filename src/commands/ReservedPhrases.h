#pragma once

#include <QStringList>

namespace brisklet {

class CommandRegistry;

// The phrases a drafted setup may not take as its own.
namespace ReservedPhrases {

// The words of the built-in commands.
const QStringList& fixed();
// The fixed ones and every phrase of the registry, enabled or not, normalised,
// sorted, without duplicates.
QStringList of(const CommandRegistry& registry);

} // namespace ReservedPhrases
} // namespace brisklet
