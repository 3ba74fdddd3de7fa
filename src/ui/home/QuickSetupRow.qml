import QtQuick
import QtQuick.Layouts
import Brisklet

// One recent setup on the Home pane; its Run button shows while the pointer is
// over the row and keeps its place otherwise.
Rectangle {
    id: rowItem
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var row: ({})
    property bool hovering: hover.hovered
    signal run()
    implicitHeight: layout.implicitHeight + 18
    radius: 10
    color: hovering ? c.surfaceRaised : c.surface
    border.width: 1
    border.color: c.hairline
    Behavior on color {
        enabled: !DS.reduceMotion
        ColorAnimation { duration: DS.motion.quick; easing: DS.motion.easeOut }
    }
    HoverHandler {
        id: hover
    }

    RowLayout {
        id: layout
        x: 16
        width: rowItem.width - 32
        anchors.verticalCenter: parent.verticalCenter
        spacing: 12
        Rectangle {
            implicitWidth: 22
            implicitHeight: 22
            radius: 5
            color: rowItem.c.well
            DSIcon {
                anchors.centerIn: parent
                name: rowItem.row.symbol || ""
                size: 11
                color: rowItem.c.inkSecondary
            }
        }
        AppIconRow {
            objectName: "apps"
            // A setup without apps leaves no gap.
            visible: appIDs.length > 0
            appIDs: rowItem.row.appIDs || []
            moreApps: rowItem.row.moreApps || ""
            size: 18
        }
        // The name and its chip take what the time and Run leave, and elide.
        Text {
            objectName: "name"
            Layout.fillWidth: true
            Layout.preferredWidth: Math.ceil(implicitWidth)
            Layout.maximumWidth: Math.ceil(implicitWidth)
            Layout.minimumWidth: Math.min(Math.ceil(implicitWidth), 60)
            text: rowItem.row.name || ""
            font: DS.text.headline
            color: rowItem.c.ink
            elide: Text.ElideRight
            maximumLineCount: 1
        }
        PhraseChip {
            objectName: "chip"
            Layout.fillWidth: true
            Layout.maximumWidth: implicitWidth
            Layout.minimumWidth: Math.min(implicitWidth, 48)
            phrase: rowItem.row.chip || ""
        }
        Item {
            Layout.fillWidth: true
            Layout.preferredWidth: 0
        }
        Text {
            objectName: "lastRun"
            Layout.minimumWidth: implicitWidth
            visible: text !== ""
            text: rowItem.row.lastRun || ""
            font: DS.text.caption
            color: rowItem.c.inkQuaternary
        }
        DSSecondaryButton {
            objectName: "run"
            Layout.minimumWidth: implicitWidth
            text: "Run"
            opacity: rowItem.hovering ? 1 : 0
            onClicked: rowItem.run()
        }
    }
}
