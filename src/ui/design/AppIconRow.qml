import QtQuick
import Brisklet

// App icons overlapping by 6, each on a ring of the surface colour, and how many
// more there are beyond the ones shown.
Row {
    id: iconRow
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var appIDs: []
    property string moreApps: ""
    property real size: 20
    spacing: -6

    Repeater {
        model: iconRow.appIDs
        Rectangle {
            required property string modelData
            anchors.verticalCenter: parent ? parent.verticalCenter : undefined
            width: iconRow.size + 4
            height: iconRow.size + 4
            radius: width / 2
            color: iconRow.c.surface
            AppIconView {
                objectName: "appIcon"
                anchors.centerIn: parent
                width: iconRow.size
                height: iconRow.size
                appID: parent.modelData
            }
        }
    }
    Text {
        objectName: "moreApps"
        visible: iconRow.moreApps !== ""
        anchors.verticalCenter: parent.verticalCenter
        // Its own 10 of leading space on top of the overlap.
        leftPadding: 16
        text: iconRow.moreApps
        font: DS.font(10, Font.DemiBold)
        color: iconRow.c.inkSecondary
    }
}
