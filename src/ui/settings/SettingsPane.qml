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

    // The line beside the title, so nothing moves under the pointer as it shows.
    Item {
        width: pane.width
        height: Math.max(title.implicitHeight, unsaved.visible ? unsaved.height : 0)
        PaneTitle {
            id: title
            objectName: "title"
            text: "Settings"
        }
        UnsavedSettingsLine {
            id: unsaved
            objectName: "unsavedSettings"
            width: Math.min(naturalWidth, parent.width - title.implicitWidth - 24)
            x: parent.width - width
            y: Math.max(0, (title.implicitHeight - height) / 2)
        }
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
