import QtQuick
import Brisklet

// What Brisklet may do, live: each missing permission with a way to grant it, the
// default browser's row, and the welcome tour again.
SettingsSection {
    id: section
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property var services
    readonly property alias model: permissions
    title: "Permissions"
    rowSpacing: 12

    PermissionsSettingsModel {
        id: permissions
        services: section.services
    }

    PermissionRow {
        objectName: "micRow"
        title: "Microphone"
        detail: "Hears your commands. Audio never leaves this computer."
        ok: permissions.mic
        onFix: permissions.allowMicrophone()
    }
    PermissionRow {
        objectName: "speechRow"
        title: "Speech recognition"
        detail: "Turns your voice into words, on this computer."
        ok: permissions.speech
        onFix: permissions.allowSpeech()
    }
    PermissionRow {
        objectName: "axRow"
        title: "Move & resize windows"
        detail: "Needed to place windows — “sort”, halves, and setups."
        ok: permissions.ax
        onFix: permissions.allowAccessibility()
    }
    SettingsDivider {}
    PermissionRow {
        readonly property bool denied: permissions.browserStatus === "denied"
        objectName: "browserRow"
        title: permissions.browserTitle
        detail: permissions.browserDetail
        ok: permissions.browserStatus === "granted"
        dotColor: ok ? section.c.success : denied ? section.c.emberText : section.c.inkQuaternary
        detailColor: denied ? section.c.emberText : section.c.inkSecondary
        buttonText: denied ? "Fix in Settings" : "Allow…"
        onFix: denied ? permissions.fixBrowser() : permissions.allowBrowser()
    }
    SettingsDivider {}
    Item {
        objectName: "tourRow"
        width: parent.width
        implicitHeight: tourButton.implicitHeight
        Text {
            objectName: "tourText"
            anchors.verticalCenter: parent.verticalCenter
            text: "Replay the welcome tour"
            font: DS.text.callout
            color: section.c.inkSecondary
        }
        DSSecondaryButton {
            id: tourButton
            objectName: "tourOpen"
            anchors.right: parent.right
            text: "Open"
            onClicked: permissions.runOnboarding()
        }
    }
}
