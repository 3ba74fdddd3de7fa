#pragma once

#include <QString>

namespace brisklet::platform {

// Desktop notifications of one kind: each new alert takes the place of the one
// shown before it, so the user never finds a pile of them. Main thread.
class Notifications {
public:
    virtual ~Notifications() = default;
    // Shows `title` with `body` at once, replacing the previous alert. Never
    // waits for the desktop; a desktop without notifications only logs.
    virtual void show(const QString& title, const QString& body) = 0;
};

} // namespace brisklet::platform
