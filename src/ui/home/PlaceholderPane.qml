import QtQuick
import Brisklet

// A pane still to come: its title and one line saying so.
Column {
    id: pane
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string title
    spacing: 8
    PaneTitle {
        text: pane.title
    }
    Text {
        objectName: "placeholder"
        width: pane.width
        text: "This part of Brisklet is on its way."
        font: DS.text.body
        color: pane.c.inkSecondary
        wrapMode: Text.Wrap
    }
}
