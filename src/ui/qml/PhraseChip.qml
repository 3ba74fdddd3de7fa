import QtQuick
import Brisklet

// A phrase to say, between curly quotes, on one line in a capsule; the
// prominent chip is tinted amber.
Rectangle {
    id: chip
    property string phrase
    property bool prominent: false
    implicitWidth: label.implicitWidth + 16
    implicitHeight: label.implicitHeight + 6
    radius: height / 2
    color: prominent ? Theme.c.emberWash : Theme.c.well

    Text {
        id: label
        objectName: "label"
        x: 8
        anchors.verticalCenter: parent.verticalCenter
        width: chip.width - 16
        text: DS.quoted(chip.phrase)
        font: DS.text.phrase
        color: chip.prominent ? chip.Theme.c.emberText : chip.Theme.c.inkSecondary
        maximumLineCount: 1
        wrapMode: Text.NoWrap
        elide: Text.ElideRight
    }
}
