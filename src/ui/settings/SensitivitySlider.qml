import QtQuick
import Brisklet

// The clap sensitivity, shown from 4 (a raised hand: less sensitive) to 10 (claps:
// more). The stored value runs the other way; the slider writes it on every move.
Row {
    id: control
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property alias value: slider.value
    property alias slider: slider
    // The shown value moved by the user.
    signal moved(real shown)
    spacing: 6
    Accessible.name: "Sensitivity"

    DSIcon {
        anchors.verticalCenter: parent.verticalCenter
        name: "hand.raised"
        size: 13
        color: control.c.inkTertiary
    }
    DSSlider {
        id: slider
        objectName: "sensitivity"
        anchors.verticalCenter: parent.verticalCenter
        width: Math.max(40, control.width - 2 * (13 + control.spacing))
        from: 4
        to: 10
        stepSize: 0
        onMoved: control.moved(value)
    }
    DSIcon {
        anchors.verticalCenter: parent.verticalCenter
        name: "hands.clap"
        size: 13
        color: control.c.inkTertiary
    }
}
