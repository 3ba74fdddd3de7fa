import QtQuick
import Brisklet

// Shown while the settings file can't be written: the changes made here last until
// Brisklet quits.
FailureLine {
    visible: !status.written
    text: "Couldn't save your settings — the settings file can't be written, so changes last until Brisklet quits"
    SettingsWriteStatus {
        id: status
    }
}
