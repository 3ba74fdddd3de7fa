import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// A slider with an ember track and a surface knob.
Slider {
    id: slider
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    padding: 0
    implicitHeight: 20
    background: Rectangle {
        x: slider.leftPadding
        y: slider.topPadding + (slider.availableHeight - height) / 2
        width: slider.availableWidth
        height: 4
        radius: 2
        color: slider.c.well
        border.width: 1
        border.color: slider.c.hairline
        Rectangle {
            objectName: "filled"
            width: slider.visualPosition * parent.width
            height: parent.height
            radius: 2
            color: slider.c.ember
        }
    }
    handle: Rectangle {
        objectName: "knob"
        x: slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
        y: slider.topPadding + (slider.availableHeight - height) / 2
        width: 16
        height: 16
        radius: 8
        color: slider.c.surface
        border.width: 1
        border.color: slider.c.hairlineStrong
    }
}
