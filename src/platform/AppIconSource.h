#pragma once

#include <QImage>
#include <QString>

namespace brisklet::platform {

// The icon an installed application shows itself with. Main thread: it may read
// the app's entry and its icon files.
class AppIconSource {
public:
    virtual ~AppIconSource() = default;
    // The icon of the app with this desktop ID at about `pixels` square; a null
    // image when no such app is installed or it has no icon that loads.
    virtual QImage icon(const QString& appID, int pixels) = 0;
};

} // namespace brisklet::platform
