#pragma once

#include "base/Prefs.h"
#include "support/DesktopEntryFixture.h"
#include "support/RoadDesktop.h"

namespace brisklet::test {

// The desktop of the setup road tests: only the key wakes (no clap, no Ask), and
// two apps of our X test client, Notes and Board, stand behind desktop entries
// and are quit at the end. Derived tests add what else they need, then launch.
class SetupRoadDesktop : public RoadDesktop {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(RoadDesktop::SetUp());
        Prefs::setValue(Prefs::Key::clapWake, false);
        Prefs::setValue(Prefs::Key::askEnabled, false);
        writeTestClientEntry("org.example.Notes", "Notes",
                             {"--title", "Notes", "--class", "roadnotes,RoadNotes"}, "RoadNotes");
        writeTestClientEntry("org.example.Board", "Board",
                             {"--title", "Board", "--class", "roadboard,RoadBoard"}, "RoadBoard");
        appsToQuit = {"org.example.Notes", "org.example.Board"};
    }
};

} // namespace brisklet::test
