import QtQuick
import Brisklet

// How the user summons Brisklet: the wake key, the style it teaches, and clap
// wake with its sensitivity and a live meter. Every change counts at once.
SettingsSection {
    id: section
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var services
    readonly property alias model: wake
    title: "Wake"
    rowSpacing: 16

    WakeSettingsModel {
        id: wake
        services: section.services
    }

    Column {
        width: parent.width
        spacing: 8
        Row {
            spacing: 12
            Text {
                objectName: "keyLabel"
                anchors.verticalCenter: parent.verticalCenter
                text: "Wake key"
                font: DS.text.body
                color: section.c.ink
            }
            DSPopUp {
                id: keyPicker
                objectName: "keyPicker"
                width: 200
                model: wake.keyOptions
                currentIndex: wake.keyIndex
                onActivated: index => wake.chooseKey(wake.keyOptions[index].value)
            }
        }
        Text {
            objectName: "keyHint"
            width: parent.width
            text: "Hold it to talk, or tap it once to talk hands-free — both always work. Brisklet consumes this key so it never reaches other apps; F13–F16 do nothing by default, ideal dedicated keys."
            font: DS.text.caption
            color: section.c.inkTertiary
            wrapMode: Text.Wrap
        }
    }
    SettingsDivider {}
    Column {
        width: parent.width
        spacing: 8
        Row {
            spacing: 12
            Text {
                anchors.verticalCenter: parent.verticalCenter
                text: "My style"
                font: DS.text.body
                color: section.c.ink
            }
            DSSegmented {
                objectName: "style"
                options: wake.styleOptions
                selection: wake.style
                onActivated: value => wake.chooseStyle(value)
            }
        }
        Text {
            objectName: "styleHint"
            width: parent.width
            text: wake.styleHint
            font: DS.text.caption
            color: section.c.inkSecondary
            wrapMode: Text.Wrap
        }
    }
    SettingsDivider {}
    DSCheckbox {
        objectName: "clapToggle"
        text: "Wake with a double clap too"
        font: DS.text.body
        checked: wake.clapWake
        onToggled: wake.setClapWakeByUser(checked)
    }
    Loader {
        objectName: "clapBlock"
        width: parent.width
        sourceComponent: wake.clapWake ? clapOn : clapOff
    }

    Component {
        id: clapOn
        Column {
            objectName: "clapOn"
            spacing: 8
            Row {
                spacing: 12
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Sensitivity"
                    font: DS.text.body
                    color: section.c.ink
                }
                SensitivitySlider {
                    objectName: "sensitivitySlider"
                    anchors.verticalCenter: parent.verticalCenter
                    width: 240
                    Component.onCompleted: value = wake.sensitivityStart()
                    onMoved: shown => wake.moveSensitivity(shown)
                }
            }
            Row {
                spacing: 12
                Text {
                    objectName: "liveInput"
                    anchors.verticalCenter: parent.verticalCenter
                    text: "Live input"
                    font: DS.text.caption
                    color: section.c.inkSecondary
                }
                LevelBar {
                    objectName: "levelBar"
                    anchors.verticalCenter: parent.verticalCenter
                    width: 240
                    height: 6
                    level: wake.level
                }
            }
            Text {
                objectName: "clapHint"
                text: "Two sharp, distinct claps. Ordinary talking won't wake it."
                font: DS.text.caption
                color: section.c.inkTertiary
            }
        }
    }
    Component {
        id: clapOff
        Text {
            objectName: "clapOff"
            text: "A party trick that works from across the room."
            font: DS.text.caption
            color: section.c.inkTertiary
        }
    }
}
