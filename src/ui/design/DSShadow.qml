import QtQuick
import Brisklet

// A soft shadow behind a rounded shape, drawn as rings of falling alpha (no
// shader effects, so it renders offscreen too). Fill the shape's bounds with it.
Item {
    id: shadow
    property real radius: 18
    property real offsetY: 6
    property real strength: 0.28
    property real cornerRadius: 14
    readonly property int rings: 12

    Repeater {
        model: shadow.rings
        Rectangle {
            required property int index
            readonly property real spread: shadow.radius * (index + 1) / shadow.rings
            x: -spread / 2
            y: shadow.offsetY - spread / 2
            width: shadow.width + spread
            height: shadow.height + spread
            radius: shadow.cornerRadius + spread / 2
            color: Qt.rgba(0, 0, 0, shadow.strength / shadow.rings)
        }
    }
}
