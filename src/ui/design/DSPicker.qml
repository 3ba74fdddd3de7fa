import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// A small pop-up picker over options ({value, label}); shows the option whose value
// equals `selection` and reports the one the user picks.
ComboBox {
    id: picker
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var options: []
    property var selection
    signal picked(var value)

    model: options
    textRole: "label"
    valueRole: "value"
    currentIndex: {
        for (let i = 0; i < options.length; ++i) {
            if (String(options[i].value) === String(selection))
                return i
        }
        return -1
    }
    onActivated: index => picker.picked(options[index].value)
    font: DS.font(12, 400)
    implicitWidth: Math.max(80, contentItem.implicitWidth + 30)
    implicitHeight: 24

    contentItem: Text {
        leftPadding: 8
        rightPadding: 22
        text: picker.displayText
        font: picker.font
        color: picker.c.ink
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
    }
    indicator: DSIcon {
        x: picker.width - width - 6
        anchors.verticalCenter: parent.verticalCenter
        name: "chevron.down"
        size: 11
        color: picker.c.inkSecondary
    }
    background: Rectangle {
        radius: 6
        color: picker.c.surface
        border.width: 1
        border.color: picker.c.hairlineStrong
    }
    // The list is as wide as its longest entry, within the window; past that it elides.
    FontMetrics {
        id: metrics
        font: picker.font
    }
    readonly property real widestOption: {
        let widest = 0
        for (let i = 0; i < options.length; ++i)
            widest = Math.max(widest, metrics.advanceWidth(String(options[i].label)))
        return Math.ceil(widest)
    }
    popup.width: {
        const wanted = Math.max(picker.width, 140, widestOption + 2 * 10 + 2)
        const room = Window.width > 0 ? Window.width - 16 : wanted
        return Math.max(picker.width, Math.min(wanted, room))
    }
    delegate: ItemDelegate {
        required property var modelData
        required property int index
        width: picker.popup.width - 2
        leftPadding: 10
        rightPadding: 10
        highlighted: picker.highlightedIndex === index
        contentItem: Text {
            objectName: "optionLabel"
            text: modelData.label
            font: picker.font
            color: picker.c.ink
            elide: Text.ElideRight
        }
        background: Rectangle {
            color: highlighted ? picker.c.well : picker.c.surface
        }
    }
}
