#pragma once

#include "shell/PreviewWindow.h"
#include "ui/home/HomeWindowController.h"

#include <QQuickView>

namespace brisklet {

// The home window as one of the windows that make way while a drafted setup is
// tried out.
class HomePreview final : public PreviewWindow {
public:
    explicit HomePreview(HomeWindowController& home) : home_(home) {}

    void stepAside() override { home_.stepAside(); }
    bool isParked() const override { return home_.parkedForPreview(); }
    // Back at full opacity but behind the setup's windows; still parked until the
    // receipt is answered.
    void settleBehind() override {
        QQuickView* window = home_.window();
        if (!window || !home_.parkedForPreview())
            return;
        window->setOpacity(1.0);
        window->show();
        window->lower();
    }
    // Showing the window un-parks it.
    void returnFromPreview() override { home_.show(); }

private:
    HomeWindowController& home_;
};

} // namespace brisklet
