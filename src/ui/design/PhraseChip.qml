import QtQuick
import Brisklet

// A phrase to say, between curly quotes, on one line in a capsule; the
// prominent chip is tinted amber.
Rectangle {
    id: chip
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string phrase
    property bool prominent: false
    // Whole pixels: a layout that rounds a fractional width down would cut the phrase.
    implicitWidth: Math.ceil(label.implicitWidth) + 16
    implicitHeight: label.implicitHeight + 6
    radius: height / 2
    color: prominent ? c.emberWash : c.well

    Text {
        id: label
        objectName: "label"
        x: 8
        anchors.verticalCenter: parent.verticalCenter
        width: chip.width - 16
        text: DS.quoted(chip.phrase)
        font: DS.text.phrase
        color: chip.prominent ? chip.c.emberText : chip.c.inkSecondary
        maximumLineCount: 1
        wrapMode: Text.NoWrap
        elide: Text.ElideRight
    }
}
