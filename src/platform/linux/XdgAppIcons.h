#pragma once

#include "platform/AppIconSource.h"

#include <QStringList>

namespace brisklet::platform {

class XdgInstalledApps;

// Icons of desktop entries: the entry's Icon key, either a file path or a name
// looked up in the icon theme (the desktop's, else "hicolor") and then in the
// pixmaps folders.
class XdgAppIcons final : public AppIconSource {
public:
    explicit XdgAppIcons(XdgInstalledApps& installed);

    QImage icon(const QString& appID, int pixels) override;

    // The image for an Icon value; null when nothing loads.
    static QImage iconFor(const QString& iconKey, int pixels);

private:
    XdgInstalledApps& installed_;
};

} // namespace brisklet::platform
