#pragma once

#include "platform/WindowSystem.h"

#include <QByteArray>
#include <QRect>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace brisklet::platform {

class X11Connection;
class StartupIdNotes;

// The windows and displays of an X11 desktop, through EWMH/ICCCM, RandR and XRes
// on a connection of our own (never Qt's).
class X11WindowSystem final : public WindowSystem {
public:
    struct Identity {
        QString id;   // desktop ID, empty when none matched
        QString name; // the entry's Name, else the class of WM_CLASS
    };
    struct IdentityQuery {
        qint64 pid = 0;
        QString wmInstance;
        QString wmClass;
        QString gtkApplicationId;
    };
    using IdentityResolver = std::function<Identity(const IdentityQuery&)>;

    // `display` empty: $DISPLAY. `fallbackScreen` is the desktop reported when no X
    // display can be reached.
    explicit X11WindowSystem(const QByteArray& display = {}, QRect fallbackScreen = QRect(0, 0, 1920, 1080));
    ~X11WindowSystem() override;
    X11WindowSystem(const X11WindowSystem&) = delete;
    X11WindowSystem& operator=(const X11WindowSystem&) = delete;

    bool isConnected() const;
    // Whether an EWMH window manager announces itself.
    bool hasWindowManager();
    // How windows map to applications; without one, a window's app is its WM_CLASS
    // instance. Set it before other threads use this object.
    void setIdentityResolver(IdentityResolver resolver);
    // The top-left corner of the primary display in root coordinates.
    QPointF primaryOrigin();

    std::vector<Display> displays() override;
    std::vector<WindowInfo> windows() override;
    std::optional<WindowInfo> window(WindowId id) override;
    std::optional<QRectF> frame(WindowId window) override;
    bool setFrame(WindowId window, const QRectF& frame) override;
    bool setPosition(WindowId window, const QPointF& topLeft) override;
    void requestFrame(WindowId window, const QRectF& frame, bool withSize) override;
    void unmaximize(WindowId window) override;
    std::optional<WindowId> activeWindow() override;
    bool activate(WindowId window) override;
    bool restack(WindowId window, std::optional<WindowId> above) override;
    bool iconify(WindowId window) override;
    bool deiconify(WindowId window) override;
    bool close(WindowId window) override;
    std::optional<QPointF> pointer() override;
    QString startupId(WindowId window) override;
    std::unique_ptr<StartupIdWatch> watchStartupIds() override;

private:
    // Descriptions of these clients, in the given order; the gone ones left out.
    std::vector<WindowInfo> describe(const std::vector<WindowId>& clients);

    QByteArray display_;
    std::unique_ptr<X11Connection> x_;
    IdentityResolver resolver_;
    // What the watches held now have noted.
    std::mutex watchesMutex_;
    std::vector<std::weak_ptr<const StartupIdNotes>> watches_;
};

} // namespace brisklet::platform
