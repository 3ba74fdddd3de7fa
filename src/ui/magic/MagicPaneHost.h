#pragma once

#include "magic/MagicDraft.h"
#include "setups/Setup.h"

#include <QObject>
#include <functional>
#include <optional>

namespace brisklet {

class MagicBuilder;
class MagicController;
class SetupStore;

// What the Magic pane is given by its host: the controller, the builder (null when
// the host has none), the setups, and the host's answers to the user's choices.
// Outlives every pane made over it; the callbacks are read at call time.
class MagicPaneHost final : public QObject {
    Q_OBJECT
public:
    MagicPaneHost(MagicController& magic, SetupStore& setups, QObject* parent = nullptr)
        : QObject(parent), magic(magic), setups(setups) {}

    MagicController& magic;
    SetupStore& setups;
    MagicBuilder* builder = nullptr;
    // Offers "Tune first…" on the cards (the editor answers editRequested).
    bool allowEdit = false;

    // What the builder shows when a pane opens over this host, as if the user had
    // just asked for it: the built card, or else the failure. The snapshot mode
    // stages its pictures this way; the pane's own builds replace it.
    struct StagedBuild {
        QString description;
        std::optional<MagicBuilt> built;
        QString failure;
    };
    std::optional<StagedBuild> stagedBuild;

    std::function<void(const Setup&)> onRunDraft;
    // True when the draft is now a saved setup.
    std::function<bool(const Setup&)> onSaveDraft;
    std::function<void()> onUndo;
    // Whether windows can be placed now; read each time a card is made.
    std::function<bool()> axGranted;

signals:
    // "Tune first…" on a card: the draft to open in the editor.
    void editRequested(const brisklet::Setup& draft);
};

} // namespace brisklet
