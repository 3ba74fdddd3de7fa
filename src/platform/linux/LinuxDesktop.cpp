#include "platform/linux/LinuxDesktop.h"

#include "base/Log.h"

namespace brisklet::platform {

LinuxDesktop::LinuxDesktop(EntriesProvider entries, QRect fallbackScreen)
    : windows_({}, fallbackScreen), identity_(entries),
      running_(windows_, [this](const QString& id) { return identity_.pathOf(id); }),
      launcher_(windows_, entries), own_(windows_, [this] { return windows_.primaryOrigin(); }) {
    windows_.setIdentityResolver(
        [this](const X11WindowSystem::IdentityQuery& q) { return identity_.resolve(q); });
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qCInfo(lcWindows) << "Wayland session: window control reaches only X11 (XWayland) windows";
}

} // namespace brisklet::platform
