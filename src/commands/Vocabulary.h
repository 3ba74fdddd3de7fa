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
// The names a spoken verb may take ("open …", "end …"): setups, layouts and the
// installed apps, at most `nameLimit`.
QStringList names(const SetupDirectory& setups, const LayoutNames& layouts, const AppIndex& apps);
inline constexpr int nameLimit = 400;

// Empty phrases dropped, the first of those equal but for letter case kept, at
// most `limit`.
QStringList cap(const QStringList& phrases, int most = limit);

} // namespace Vocabulary
} // namespace brisklet
