#pragma once

#include <QLoggingCategory>

// The program's log categories. State changes and decisions at info level,
// failures at warning/critical, per-event detail at debug level and only while
// "brisklet.debugAudio" is on (use BK_DETAIL for those).
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcAudio)
Q_DECLARE_LOGGING_CATEGORY(lcClap)
Q_DECLARE_LOGGING_CATEGORY(lcSpeech)
Q_DECLARE_LOGGING_CATEGORY(lcWindows)
Q_DECLARE_LOGGING_CATEGORY(lcAsk)

namespace brisklet::Log {
// Whether per-event detail is wanted ("brisklet.debugAudio"), read fresh each time.
bool detailEnabled();
// The same, and switches the category's debug level to match, so its debug lines
// appear exactly while the setting is on.
bool detailEnabled(const QLoggingCategory& category);
} // namespace brisklet::Log

// Detail lines: the preference is checked before anything is formatted.
#define BK_DETAIL(category)                                                                                  \
    if (!::brisklet::Log::detailEnabled(category())) {                                                       \
    } else                                                                                                   \
        qCDebug(category)
