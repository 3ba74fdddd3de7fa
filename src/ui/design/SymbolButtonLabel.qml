import QtQuick
import Brisklet

// A button's label with a symbol before its text, in the button's font and colour.
Row {
    id: label
    property string symbol
    property string text
    property font font
    property color color
    spacing: 6

    DSIcon {
        anchors.verticalCenter: parent.verticalCenter
        name: label.symbol
        size: label.font.pixelSize > 0 ? label.font.pixelSize : 13
        color: label.color
    }
    Text {
        objectName: "label"
        anchors.verticalCenter: parent.verticalCenter
        text: label.text
        font: label.font
        color: label.color
    }
}
