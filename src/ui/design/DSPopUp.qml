import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// A pop-up choice over [{value, label}] in the app's colours.
ComboBox {
    id: box
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    textRole: "label"
    valueRole: "value"
    font: DS.text.body
    implicitHeight: 28
    contentItem: Text {
        objectName: "label"
        leftPadding: 10
        rightPadding: box.indicator.width + 6
        text: box.currentIndex >= 0 ? box.displayText : ""
        font: box.font
        color: box.c.ink
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    indicator: DSIcon {
        x: box.width - width - 8
        anchors.verticalCenter: parent.verticalCenter
        name: "chevron.down"
        size: 14
        color: box.c.inkSecondary
    }
    background: Rectangle {
        radius: 7
        color: box.pressed ? box.c.surfaceRaised : box.c.surface
        border.width: 1
        border.color: box.c.hairlineStrong
    }
    delegate: ItemDelegate {
        required property var modelData
        required property int index
        width: box.width
        highlighted: box.highlightedIndex === index
        contentItem: Text {
            text: modelData.label
            font: box.font
            color: box.c.ink
        }
        background: Rectangle {
            color: highlighted ? box.c.emberWash : box.c.surface
        }
    }
    popup.background: Rectangle {
        radius: 7
        color: box.c.surface
        border.width: 1
        border.color: box.c.hairlineStrong
    }
}
