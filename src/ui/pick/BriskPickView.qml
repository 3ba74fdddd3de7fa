import QtQuick
import Brisklet

// The quick list of setups under the tray icon: a heading, one row per setup and
// a last row that opens Brisklet's window. It tells its model when the pointer
// enters or leaves it.
Item {
    id: root
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    required property BriskPickModel model

    implicitWidth: 232 + 12
    implicitHeight: column.implicitHeight + 12
    width: implicitWidth
    height: implicitHeight

    HoverHandler {
        onHoveredChanged: root.model.setHovered(hovered)
    }

    Item {
        id: card
        objectName: "card"
        x: 6
        y: 6
        width: 232
        height: column.implicitHeight

        DSShadow {
            anchors.fill: parent
            radius: DS.shadow.popover.radius
            offsetY: DS.shadow.popover.y
            strength: DS.shadow.popover.opacity
            cornerRadius: 14
        }
        Rectangle {
            objectName: "cardBackground"
            anchors.fill: parent
            radius: 14
            color: root.c.canvas
            border.width: 1
            border.color: root.c.hairlineStrong
        }

        Column {
            id: column
            width: parent.width
            spacing: 2

            Text {
                objectName: "heading"
                leftPadding: 10
                rightPadding: 10
                topPadding: 8
                bottomPadding: 2
                text: "RUN A SETUP"
                font: DS.tracked(DS.text.overline, 0.8)
                color: root.c.inkTertiary
            }
            Repeater {
                model: root.model.rows
                BriskPickRow {
                    required property var modelData
                    required property int index
                    objectName: "setupRow"
                    width: column.width
                    name: modelData.name
                    icon: modelData.icon
                    active: modelData.active
                    onActivated: root.model.run(index)
                }
            }
            Item {
                width: parent.width
                height: 7
                Rectangle {
                    y: 3
                    width: parent.width
                    height: 1
                    color: root.c.hairline
                }
            }
            Item {
                width: parent.width
                height: openHome.implicitHeight + 6
                BriskPickRow {
                    id: openHome
                    objectName: "openHomeRow"
                    width: parent.width
                    name: "Open Brisklet"
                    icon: "arrow.up.forward.app"
                    muted: true
                    onActivated: root.model.openHome()
                }
            }
        }
    }
}
