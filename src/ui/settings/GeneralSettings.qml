import QtQuick
import Brisklet

// Brisklet's own look, launch at login, and the sound played when listening starts.
SettingsSection {
    id: section
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var services
    readonly property alias model: general
    title: "General"
    rowSpacing: 16

    GeneralSettingsModel {
        id: general
        services: section.services
    }

    Column {
        width: parent.width
        spacing: 8
        Row {
            spacing: 12
            Text {
                objectName: "lookLabel"
                anchors.verticalCenter: parent.verticalCenter
                text: "Brisklet's look"
                font: DS.text.body
                color: section.c.ink
            }
            DSSegmented {
                objectName: "appearance"
                options: general.appearanceOptions
                selection: general.appearance
                onActivated: value => general.chooseAppearance(value)
            }
        }
        Text {
            objectName: "lookHint"
            width: parent.width
            text: "Only changes how Brisklet's own windows look — it never touches the rest of your computer."
            font: DS.text.caption
            color: section.c.inkTertiary
            wrapMode: Text.Wrap
        }
    }
    SettingsDivider {}
    DSCheckbox {
        objectName: "loginToggle"
        text: "Start Brisklet when I log in"
        font: DS.text.body
        checked: general.launchAtLogin
        onToggled: {
            general.setLaunchAtLoginByUser(checked)
            // The desktop's answer wins over the click.
            checked = Qt.binding(() => general.launchAtLogin)
        }
    }
    FailureLine {
        objectName: "loginFailure"
        visible: text !== ""
        width: parent.width
        text: general.loginFailure
    }
    SettingsDivider {}
    DSCheckbox {
        objectName: "soundsToggle"
        text: "Play a small sound when Brisklet starts listening"
        font: DS.text.body
        checked: general.sounds
        onToggled: general.setSoundsByUser(checked)
    }
    Row {
        objectName: "soundRow"
        visible: general.sounds
        height: visible ? implicitHeight : 0
        spacing: 12
        DSSegmented {
            objectName: "wakeSound"
            anchors.verticalCenter: parent.verticalCenter
            options: general.soundOptions
            selection: general.wakeSound
            onActivated: value => general.chooseWakeSound(value)
        }
        DSSlider {
            objectName: "volume"
            anchors.verticalCenter: parent.verticalCenter
            width: 140
            from: 0
            to: 1
            value: general.soundVolume
            onMoved: general.moveVolume(value)
            onPressedChanged: if (!pressed) general.releaseVolume()
        }
    }
}
