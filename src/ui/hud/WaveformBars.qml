import QtQuick
import QtQuick.Shapes
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
        // The hardware path draws paths unsmoothed, the ends of the capsules as steps:
        // the bars are drawn there through a layer of their own with multisampling.
        // The software renderer smooths them itself and needs no layer.
        layer.enabled: GraphicsInfo.api !== GraphicsInfo.Software
        layer.samples: 4
        Repeater {
            objectName: "bars"
            model: meter.bars.length
            // A path rather than a rounded Rectangle: the software renderer draws a
            // Rectangle with a gradient square-cornered, so the resting dots came
            // out as blocks.
            Shape {
                id: bar
                required property int index
                readonly property real r: Math.min(width, height) / 2
                anchors.verticalCenter: parent.verticalCenter
                width: 3.5
                height: Math.max(meter.maxHeight * (meter.bars[index] || 0), 3)
                antialiasing: true
                ShapePath {
                    strokeColor: "transparent"
                    fillGradient: LinearGradient {
                        x1: 0; y1: 0; x2: 0; y2: bar.height
                        GradientStop { position: 0; color: meter.c.briskletAmber }
                        GradientStop {
                            position: 1
                            color: Qt.rgba(meter.c.briskletAmber.r, meter.c.briskletAmber.g,
                                           meter.c.briskletAmber.b, 0.55)
                        }
                    }
                    startX: bar.r; startY: 0
                    PathLine { x: bar.width - bar.r; y: 0 }
                    PathArc { x: bar.width; y: bar.r; radiusX: bar.r; radiusY: bar.r }
                    PathLine { x: bar.width; y: bar.height - bar.r }
                    PathArc { x: bar.width - bar.r; y: bar.height; radiusX: bar.r; radiusY: bar.r }
                    PathLine { x: bar.r; y: bar.height }
                    PathArc { x: 0; y: bar.height - bar.r; radiusX: bar.r; radiusY: bar.r }
                    PathLine { x: 0; y: bar.r }
                    PathArc { x: bar.r; y: 0; radiusX: bar.r; radiusY: bar.r }
                }
                Behavior on height {
                    NumberAnimation { duration: DS.motion.waveSpringDuration; easing: DS.motion.waveSpring }
                }
            }
        }
    }
}
