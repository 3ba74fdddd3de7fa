import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// A rounded text field in the design's colours.
TextField {
    id: input
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    font: DS.text.body
    color: c.ink
    placeholderTextColor: c.inkTertiary
    selectionColor: c.emberWash
    selectedTextColor: c.ink
    leftPadding: 10
    rightPadding: 10
    topPadding: 6
    bottomPadding: 6
    background: Rectangle {
        radius: 6
        color: input.c.surface
        border.width: 1
        border.color: input.activeFocus ? input.c.ember : input.c.hairlineStrong
    }
}
