#pragma once

#include "platform/SystemActions.h"

#include <QMap>
#include <algorithm>
#include <mutex>

namespace brisklet::test {

// Volume, mute, screenshots, Shortcuts and locking that only remember what was
// asked. Each can be told to fail.
class FakeSystemActions final : public platform::SystemActions {
public:
    std::optional<int> volume = 50; // nothing: the volume cannot be read
    bool muted = false;
    bool volumeFails = false;
    bool muteFails = false;
    bool screenshotFails = false;
    bool lockFails = false;
    QMap<QString, int> shortcutStatus; // existing Shortcuts and the status they exit with
    QStringList log;                   // what was done, in order

    std::optional<int> currentVolume() override {
        std::lock_guard lock(mutex_);
        return volume;
    }
    bool setVolume(int percent) override {
        std::lock_guard lock(mutex_);
        log << QStringLiteral("setVolume %1").arg(percent);
        if (volumeFails)
            return false;
        volume = std::clamp(percent, 0, 100);
        return true;
    }
    bool setMuted(bool on) override {
        std::lock_guard lock(mutex_);
        log << QStringLiteral("setMuted %1").arg(on);
        if (muteFails)
            return false;
        muted = on;
        return true;
    }
    std::optional<QString> screenshot() override {
        std::lock_guard lock(mutex_);
        log << QStringLiteral("screenshot");
        if (screenshotFails)
            return std::nullopt;
        return QStringLiteral("/tmp/Brisklet-shot.png");
    }
    QStringList shortcuts() override {
        std::lock_guard lock(mutex_);
        return shortcutStatus.keys();
    }
    bool shortcutExists(const QString& name) override {
        std::lock_guard lock(mutex_);
        return isAcceptableShortcutName(name) && shortcutStatus.contains(name);
    }
    platform::ProcessResult runShortcut(const QString& name, double timeoutSeconds) override {
        std::lock_guard lock(mutex_);
        log << QStringLiteral("runShortcut %1 %2").arg(name).arg(timeoutSeconds);
        if (!isAcceptableShortcutName(name) || !shortcutStatus.contains(name))
            return {};
        return {shortcutStatus.value(name), {}, {}};
    }
    platform::ScriptOutcome lockScreen() override {
        std::lock_guard lock(mutex_);
        log << QStringLiteral("lockScreen");
        return lockFails ? platform::ScriptOutcome::failed(QStringLiteral("no locker"))
                         : platform::ScriptOutcome::ok();
    }

private:
    std::mutex mutex_;
};

} // namespace brisklet::test
