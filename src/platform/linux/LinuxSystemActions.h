#pragma once

#include "platform/ProcessRunner.h"
#include "platform/SystemActions.h"

namespace brisklet::platform {

// Volume through the sound server's command-line client (PulseAudio, or PipeWire's
// PulseAudio service), screenshots of the X root window, Shortcuts as executable
// files in the Shortcuts folder, and locking through the desktop's screen saver or
// logind.
class LinuxSystemActions final : public SystemActions {
public:
    struct Folders {
        QString screenshots; // empty: the user's Desktop folder
        QString shortcuts;   // empty: the data folder's Shortcuts, looked up on each call
    };
    explicit LinuxSystemActions(ProcessRunner& runner, Folders folders = {});

    std::optional<int> currentVolume() override;
    bool setVolume(int percent) override;
    bool setMuted(bool muted) override;
    std::optional<QString> screenshot() override;
    QStringList shortcuts() override;
    bool shortcutExists(const QString& name) override;
    ProcessResult runShortcut(const QString& name, double timeoutSeconds) override;
    ScriptOutcome lockScreen() override;

    // The loudest channel of a `pactl get-sink-volume` answer, clamped to 0…100;
    // nothing when the answer holds no percentage.
    static std::optional<int> parseVolume(const QString& pactlOutput);
    // "Brisklet-<stamp>.png" in `folder`, or "-2", "-3", … before ".png" when taken.
    static QString screenshotName(const QString& stamp, int attempt);

private:
    ProcessResult pactl(const QStringList& args);
    QString shortcutsFolder() const;
    std::optional<QString> shortcutPath(const QString& name);

    ProcessRunner& runner_;
    Folders folders_;
};

} // namespace brisklet::platform
