#pragma once

#include "flow/HUDState.h"

#include <QString>
#include <functional>

namespace brisklet {

// Where a request shows what it is doing: the heads-up display in the app, a
// recorder in tests. Main thread.
class HUDPort {
public:
    virtual ~HUDPort() = default;

    virtual void show(const HUDState& state) = 0;
    // Replaces the partial transcript while listening; never overwrites a later state.
    virtual void updateListening(const QString& partial) = 0;
    // Asks a yes/no question; exactly one of the two runs, unless a newer state
    // replaces the question first.
    virtual void showConfirm(const QString& question, std::function<void()> onRun,
                             std::function<void()> onCancel) = 0;
    virtual void hide() = 0;
};

} // namespace brisklet
