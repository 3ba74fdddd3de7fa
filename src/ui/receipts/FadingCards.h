#pragma once

#include "base/Scheduler.h"
#include "ui/design/FloatingSurface.h"
#include "ui/design/PanelPlacement.h"

#include <QObject>
#include <QPointer>
#include <QRect>
#include <algorithm>
#include <memory>
#include <vector>

namespace brisklet {

// The cards of a corner panel: at most one on screen, and those still fading out.
// A card that leaves stops answering its buttons at once and is dropped after its
// fade, never inside its own button's click. Main thread.
template <typename Model> class FadingCards final {
public:
    struct Card {
        std::unique_ptr<Model> model;
        std::unique_ptr<FloatingSurface> surface; // goes first: its view binds to the model
    };

    explicit FadingCards(Scheduler& scheduler) : scheduler_(scheduler) {}

    Card* current() const { return current_.get(); }
    int fadingCount() const { return int(fading_.size()); }

    // Puts `card` on screen at the bottom right of `visibleFrame` (kept where it is
    // when that is empty), taking clicks, fading in over `fadeInSeconds`.
    void present(std::unique_ptr<Card> card, const QRect& visibleFrame, double fadeInSeconds) {
        if (FloatingSurface* surface = card->surface.get()) {
            if (!visibleFrame.isEmpty())
                surface->moveTo(PanelPlacement::receipt(visibleFrame, surface->size()));
            surface->setClickThrough(false);
            surface->fadeIn(fadeInSeconds);
        }
        current_ = std::move(card);
    }

    // Sends the current card away: its model's connections to `owner` (which owns
    // these cards) are cut and it fades out over `fadeOutSeconds`, or goes at once
    // for 0. Nothing without a current card.
    void sendAway(QObject* owner, double fadeOutSeconds) {
        if (!current_)
            return;
        Card* card = current_.get();
        fading_.push_back(std::move(current_));
        if (card->model)
            QObject::disconnect(card->model.get(), nullptr, owner, nullptr);
        if (card->surface) {
            card->surface->setClickThrough(true);
            if (fadeOutSeconds > 0)
                card->surface->fadeOut(fadeOutSeconds);
            else
                card->surface->orderOut();
        }
        QPointer<QObject> alive(owner);
        scheduler_.schedule(fadeOutSeconds, [this, alive, card] {
            if (alive)
                retire(card);
        });
    }

private:
    void retire(Card* card) {
        const auto it = std::find_if(fading_.begin(), fading_.end(),
                                     [card](const std::unique_ptr<Card>& c) { return c.get() == card; });
        if (it == fading_.end())
            return;
        if ((*it)->surface)
            (*it)->surface->orderOut();
        fading_.erase(it);
    }

    Scheduler& scheduler_;
    std::unique_ptr<Card> current_;
    std::vector<std::unique_ptr<Card>> fading_;
};

} // namespace brisklet
