#include "shell/DefaultBrowserWatch.h"

#include "base/MainThread.h"
#include "commands/AppIndex.h"
#include "setups/SetupSuggestions.h"

#include <QPointer>

namespace brisklet {

DefaultBrowserWatch::DefaultBrowserWatch(platform::BrowserLauncher* launcher,
                                         platform::InstalledApps& installed, Found found,
                                         Scheduler& scheduler)
    : launcher_(launcher), installed_(installed), found_(std::move(found)),
      timer_(scheduler, AppIndex::refreshInterval, [this] { refresh(); }),
      queue_("com.brisklet.defaultbrowser") {}

DefaultBrowserWatch::~DefaultBrowserWatch() {
    timer_.stop();
    queue_.stop();
}

void DefaultBrowserWatch::start() {
    refresh();
    timer_.start();
}

void DefaultBrowserWatch::refresh() {
    if (!launcher_)
        return;
    QPointer<DefaultBrowserWatch> self(this);
    queue_.async([this, self] {
        // Asking xdg-mime blocks, so it happens here and only the answer travels.
        std::optional<platform::AppEntry> browser =
            SetupSuggestions::findDefaultBrowser(*launcher_, installed_);
        MainThread::post(this, [this, self, browser = std::move(browser)] {
            if (self && found_)
                found_(browser);
        });
    });
}

} // namespace brisklet
