import QtQuick
import Brisklet

// A figure whose digits each sit in a cell as wide as the widest digit, so
// figures keep their width as they change; other characters keep their own.
Row {
    id: numeral
    property string text
    property font font: DS.text.numeral
    property color color: "black"
    readonly property real cell: DS.digitCell(font)

    Repeater {
        model: numeral.text.split("")
        Text {
            required property string modelData
            readonly property bool digit: modelData >= "0" && modelData <= "9"
            objectName: digit ? "digit" : "other"
            text: modelData
            font: numeral.font
            color: numeral.color
            width: digit ? numeral.cell : implicitWidth
            horizontalAlignment: Text.AlignHCenter
        }
    }
}
