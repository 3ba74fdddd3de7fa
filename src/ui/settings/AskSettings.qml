import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// Ask on or off, which route answers it, and under "Advanced" the personal key,
// which goes straight from the masked field to the keyring.
SettingsSection {
    id: section
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var services
    readonly property alias model: ask
    property bool advancedOpen: false
    title: "Ask"
    rowSpacing: 12

    AskSettingsModel {
        id: ask
        services: section.services
    }

    Text {
        objectName: "askTitle"
        text: "Free-form commands"
        font: DS.text.headline
        color: section.c.ink
    }
    Text {
        objectName: "askIntro"
        width: parent.width
        text: "When you say something Brisklet doesn't recognize, Ask figures out what you meant — “put Firefox on the left and Notes on the right” just works. Nothing to set up."
        font: DS.text.callout
        color: section.c.inkSecondary
        wrapMode: Text.Wrap
    }
    DSCheckbox {
        objectName: "askToggle"
        text: "Let Ask handle phrases Brisklet doesn't recognize"
        font: DS.text.body
        checked: ask.askEnabled
        onToggled: ask.setAskEnabledByUser(checked)
    }
    Row {
        objectName: "routeLabel"
        visible: ask.route !== "none"
        height: visible ? implicitHeight : 0
        spacing: 5
        DSIcon {
            anchors.verticalCenter: parent.verticalCenter
            name: "checkmark.seal.fill"
            size: 13
            color: section.c.success
        }
        Text {
            objectName: "routeText"
            text: ask.route === "personal" ? "Using your personal Anthropic key (Advanced)."
                                           : "Ask is on — the bundled service handles it. Nothing to set up."
            font: DS.text.caption
            color: section.c.success
        }
    }
    Text {
        objectName: "routeNone"
        visible: ask.route === "none"
        height: visible ? implicitHeight : 0
        width: parent.width
        text: "The bundled Ask service arrives with the backend — nothing for you to set up. Until then, power users can use a personal key under Advanced."
        font: DS.text.caption
        color: section.c.inkTertiary
        wrapMode: Text.Wrap
    }
    Text {
        objectName: "privacy"
        text: "Only the single phrase you speak is ever sent — nothing else leaves your computer."
        font: DS.text.caption
        color: section.c.inkTertiary
    }
    AbstractButton {
        id: disclosure
        objectName: "advanced"
        padding: 0
        onClicked: section.advancedOpen = !section.advancedOpen
        contentItem: Row {
            spacing: 4
            DSIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: section.advancedOpen ? "chevron.down" : "chevron.right"
                size: 13
                color: section.c.inkTertiary
            }
            Text {
                objectName: "label"
                text: "Advanced"
                font: DS.text.captionMedium
                color: section.c.inkTertiary
            }
        }
    }
    Loader {
        objectName: "advancedContent"
        width: parent.width
        active: section.advancedOpen
        visible: active
        height: active ? implicitHeight : 0
        sourceComponent: ask.hasEnvKey ? envKey : keyForm
    }

    Component {
        id: envKey
        Row {
            topPadding: 8
            spacing: 5
            DSIcon {
                anchors.verticalCenter: parent.verticalCenter
                name: "checkmark.seal.fill"
                size: 13
                color: section.c.success
            }
            Text {
                objectName: "envKeyText"
                text: "Using ANTHROPIC_API_KEY from the environment."
                font: DS.text.caption
                color: section.c.success
            }
        }
    }
    Component {
        id: keyForm
        Column {
            topPadding: 8
            spacing: 8
            TextField {
                id: keyField
                objectName: "keyField"
                width: parent.width
                echoMode: TextInput.Password
                font: DS.text.callout
                color: section.c.ink
                placeholderText: ask.hasStoredKey ? "•••••••• (stored in keyring)" : "Personal Anthropic API key (optional)"
                placeholderTextColor: section.c.inkTertiary
                selectionColor: section.c.emberWash
                background: Rectangle {
                    radius: 6
                    color: section.c.surface
                    border.width: 1
                    border.color: keyField.activeFocus ? section.c.ember : section.c.hairlineStrong
                }
            }
            Item {
                width: parent.width
                implicitHeight: buttons.implicitHeight
                Row {
                    id: buttons
                    spacing: 8
                    DSSecondaryButton {
                        objectName: "save"
                        anchors.verticalCenter: parent.verticalCenter
                        text: "Save"
                        enabled: ask.canSave(keyField.text)
                        opacity: enabled ? 1 : 0.45
                        onClicked: if (ask.save(keyField.text)) keyField.text = ""
                    }
                    DSPlainButton {
                        objectName: "remove"
                        anchors.verticalCenter: parent.verticalCenter
                        visible: ask.hasStoredKey
                        text: "Remove"
                        onClicked: ask.remove()
                    }
                }
                Text {
                    objectName: "keyStatus"
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    visible: ask.keyStatus.length > 0
                    text: ask.keyStatus
                    font: DS.text.caption
                    color: section.c.inkTertiary
                }
            }
            Text {
                objectName: "keyNote"
                width: parent.width
                text: "Your own key overrides the Brisklet service. Stored only in your keyring — never on disk, never sent anywhere but Anthropic."
                font: DS.text.caption
                color: section.c.inkTertiary
                wrapMode: Text.Wrap
            }
        }
    }
}
