import QtQuick
import QtQuick.Layouts
import Brisklet

// Phrase chips ({phrase, prominent}) in a row that keeps to the width it is given:
// when they don't all fit, each gives up room down to a short stub and elides its
// phrase, so they never run under the buttons beside them or past their card.
RowLayout {
    id: chips
    property var chips: []
    spacing: 4

    Repeater {
        model: chips.chips
        PhraseChip {
            required property var modelData
            phrase: modelData.phrase
            prominent: modelData.prominent === true
            Layout.fillWidth: true
            Layout.maximumWidth: implicitWidth
            Layout.minimumWidth: Math.min(implicitWidth, 48)
        }
    }
    // Room the chips don't need stays at the end.
    Item {
        Layout.fillWidth: true
        Layout.preferredWidth: 0
    }
}
