#pragma once

#include "base/RepeatingTimer.h"
#include "base/SerialQueue.h"
#include "platform/Apps.h"

#include <QObject>
#include <functional>
#include <optional>

namespace brisklet {

namespace platform {
class BrowserLauncher;
} // namespace platform

// Finds the default web browser off the main thread, at start and with every
// refresh of the app index, and hands each answer to `found` on the main thread.
class DefaultBrowserWatch final : public QObject {
public:
    using Found = std::function<void(std::optional<platform::AppEntry>)>;

    // `launcher` may be null: then no browser is ever found. Both must outlive it.
    DefaultBrowserWatch(platform::BrowserLauncher* launcher, platform::InstalledApps& installed, Found found,
                        Scheduler& scheduler = Scheduler::main());
    ~DefaultBrowserWatch() override;

    // Look now, then every `interval` seconds. Main thread.
    void start();
    // One look now.
    void refresh();

private:
    platform::BrowserLauncher* launcher_;
    platform::InstalledApps& installed_;
    Found found_;
    RepeatingTimer timer_;
    SerialQueue queue_; // last: stopped first, before what its work reads goes away
};

} // namespace brisklet
