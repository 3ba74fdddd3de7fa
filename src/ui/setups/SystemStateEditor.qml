import QtQuick
import QtQuick.Controls.Basic
import Brisklet

// What else a setup changes when it runs. Every control writes at once.
Column {
    id: editor
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var system
    spacing: 12

    component ValueSlider: Slider {
        id: slider
        width: 140
        stepSize: 0
        background: Rectangle {
            x: slider.leftPadding
            y: slider.topPadding + slider.availableHeight / 2 - height / 2
            width: slider.availableWidth
            height: 4
            radius: 2
            color: editor.c.well
            Rectangle {
                width: slider.visualPosition * parent.width
                height: parent.height
                radius: 2
                color: editor.c.ember
            }
        }
        handle: Rectangle {
            x: slider.leftPadding + slider.visualPosition * (slider.availableWidth - width)
            y: slider.topPadding + slider.availableHeight / 2 - height / 2
            width: 14
            height: 14
            radius: 7
            color: editor.c.surface
            border.color: editor.c.hairlineStrong
        }
    }
    component Label: Text {
        font: DS.text.callout
        color: editor.c.ink
        anchors.verticalCenter: parent ? parent.verticalCenter : undefined
    }
    component Note: Text {
        font: DS.text.caption
        color: editor.c.inkTertiary
    }

    DSSectionHeader {
        title: "Every time this setup runs, also…"
    }
    Row {
        spacing: 8
        height: 24
        DSCheckbox {
            objectName: "volumeBox"
            anchors.verticalCenter: parent.verticalCenter
            text: "Set my computer's volume to"
            font: DS.text.callout
            checked: editor.system.volumeOn
            onClicked: {
                editor.system.setVolumeOn(checked)
                checked = Qt.binding(() => editor.system.volumeOn)
            }
        }
        ValueSlider {
            objectName: "volumeSlider"
            visible: editor.system.volumeOn
            anchors.verticalCenter: parent.verticalCenter
            from: 0
            to: 100
            value: editor.system.volume
            onMoved: editor.system.setVolume(value)
        }
        Text {
            objectName: "volumeValue"
            visible: editor.system.volumeOn
            width: 36
            anchors.verticalCenter: parent.verticalCenter
            text: editor.system.volume + "%"
            font: DS.text.callout
            color: editor.c.inkSecondary
        }
    }
    Column {
        spacing: 4
        Row {
            spacing: 8
            Label {
                text: "Switch my whole computer to"
            }
            DSSegmented {
                objectName: "appearance"
                options: editor.system.appearanceOptions
                selection: editor.system.appearance
                onActivated: value => editor.system.chooseAppearance(value)
            }
        }
        Note {
            objectName: "appearanceLine"
            visible: text.length > 0
            text: editor.system.appearanceLine
        }
    }
    Row {
        objectName: "musicRow"
        visible: editor.system.showMusic
        spacing: 8
        Label {
            text: "Music"
        }
        DSSegmented {
            objectName: "music"
            options: editor.system.musicOptions
            selection: editor.system.music
            onActivated: value => editor.system.chooseMusic(value)
        }
        DSPicker {
            objectName: "player"
            visible: editor.system.showPlayerPicker
            anchors.verticalCenter: parent.verticalCenter
            options: editor.system.players
            selection: editor.system.player
            onPicked: value => editor.system.choosePlayer(value)
        }
    }
    Column {
        spacing: 4
        Row {
            spacing: 8
            height: 24
            DSCheckbox {
                objectName: "brightnessBox"
                anchors.verticalCenter: parent.verticalCenter
                text: "Set my screen brightness to"
                font: DS.text.callout
                checked: editor.system.brightnessOn
                onClicked: {
                    editor.system.setBrightnessOn(checked)
                    checked = Qt.binding(() => editor.system.brightnessOn)
                }
            }
            ValueSlider {
                objectName: "brightnessSlider"
                visible: editor.system.brightnessOn
                anchors.verticalCenter: parent.verticalCenter
                from: 5
                to: 100
                value: editor.system.brightness
                onMoved: editor.system.setBrightness(value)
            }
            Text {
                visible: editor.system.brightnessOn
                width: 36
                anchors.verticalCenter: parent.verticalCenter
                text: editor.system.brightness + "%"
                font: DS.text.callout
                color: editor.c.inkSecondary
            }
        }
        Note {
            visible: editor.system.brightnessOn
            leftPadding: 23
            text: "Built-in display only — external monitors aren't touched."
        }
    }
    Row {
        spacing: 8
        Label {
            text: "Arrival sound"
        }
        DSSegmented {
            objectName: "sound"
            options: editor.system.soundOptions
            selection: editor.system.soundCue
            onActivated: value => editor.system.chooseSound(value)
        }
    }
    Row {
        spacing: 8
        Label {
            text: "Run a Shortcut"
        }
        SheetField {
            id: shortcutField
            objectName: "shortcut"
            // At least 260, and wide enough that the whole hint shows.
            width: Math.max(260, Math.ceil(shortcutMetrics.advanceWidth(placeholderText)) + leftPadding + rightPadding + 2)
            font: DS.text.callout
            placeholderText: "its name from the Brisklet Shortcuts folder (optional)"
            text: editor.system.shortcut
            onTextEdited: editor.system.setShortcut(text)
        }
    }
    FontMetrics {
        id: shortcutMetrics
        font: shortcutField.font
    }
    Note {
        text: "A Shortcut can do anything you've automated — Do Not Disturb, lights, Slack status."
    }
}
