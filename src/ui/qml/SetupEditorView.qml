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
    readonly property var model: editor ? editor.model : null
    parent: T.Overlay.overlay
    anchors.centerIn: parent
    width: 660
    height: 640
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

    T.Overlay.modal: Rectangle {
        color: Qt.rgba(0, 0, 0, 0.25)
    }
    background: Rectangle {
        radius: 12
        color: sheet.c.canvas
        border.width: 1
        border.color: sheet.c.hairlineStrong
    }
    contentItem: Loader {
        active: sheet.model !== null
        sourceComponent: SetupEditorPanel {
            model: sheet.model
            radius: 12
        }
    }
}
