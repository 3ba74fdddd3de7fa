import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// A question's answer on the heads-up display: amber with black text when
// prominent, a faint white capsule otherwise.
AbstractButton {
    id: button
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property bool prominent: false
    font: DS.font(11.5, 600, "rounded")
    leftPadding: 12
    rightPadding: 12
    topPadding: 5
    bottomPadding: 5
    opacity: pressed ? 0.7 : 1
    contentItem: Text {
        text: button.text
        font: button.font
        color: button.prominent ? "black" : Qt.rgba(1, 1, 1, 0.85)
        horizontalAlignment: Text.AlignHCenter
        verticalAlignment: Text.AlignVCenter
    }
    background: Rectangle {
        radius: height / 2
        color: button.prominent ? button.c.briskletAmber : Qt.rgba(1, 1, 1, 0.14)
    }
}
