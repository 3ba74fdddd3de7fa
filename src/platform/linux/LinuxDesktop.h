#pragma once

#include "platform/linux/AppIdentity.h"
#include "platform/linux/LinuxAppLauncher.h"
#include "platform/linux/QtOwnWindows.h"
#include "platform/linux/X11RunningApps.h"
#include "platform/linux/X11WindowSystem.h"

#include <memory>

namespace brisklet::platform {

// The desktop layer wired together: the X11 window system whose windows are
// mapped to desktop entries, the running apps, the launcher and the program's own
// windows. Make it on the main thread; its parts are then usable from any thread.
class LinuxDesktop final {
public:
    using EntriesProvider = AppIdentity::EntriesProvider;
    // `entries` gives the latest scan of desktop entries (the installed apps' scan).
    explicit LinuxDesktop(EntriesProvider entries, QRect fallbackScreen = QRect(0, 0, 1920, 1080));

    X11WindowSystem& windows() { return windows_; }
    AppIdentity& identity() { return identity_; }
    X11RunningApps& runningApps() { return running_; }
    LinuxAppLauncher& launcher() { return launcher_; }
    QtOwnWindows& ownWindows() { return own_; }

private:
    X11WindowSystem windows_;
    AppIdentity identity_;
    X11RunningApps running_;
    LinuxAppLauncher launcher_;
    QtOwnWindows own_;
};

} // namespace brisklet::platform
