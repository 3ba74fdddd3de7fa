import QtQuick
import Brisklet

// The level meter: one amber capsule per value, newest at the left, centred in
// the width it is given. Each bar springs to its height, Reduce Motion or not.
Item {
    id: meter
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var bars: []
    property real maxHeight: 22
    implicitHeight: maxHeight
    implicitWidth: row.implicitWidth

    Row {
        id: row
        anchors.centerIn: parent
        spacing: 3
        Repeater {
            objectName: "bars"
            model: meter.bars.length
            Rectangle {
                required property int index
                anchors.verticalCenter: parent.verticalCenter
                width: 3.5
                height: Math.max(meter.maxHeight * (meter.bars[index] || 0), 3)
                radius: 1.75
                gradient: Gradient {
                    GradientStop { position: 0; color: meter.c.briskletAmber }
                    GradientStop {
                        position: 1
                        color: Qt.rgba(meter.c.briskletAmber.r, meter.c.briskletAmber.g,
                                       meter.c.briskletAmber.b, 0.55)
                    }
                }
                Behavior on height {
                    NumberAnimation { duration: DS.motion.waveSpringDuration; easing: DS.motion.waveSpring }
                }
            }
        }
    }
}
