import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// A row of segments, one per option ({value, label}); the one whose value equals
// `selection` (compared as text) is raised. Pressing a segment only reports it:
// the owner's binding of `selection` decides, and writing it here would cut that
// binding, so a later value of the owner would no longer show.
Rectangle {
    id: control
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var options: []
    property var selection
    signal activated(var value)

    implicitWidth: row.implicitWidth + 4
    implicitHeight: row.implicitHeight + 4
    radius: 8
    color: c.well
    border.width: 1
    border.color: c.hairline

    Row {
        id: row
        x: 2
        y: 2
        spacing: 2
        Repeater {
            model: control.options
            AbstractButton {
                id: segment
                required property var modelData
                required property int index
                objectName: "segment" + index
                readonly property bool selected: control.selection !== undefined && control.selection !== null
                                                 && String(modelData.value) === String(control.selection)
                text: modelData.label
                font: DS.font(12, selected ? 500 : 400)
                leftPadding: 11
                rightPadding: 11
                topPadding: 4
                bottomPadding: 4
                contentItem: Text {
                    text: segment.text
                    font: segment.font
                    color: segment.selected ? control.c.ink : control.c.inkSecondary
                    horizontalAlignment: Text.AlignHCenter
                }
                background: Rectangle {
                    radius: 6
                    color: segment.selected ? control.c.surface : "transparent"
                    border.width: segment.selected ? 1 : 0
                    border.color: control.c.hairline
                    Behavior on color {
                        enabled: !DS.reduceMotion
                        ColorAnimation { duration: DS.motion.quick; easing: DS.motion.easeOut }
                    }
                }
                onClicked: control.activated(modelData.value)
            }
        }
    }
}
