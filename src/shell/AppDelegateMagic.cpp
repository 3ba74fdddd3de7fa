// The delegate's Magic: the controller and builder over the app index, the setups
// and the desktop's usage records, and the pane's choices turned into draft runs,
// saves and undo.
#include "shell/AppDelegate.h"

#include "ask/AskClient.h"
#include "base/Text.h"
#include "commands/AppIndex.h"
#include "commands/ReservedPhrases.h"
#include "magic/AnthropicDirectMagicBackend.h"
#include "magic/MagicBuilder.h"
#include "magic/MagicController.h"
#include "magic/ServiceMagicBackend.h"
#include "platform/BrowserLauncher.h"
#include "platform/WindowSystem.h"
#include "setups/SetupStore.h"
#include "setups/SetupSuggestions.h"
#include "shell/SetupRuns.h"
#include "ui/home/HomeWindowController.h"
#include "ui/magic/MagicPaneHost.h"
#include "voice/HotkeyEngine.h"
#include "windows/LayoutStore.h"

#include <QPointer>

namespace brisklet {

namespace {

// The default browser and the screens, read on the scan's queue: the browser
// through its own child process, the screens from the thread-safe snapshot.
MagicRecommender::Desktop desktopOf(PlatformFactory& platform, bool withBrowser = true) {
    MagicRecommender::Desktop desktop;
    platform::BrowserLauncher* browsers = withBrowser ? platform.browserLauncher() : nullptr;
    if (browsers) {
        if (auto entry = SetupSuggestions::findDefaultBrowser(*browsers, platform.installedApps())) {
            desktop.defaultBrowser = entry->id;
            desktop.defaultBrowserName = entry->name;
        }
    }
    std::vector<QRectF> frames;
    for (const platform::Display& display : platform.windowSystem().displays())
        frames.push_back(display.frame);
    desktop.displayFingerprint = LayoutStore::fingerprint(frames);
    return desktop;
}

} // namespace

void AppDelegate::buildMagic() {
    PlatformFactory* platform = platform_.get();
    MagicController::Sources sources{{platform->appUsageHistory(), platform->runningApps()},
                                     [platform] { return desktopOf(*platform); }};
    magic_ = std::make_unique<MagicController>(*appIndex_, *setups_, std::move(sources));

    auto* ask = static_cast<AskClient*>(ask_.get());
    builder_ = std::make_unique<MagicBuilder>(
        std::make_unique<AnthropicDirectMagicBackend>(ask->network(), platform->secretStore(),
                                                      QString::fromLatin1(MessagesApi::defaultBase)),
        std::make_unique<ServiceMagicBackend>([ask]() -> ServiceClient& { return ask->serviceClient(); }));
    QPointer<AppDelegate> self(this);
    builder_->reservedPhrasesProvider = [self] {
        QSet<QString> phrases;
        for (const QString& phrase : self ? ReservedPhrases::of(*self->registry_) : ReservedPhrases::fixed())
            phrases.insert(Text::normalize(phrase));
        return phrases;
    };
    // On the main thread, so nothing here may wait on a child process: the default
    // browser is the browser watch's last answer (else the last scan's), the screens
    // come from the window system's snapshot.
    builder_->inventoryProvider = [self, platform] {
        if (!self)
            return MagicRecommender::Inventory{};
        MagicRecommender::Desktop desktop =
            self->magic_->profile() ? self->magic_->desktop() : MagicRecommender::Desktop{};
        if (self->defaultBrowser_) {
            desktop.defaultBrowser = self->defaultBrowser_->id;
            desktop.defaultBrowserName = self->defaultBrowser_->name;
        }
        desktop.displayFingerprint = desktopOf(*platform, false).displayFingerprint;
        const MagicProfile profile = self->magic_->profile().value_or(MagicProfile{});
        return MagicRecommender::inventory(profile, self->appIndex_->apps(),
                                           SetupStore::spokenWords(self->setups_->setups()), desktop);
    };
    connectMagic();
}

void AppDelegate::connectMagic() {
    magicHost_ = std::make_unique<MagicPaneHost>(*magic_, *setups_);
    magicHost_->builder = builder_.get();
    QPointer<AppDelegate> self(this);
    magicHost_->onRunDraft = [self](const Setup& draft) {
        if (self && !self->shutDown_ && self->setupRuns_)
            self->setupRuns_->runDraft(draft);
    };
    magicHost_->onSaveDraft = [self](const Setup& draft) {
        return self && self->setupRuns_ && self->setupRuns_->saveDraft(draft);
    };
    magicHost_->onUndo = [self] {
        if (self && !self->shutDown_ && self->setupRuns_)
            self->setupRuns_->perform({Action::undoSetup()});
    };
    magicHost_->axGranted = [self] {
        return self && self->hotkeyEngine_ && self->hotkeyEngine_->isTrusted();
    };
    home_->magic = magicHost_.get();
}

} // namespace brisklet
