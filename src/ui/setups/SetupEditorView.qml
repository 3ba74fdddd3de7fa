import QtQuick
import QtQuick.Controls.Basic
import QtQuick.Templates as T
import Brisklet

// The setup editor as a sheet over its window: open while its model is.
Popup {
    id: sheet
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var editor
    // Room kept free at the window's top (its menu bar): the sheet sits below it,
    // as tall as fits there.
    property real reservedTop: 0
    readonly property var model: editor && editor.model ? editor.model : null
    parent: T.Overlay.overlay
    x: parent ? Math.round((parent.width - width) / 2) : 0
    y: parent ? reservedTop + Math.max(0, Math.round((parent.height - reservedTop - height) / 2)) : reservedTop
    width: 660
    height: parent ? Math.min(640, parent.height - reservedTop) : 640
    padding: 0
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    // Follows the model; a binding on `visible` would break the first time the
    // sheet closes itself (Escape).
    function follow() {
        if (sheet.model && sheet.model.isOpen)
            sheet.open()
        else
            sheet.close()
    }
    onModelChanged: follow()
    Component.onCompleted: follow()
    Connections {
        target: sheet.model
        function onOpenChanged() {
            sheet.follow()
        }
    }
    onClosed: {
        if (sheet.model && sheet.model.isOpen)
            sheet.model.cancel()
    }

    // The shade leaves the reserved top as it is.
    T.Overlay.modal: Item {
        Rectangle {
            y: sheet.reservedTop
            width: parent.width
            height: parent.height - y
            color: Qt.rgba(0, 0, 0, 0.25)
        }
    }
    background: Rectangle {
        radius: 12
        color: sheet.c.canvas
        border.width: 1
        border.color: sheet.c.hairlineStrong
    }
    // The panel exists only while the sheet shows: a window without an open editor
    // holds no bindings to a model that goes away at quit. A reopened Loader builds
    // the panel again by itself from the kept source and model, reading the draft of
    // that opening; it is set here only when there is none yet for this model.
    contentItem: Loader {
        active: !!sheet.model && sheet.visible
        onActiveChanged: load()
        Component.onCompleted: load()
        function load() {
            if (active && (!item || item.model !== sheet.model))
                setSource("SetupEditorPanel.qml", {model: sheet.model, radius: 12})
        }
    }
}
