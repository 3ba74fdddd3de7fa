import QtQuick
import Brisklet

// The Settings pane: its heading over the five sections. Each section reads its
// settings when the pane is built and writes each change at once.
Column {
    id: pane
    property var home
    // The home window's settings services; a test may hand its own.
    property var services: home ? home.settings : null
    spacing: 24

    PaneTitle {
        objectName: "title"
        text: "Settings"
    }
    UnsavedSettingsLine {
        objectName: "unsavedSettings"
        width: pane.width
    }
    WakeSettings {
        objectName: "wakeSection"
        width: pane.width
        services: pane.services
    }
    GeneralSettings {
        objectName: "generalSection"
        width: pane.width
        services: pane.services
    }
    AskSettings {
        objectName: "askSection"
        width: pane.width
        services: pane.services
    }
    PermissionsSettings {
        objectName: "permissionsSection"
        width: pane.width
        services: pane.services
    }
    HelpSettings {
        objectName: "helpSection"
        width: pane.width
        services: pane.services
    }
}
