#pragma once

#include "setups/SetupStore.h"
#include "ui/setups/SetupCaptureController.h"

#include "support/FakeClock.h"
#include "support/FileBytes.h"
#include "support/TempHome.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <vector>

namespace brisklet::test {

// The capture review's controller over a setups store on a file of its own, in a
// fresh home, with no engine: tests present captures of their own making. Time
// stands still for the review unless a test moves the clock.
struct CaptureOnFile {
    // Another program replaces the file with `setups`, the way editors and sync
    // tools do; the store reads it only once events run.
    void writeOutside(const std::vector<brisklet::Setup>& setups) {
        QJsonArray array;
        for (const brisklet::Setup& setup : setups)
            array.append(setup.toJson());
        replaceBytes(store.filePath(), QJsonDocument(array).toJson());
    }

    TempHome home;
    QTemporaryDir dir;
    SetupStore store{dir.filePath("setups.json")};
    FakeClock clock;
    SetupCaptureController controller{store, nullptr, nullptr, clock};
};

} // namespace brisklet::test
