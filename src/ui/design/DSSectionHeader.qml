import QtQuick
import Brisklet

// A section's title in spaced capitals.
Text {
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string title
    text: DS.upper(title)
    font: DS.tracked(DS.text.overline, 0.8)
    color: c.inkTertiary
}
