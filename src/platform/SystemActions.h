#pragma once

#include "platform/ProcessRunner.h"
#include "platform/ScriptOutcome.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace brisklet::platform {

// The small system effects: output volume and mute, a screenshot, the user's
// Brisklet Shortcuts and locking the screen. Every call blocks: off the main thread.
class SystemActions {
public:
    virtual ~SystemActions() = default;

    // The default output's volume, 0…100, or nothing when it cannot be read.
    virtual std::optional<int> currentVolume() = 0;
    // Sets the default output's volume (clamped to 0…100); true on success.
    virtual bool setVolume(int percent) = 0;
    virtual bool setMuted(bool muted) = 0;

    // A picture of the whole screen saved as a new file; its path, or nothing.
    virtual std::optional<QString> screenshot() = 0;

    // The names of the user's Shortcuts, sorted.
    virtual QStringList shortcuts() = 0;
    // Whether a Shortcut of exactly this name exists (refused names never do).
    virtual bool shortcutExists(const QString& name) = 0;
    // Runs the Shortcut with a time limit. A refused or unknown name never runs and
    // gives a non-zero status.
    virtual ProcessResult runShortcut(const QString& name, double timeoutSeconds) = 0;

    // Asks the desktop to lock the screen.
    virtual ScriptOutcome lockScreen() = 0;

    // A Shortcut name must name a file inside the Shortcuts folder and nothing else.
    static bool isAcceptableShortcutName(const QString& name) {
        return !name.trimmed().isEmpty() && !name.contains(QLatin1Char('/')) &&
               !name.startsWith(QLatin1Char('.')) && !name.contains(QChar(0));
    }
};

} // namespace brisklet::platform
