import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// A text-only action in the secondary ink; it dims while pressed.
AbstractButton {
    id: button
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    font: DS.text.bodyMedium
    padding: 0
    opacity: pressed ? 0.6 : 1
    contentItem: Text {
        objectName: "label"
        text: button.text
        font: button.font
        color: button.c.inkSecondary
        verticalAlignment: Text.AlignVCenter
    }
}
