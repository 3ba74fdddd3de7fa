import QtQuick
import Brisklet

// A figure with its label and an optional detail line, on a card. A detail of ""
// still takes its line; leave it undefined for none.
DSCard {
    id: tile
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string value
    property string label
    property var detail
    padding: 16
    spacing: 4

    NumeralText {
        objectName: "value"
        text: tile.value
        font: DS.text.numeral
        color: tile.c.ink
    }
    Text {
        objectName: "label"
        text: tile.label
        font: DS.text.caption
        color: tile.c.inkSecondary
    }
    Text {
        objectName: "detail"
        visible: tile.detail !== undefined && tile.detail !== null
        text: visible ? String(tile.detail) : ""
        // An empty detail still takes its place, spacing included.
        height: Math.max(implicitHeight, 1)
        width: Math.max(implicitWidth, 1)
        font: DS.text.caption
        color: tile.c.inkTertiary
    }
}
