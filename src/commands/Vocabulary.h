#pragma once

#include <QStringList>

namespace brisklet {

class AppIndex;
class CommandRegistry;
class LayoutNames;
class SetupDirectory;

// The phrases the recogniser should expect in the next listening window.
namespace Vocabulary {

inline constexpr int limit = 100;

// Setup names (and "end" with each), their trigger phrases, layout names, the
// enabled commands' phrases and the installed apps' names, capped. Each store's
// lock is taken on its own, never inside another's.
QStringList gather(const SetupDirectory& setups, const LayoutNames& layouts, const CommandRegistry& registry,
                   const AppIndex& apps);
// Empty phrases dropped, the first of those equal but for letter case kept, at
// most `limit`.
QStringList cap(const QStringList& phrases);

} // namespace Vocabulary
} // namespace brisklet
