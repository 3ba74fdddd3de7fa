import QtQuick
import Brisklet

// The hairline between the rows of a settings card.
Rectangle {
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    width: parent ? parent.width : 0
    height: 1
    color: c.hairline
}
