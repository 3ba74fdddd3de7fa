#include "base/Log.h"

#include "base/Prefs.h"

// Info and above by default; debug detail is switched on per category by
// BK_DETAIL while the setting asks for it, so turning it on needs no restart.
Q_LOGGING_CATEGORY(lcApp, "brisklet.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAudio, "brisklet.audio", QtInfoMsg)
Q_LOGGING_CATEGORY(lcClap, "brisklet.clap", QtInfoMsg)
Q_LOGGING_CATEGORY(lcSpeech, "brisklet.speech", QtInfoMsg)
Q_LOGGING_CATEGORY(lcWindows, "brisklet.windows", QtInfoMsg)
Q_LOGGING_CATEGORY(lcAsk, "brisklet.ask", QtInfoMsg)

namespace brisklet::Log {

bool detailEnabled() { return Prefs::boolValue(Prefs::Key::debugAudio); }

bool detailEnabled(const QLoggingCategory& category) {
    const bool wanted = detailEnabled();
    if (category.isDebugEnabled() != wanted)
        const_cast<QLoggingCategory&>(category).setEnabled(QtDebugMsg, wanted);
    return wanted;
}

} // namespace brisklet::Log
