#pragma once

#include "platform/SpeechShapes.h"

#include <QStringList>

namespace brisklet {

class AppIndex;
class CommandRegistry;
class IntentMatcher;
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
inline constexpr int nameLimit = 400;

// The shapes the matcher reads phrases in, with the names that fill their slots:
// apps, setups, layouts (each at most `nameLimit`) and media players.
platform::SpeechShapes shapes(const IntentMatcher& matcher, const SetupDirectory& setups,
                              const LayoutNames& layouts, const AppIndex& apps);

// Empty phrases dropped, the first of those equal but for letter case kept, at
// most `limit`.
QStringList cap(const QStringList& phrases, int most = limit);

} // namespace Vocabulary
} // namespace brisklet
