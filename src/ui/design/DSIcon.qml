import QtQuick
import Brisklet

// A symbol by its stored name, drawn from the icon font, centred in a square.
Text {
    id: icon
    property string name
    property real size: 16
    width: size
    height: size
    text: DS.symbol(name)
    font.family: DS.symbolFamily
    font.pixelSize: size
    horizontalAlignment: Text.AlignHCenter
    verticalAlignment: Text.AlignVCenter
}
