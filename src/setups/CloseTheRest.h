#pragma once

#include "platform/Apps.h"

#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace brisklet {

// Which running apps "close the rest" asks to quit. The run receipt counts with
// the same rule the engine closes with, so the number on its button is the number
// of apps asked.
namespace CloseTheRest {

struct Spared {
    QSet<QString> keep;      // the setup's own apps, and whatever else the caller keeps
    QStringList webHandlers; // every app that opens web addresses
    std::optional<QString> fileManager;
    qint64 ownPid = 0;
};

// Whether closing the rest would ask this app to quit. Never an app without a
// desktop entry, a panel or dock, Brisklet itself, a kept app, a session
// component, the file manager, a known browser or a web handler.
bool wouldAsk(const platform::RunningApp& app, const Spared& spared);

// The desktop IDs it would ask, each once, in the order of `running`.
QStringList asked(const std::vector<platform::RunningApp>& running, const Spared& spared);

} // namespace CloseTheRest
} // namespace brisklet
