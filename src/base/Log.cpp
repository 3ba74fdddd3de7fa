#include "base/Log.h"

#include "base/Prefs.h"

// Debug messages are let through by the categories and gated by the preference
// in BK_DETAIL, so turning the setting on needs no restart.
Q_LOGGING_CATEGORY(lcApp, "brisklet.app", QtDebugMsg)
Q_LOGGING_CATEGORY(lcAudio, "brisklet.audio", QtDebugMsg)
Q_LOGGING_CATEGORY(lcClap, "brisklet.clap", QtDebugMsg)
Q_LOGGING_CATEGORY(lcSpeech, "brisklet.speech", QtDebugMsg)
Q_LOGGING_CATEGORY(lcWindows, "brisklet.windows", QtDebugMsg)
Q_LOGGING_CATEGORY(lcAsk, "brisklet.ask", QtDebugMsg)

namespace brisklet::Log {
bool detailEnabled() { return Prefs::boolValue(Prefs::Key::debugAudio); }
} // namespace brisklet::Log
