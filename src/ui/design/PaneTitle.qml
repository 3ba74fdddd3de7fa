import QtQuick
import Brisklet

// The title line that opens every pane of the home window.
Text {
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    font: DS.text.display
    color: c.ink
}
