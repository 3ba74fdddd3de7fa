#pragma once

#include "platform/WindowSystem.h"
#include "platform/linux/X11Connection.h"

#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <xcb/xcb.h>

namespace brisklet::platform {

// The startup ids windows have carried, by window.
class StartupIdNotes {
public:
    void note(WindowId window, const QString& id);
    void forget(WindowId window);
    QString of(WindowId window) const;

private:
    mutable std::mutex mutex_;
    std::map<WindowId, QString> ids_;
};

// Notes the startup id of each window created while it lives, on a connection and a
// thread of its own. Firefox now and then takes a page window's id off again as the
// window maps, a few milliseconds after putting it on: only a watch that reads the
// id as it comes sees it.
class X11StartupIdWatch final : public StartupIdWatch {
public:
    // Null when the display can't be reached. Windows created after it returns are
    // watched.
    static std::unique_ptr<X11StartupIdWatch> start(const QByteArray& display);
    ~X11StartupIdWatch() override;
    X11StartupIdWatch(const X11StartupIdWatch&) = delete;
    X11StartupIdWatch& operator=(const X11StartupIdWatch&) = delete;

    std::shared_ptr<const StartupIdNotes> notes() const { return notes_; }

private:
    explicit X11StartupIdWatch(xcb_connection_t* connection);
    void take(const xcb_generic_event_t& event);
    void read(xcb_window_t window);

    xcb_connection_t* conn_ = nullptr;
    xcb_atom_t startupId_ = 0;
    std::shared_ptr<StartupIdNotes> notes_ = std::make_shared<StartupIdNotes>();
    std::unique_ptr<X11EventThread> events_;
};

} // namespace brisklet::platform
