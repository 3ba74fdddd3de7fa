import QtQuick
import Brisklet

// A phrase to say, between curly quotes, on one line in a capsule; the
// prominent chip is tinted amber.
Rectangle {
    id: chip
    // The palette of this view's window: its own appearance, else the app's.
    readonly property DSPalette c: DS.paletteFor(Window.window, DS.isDark)
    property string phrase
    property bool prominent: false
    // Whether the phrase had to be shortened to fit.
    readonly property bool shortened: label.text !== DS.quoted(phrase)
    // Measured in the font the label is drawn in, not the one it is given.
    readonly property font drawnFont: DS.asDrawn(DS.text.phrase)
    // The quoted phrase as drawn and 8 px each side, in whole pixels: a layout that
    // rounds a fractional width down would cut the phrase.
    implicitWidth: Math.ceil(whole.advanceWidth) + 16
    implicitHeight: label.implicitHeight + 6
    radius: height / 2
    color: prominent ? c.emberWash : c.well

    TextMetrics {
        id: whole
        font: chip.drawnFont
        text: DS.quoted(chip.phrase)
    }
    TextMetrics {
        id: quotes
        font: chip.drawnFont
        text: DS.quoted("")
    }
    // A chip narrower than its phrase shortens the phrase, not the quotes around it:
    // the closing quote shows that the phrase goes on.
    TextMetrics {
        id: fitted
        font: chip.drawnFont
        text: chip.phrase
        elide: Text.ElideRight
        elideWidth: chip.width - 16 - quotes.advanceWidth
    }

    Text {
        id: label
        objectName: "label"
        x: 8
        anchors.verticalCenter: parent.verticalCenter
        width: chip.width - 16
        text: DS.quoted(whole.advanceWidth <= chip.width - 16 ? chip.phrase : fitted.elidedText)
        font: DS.text.phrase
        color: chip.prominent ? chip.c.emberText : chip.c.inkSecondary
        maximumLineCount: 1
        wrapMode: Text.NoWrap
    }
}
