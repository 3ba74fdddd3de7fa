import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// The setup editor's content, 660 × 640: header with name, phrases and icon; the
// items with the add row; the system state; the run options; Cancel and Save.
Rectangle {
    id: panel
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var model
    implicitWidth: 660
    implicitHeight: 640
    color: c.canvas

    component Hairline: Rectangle {
        width: parent ? parent.width : 0
        height: 1
        color: panel.c.hairline
    }
    component Caption: Text {
        font: DS.text.caption
        color: panel.c.inkTertiary
        wrapMode: Text.WordWrap
        leftPadding: 23
    }

    Column {
        id: header
        objectName: "header"
        x: 20
        y: 20
        width: panel.width - 40
        spacing: 12
        Text {
            objectName: "title"
            text: panel.model.isNew ? "New setup" : "Edit setup"
            font: DS.text.display
            color: panel.c.ink
        }
        Column {
            width: parent.width
            spacing: 4
            DSSectionHeader {
                title: "Say this to run it"
            }
            Row {
                spacing: 8
                SheetField {
                    id: nameField
                    objectName: "name"
                    width: 280
                    font: DS.font(14, 400)
                    placeholderText: "Name — you'll say this word"
                    text: panel.model.name
                    onTextEdited: panel.model.setName(text)
                    onAccepted: panel.model.save()
                }
                PhraseChip {
                    objectName: "nameChip"
                    anchors.verticalCenter: parent.verticalCenter
                    visible: panel.model.nameChip.length > 0
                    phrase: panel.model.nameChip
                    prominent: true
                }
            }
            Row {
                spacing: 8
                SheetField {
                    id: phrasesField
                    objectName: "phrases"
                    width: 400
                    font: DS.text.callout
                    placeholderText: "Also answers to — your own words, comma-separated"
                    onTextEdited: panel.model.setPhrasesText(text)
                    // Read back only while the user isn't typing, or a fresh comma vanishes;
                    // focus keeps the text as shown, not the empty one from before the binding.
                    Binding on text {
                        when: !phrasesField.activeFocus
                        value: panel.model.phrasesText
                        restoreMode: Binding.RestoreNone
                    }
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "e.g. “grind time, focus mode”"
                    font: DS.text.caption
                    color: panel.c.inkTertiary
                }
            }
            SetupIconPicker {
                objectName: "iconPicker"
                topPadding: 4
                width: parent.width
                icons: panel.model.icons
                selected: panel.model.icon
                onChosen: symbol => panel.model.chooseIcon(symbol)
            }
        }
    }
    Hairline {
        id: topRule
        y: header.y + header.height + 20
    }
    Flickable {
        id: scroller
        objectName: "scroller"
        y: topRule.y + 1
        width: panel.width
        height: bottomRule.y - y
        contentWidth: width
        contentHeight: body.height + 40
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {
            policy: ScrollBar.AsNeeded
        }
        Column {
            id: body
            x: 20
            y: 20
            width: scroller.width - 40
            spacing: 20

            Rectangle {
                objectName: "preview"
                visible: panel.model.hasFrames
                width: parent.width
                height: 84 + 16
                radius: 10
                color: Qt.rgba(panel.c.well.r, panel.c.well.g, panel.c.well.b, 0.6)
                SetupThumbnail {
                    objectName: "thumbnail"
                    anchors.centerIn: parent
                    width: Math.min(implicitWidth, parent.width)
                    height: 84
                    screenHeight: 84
                    items: panel.model.thumbnail
                    screens: panel.model.screens
                    palette: panel.c
                }
            }
            Column {
                width: parent.width
                spacing: 8
                DSSectionHeader {
                    title: "Opens"
                }
                Text {
                    objectName: "emptyItems"
                    visible: panel.model.items.length === 0
                    text: "Nothing yet — add an app or a website below."
                    font: DS.text.callout
                    color: panel.c.inkSecondary
                }
                Repeater {
                    model: panel.model.items
                    EditorItemRow {
                        required property var modelData
                        objectName: "itemRow"
                        width: body.width
                        item: modelData
                        browsers: panel.model.browsers
                        presets: panel.model.presets
                        refused: panel.model.refusedIds.indexOf(modelData.id) >= 0
                        onUrlEdited: text => panel.model.setItemURL(modelData.id, text)
                        onBrowserPicked: id => panel.model.setItemBrowser(modelData.id, id)
                        onPresetPicked: label => panel.model.choosePreset(modelData.id, label)
                        onDisplayPicked: display => panel.model.chooseDisplay(modelData.id, display)
                        onDeleteClicked: panel.model.removeItem(modelData.id)
                    }
                }
            }
            Row {
                id: addRow
                spacing: 8
                DSPicker {
                    objectName: "addApp"
                    width: 120
                    displayText: "Add app"
                    options: panel.model.appNames.map((n, i) => ({value: i, label: n}))
                    selection: -1
                    onPicked: value => panel.model.addApp(value)
                }
                SheetField {
                    objectName: "newURL"
                    width: body.width - 120 - 110 - addSite.width - addProject.width - 4 * 8
                    font: DS.text.callout
                    placeholderText: "https://…"
                    text: panel.model.newURL
                    onTextEdited: panel.model.newURL = text
                }
                DSPicker {
                    objectName: "newURLBrowser"
                    width: 110
                    anchors.verticalCenter: parent.verticalCenter
                    options: panel.model.browsers
                    selection: panel.model.newURLBrowser
                    onPicked: value => panel.model.newURLBrowser = value
                }
                DSSecondaryButton {
                    id: addSite
                    objectName: "addSite"
                    text: "Add site"
                    enabled: panel.model.canAddSite
                    opacity: enabled ? 1 : 0.45
                    onClicked: panel.model.addSite()
                }
                DSSecondaryButton {
                    id: addProject
                    objectName: "addProject"
                    text: "Add project…"
                    onClicked: panel.model.addProject()
                }
            }
            Hairline {}
            SystemStateEditor {
                objectName: "systemState"
                width: parent.width
                system: panel.model.system
            }
            Hairline {}
            Column {
                width: parent.width
                spacing: 4
                DSCheckbox {
                    objectName: "endQuits"
                    text: panel.model.endLabel
                    font: DS.text.callout
                    checked: panel.model.endQuitsApps
                    onClicked: {
                        panel.model.endQuitsApps = checked
                        checked = Qt.binding(() => panel.model.endQuitsApps)
                    }
                }
                Caption {
                    width: parent.width
                    text: "Browser windows just close — the browser itself stays open."
                }
            }
            Column {
                width: parent.width
                spacing: 4
                DSCheckbox {
                    objectName: "closeOthers"
                    text: "Close everything else first when this runs"
                    font: DS.text.callout
                    checked: panel.model.closeOthers
                    onClicked: {
                        panel.model.closeOthers = checked
                        checked = Qt.binding(() => panel.model.closeOthers)
                    }
                }
                Caption {
                    width: parent.width
                    text: "Every app that isn't part of this setup is asked to quit — asked politely, never forced, so anything with unsaved work will check with you first. Browsers and Files are always left alone."
                }
            }
            Column {
                objectName: "allDisplays"
                visible: panel.model.allDisplaysLabel.length > 0
                width: parent.width
                spacing: 4
                DSCheckbox {
                    objectName: "allDisplaysBox"
                    text: panel.model.allDisplaysLabel
                    font: DS.text.callout
                    checked: panel.model.requiresAllDisplays
                    onClicked: {
                        panel.model.requiresAllDisplays = checked
                        checked = Qt.binding(() => panel.model.requiresAllDisplays)
                    }
                }
                Caption {
                    width: parent.width
                    text: "On by choice for a setup that only makes sense on every screen — Brisklet refuses rather than collapsing it. Left off, windows from a missing display are placed on your main screen and the receipt says so."
                }
            }
        }
    }
    // The footer is padded 16 on every side, so its buttons keep clear of the rule.
    Hairline {
        id: bottomRule
        objectName: "bottomRule"
        y: footer.y - 16 - 1
    }
    Row {
        id: footer
        objectName: "footer"
        x: 16
        y: panel.height - height - 16
        width: panel.width - 32
        spacing: 8
        Text {
            objectName: "problem"
            width: footer.width - cancel.width - primary.width - 16
            anchors.verticalCenter: parent.verticalCenter
            text: panel.model.statusLine
            font: DS.text.caption
            color: panel.c.emberText
            wrapMode: Text.WordWrap
            maximumLineCount: 3
            elide: Text.ElideRight
        }
        DSSecondaryButton {
            id: cancel
            objectName: "cancel"
            text: "Cancel"
            onClicked: panel.model.cancel()
        }
        DSPrimaryButton {
            id: primary
            objectName: "save"
            text: panel.model.isNew ? "Create Setup" : "Save"
            enabled: panel.model.canSave
            opacity: enabled ? 1 : 0.45
            onClicked: panel.model.save()
        }
    }
    Keys.onReturnPressed: panel.model.save()
    Keys.onEnterPressed: panel.model.save()
}
