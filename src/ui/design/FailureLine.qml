import QtQuick
import Brisklet

// What couldn't be done, said in a line where it was tried.
Row {
    id: line
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string text
    // The width the line takes on one row, for a line centred under what it is about.
    readonly property real naturalWidth: message.implicitWidth + 20
    spacing: 8
    // On the message's first baseline.
    DSIcon {
        y: message.baselineOffset - baselineOffset
        name: "info.circle"
        size: 12
        color: line.c.systemOrange
    }
    Text {
        id: message
        objectName: "message"
        width: line.width - 20
        text: line.text
        font: DS.text.caption
        color: line.c.inkSecondary
        wrapMode: Text.Wrap
    }
}
