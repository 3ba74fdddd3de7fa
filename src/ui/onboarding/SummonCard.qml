import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// One way of summoning Brisklet: a looping demo of the gesture, its name, one
// line about it, and "YOUR PICK" on the chosen card. The whole card is the button.
AbstractButton {
    id: card
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string title
    property string line
    property string kind: "hold"
    property string keyLabel
    property bool selected: false
    hoverEnabled: true
    padding: 16
    implicitHeight: column.implicitHeight + 32

    background: Rectangle {
        objectName: "cardBackground"
        radius: 14
        color: card.selected ? card.c.surfaceRaised : card.c.surface
        border.width: card.selected ? 1.5 : 1
        border.color: card.selected ? Qt.rgba(card.c.ink.r, card.c.ink.g, card.c.ink.b, 0.55)
                                    : card.hovered ? card.c.hairlineStrong : card.c.hairline
        Behavior on border.color {
            enabled: !DS.reduceMotion
            ColorAnimation { duration: DS.motion.quick }
        }
    }
    contentItem: Column {
        id: column
        spacing: 12
        Item {
            width: parent.width
            height: 88
            KeycapDemo {
                objectName: "demo"
                anchors.centerIn: parent
                kind: card.kind
                label: card.keyLabel
                looping: true
                listening: false
            }
        }
        Text {
            objectName: "title"
            anchors.horizontalCenter: parent.horizontalCenter
            text: card.title
            font: DS.text.headline
            color: card.c.ink
        }
        Text {
            objectName: "line"
            width: parent.width
            text: card.line
            font: DS.text.caption
            color: card.c.inkSecondary
            wrapMode: Text.Wrap
            horizontalAlignment: Text.AlignHCenter
        }
        Text {
            objectName: "pick"
            anchors.horizontalCenter: parent.horizontalCenter
            text: card.selected ? "YOUR PICK" : " "
            font: DS.tracked(DS.font(9, Font.Bold), 0.8)
            color: card.c.emberText
        }
    }
}
