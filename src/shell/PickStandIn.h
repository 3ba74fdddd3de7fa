#pragma once

#include "shell/StatusSetup.h"

#include <QList>
#include <QPoint>
#include <functional>

namespace brisklet {

// The quick list of setups that a click on the tray icon opens, until the panel
// itself is built: it keeps its visibility and asks its providers as the panel will.
class PickStandIn final {
public:
    std::function<QList<StatusSetup>()> setupsProvider;
    std::function<void(const QString& name)> onRun;
    std::function<void()> onOpenHome;
    // While the tray menu is open the panel never shows.
    bool suppressed = false;

    void toggle(QPoint anchor) {
        if (suppressed)
            return;
        anchor_ = anchor;
        visible_ = !visible_;
        if (visible_)
            shownEntries_ = setupsProvider ? setupsProvider() : QList<StatusSetup>();
    }
    void hide() { visible_ = false; }
    void cancelPendingShow() {}
    bool isVisible() const { return visible_; }
    QPoint anchor() const { return anchor_; }
    // What the panel listed when it last opened.
    const QList<StatusSetup>& shownEntries() const { return shownEntries_; }

private:
    bool visible_ = false;
    QPoint anchor_;
    QList<StatusSetup> shownEntries_;
};

} // namespace brisklet
