import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// A receipt card: whether the setup came up, what happened, at most one note and
// the buttons. The panel is a fixed height; the card sits centred in it.
Item {
    id: root
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    required property ReceiptModel model

    width: model.cardWidth
    height: model.panelHeight
    implicitWidth: width
    implicitHeight: height

    Item {
        id: card
        objectName: "card"
        x: 6
        width: root.width - 12
        height: column.implicitHeight + 32
        y: Math.round((root.height - height) / 2)

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
            border.color: root.c.hairline
        }

        Column {
            id: column
            x: 16
            y: 16
            width: card.width - 32
            spacing: 8

            Row {
                width: parent.width
                spacing: 7
                DSIcon {
                    id: mark
                    objectName: "mark"
                    anchors.verticalCenter: parent.verticalCenter
                    name: root.model.ok ? "checkmark.circle.fill" : "info.circle.fill"
                    size: 13
                    color: root.model.ok ? root.c.emberText : root.c.systemOrange
                }
                Text {
                    objectName: "title"
                    anchors.verticalCenter: parent.verticalCenter
                    width: parent.width - mark.width - parent.spacing
                    text: root.model.title
                    font: DS.text.headline
                    color: root.c.ink
                    elide: Text.ElideRight
                    maximumLineCount: 1
                }
            }
            Text {
                objectName: "body"
                width: parent.width
                visible: text.length > 0
                text: root.model.body
                font: DS.text.caption
                color: root.c.inkSecondary
                wrapMode: Text.Wrap
            }
            Text {
                objectName: "note"
                width: parent.width
                visible: root.model.hasNote
                text: root.model.note
                font: DS.text.caption
                color: root.c.inkTertiary
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
            }
            Item {
                width: parent.width
                height: buttons.implicitHeight
                Row {
                    id: buttons
                    objectName: "buttons"
                    anchors.right: parent.right
                    spacing: 8
                    DSPlainButton {
                        objectName: "ok"
                        anchors.verticalCenter: parent.verticalCenter
                        text: "OK"
                        font: DS.text.captionMedium
                        onClicked: root.model.acknowledge()
                    }
                    DSSecondaryButton {
                        objectName: "sweep"
                        anchors.verticalCenter: parent.verticalCenter
                        visible: root.model.sweepLabel.length > 0
                        text: root.model.sweepLabel
                        onClicked: root.model.sweep()
                    }
                    DSSecondaryButton {
                        objectName: "undo"
                        anchors.verticalCenter: parent.verticalCenter
                        visible: root.model.undoLabel.length > 0
                        text: root.model.undoLabel
                        onClicked: root.model.undo()
                    }
                }
            }
        }
    }
}
