#pragma once

#include "shell/WindowStandIn.h"

namespace brisklet {

// The home window, with what its settings section asks for.
class HomeStandIn final : public WindowStandIn {
    Q_OBJECT
public:
    explicit HomeStandIn(QObject* parent = nullptr) : WindowStandIn("home", parent) {}

signals:
    void runOnboardingRequested();
    // The setups section's buttons.
    void runSetupRequested(const QString& name);
    void endSetupRequested(const QString& name);
    void undoSetupRequested();
};

} // namespace brisklet
