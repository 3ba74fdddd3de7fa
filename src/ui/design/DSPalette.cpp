#include "ui/design/DSPalette.h"

namespace brisklet {

namespace {

QColor rgb(quint32 value, double alpha) {
    QColor c = QColor::fromRgb((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF);
    c.setAlphaF(float(alpha));
    return c;
}

} // namespace

const std::vector<DSPalette::Entry>& DSPalette::table() {
    // Greys given as white levels are written as RGB: black 0x000000, white 0xFFFFFF.
    static const std::vector<Entry> entries{
        {"canvas", &DSPalette::canvas, 0xF7F4EF, 1, 0x171412, 1},
        {"surface", &DSPalette::surface, 0xFFFFFF, 1, 0x201C19, 1},
        {"surfaceRaised", &DSPalette::surfaceRaised, 0xFBF8F3, 1, 0x282320, 1},
        {"sidebar", &DSPalette::sidebar, 0xF1EDE6, 1, 0x131110, 1},
        {"well", &DSPalette::well, 0xEFEAE2, 1, 0x12100E, 1},
        {"ink", &DSPalette::ink, 0x1C1917, 1, 0xF2EEE8, 1},
        {"inkSecondary", &DSPalette::inkSecondary, 0x5C564F, 1, 0xC9C2B8, 1},
        {"inkTertiary", &DSPalette::inkTertiary, 0x8D867D, 1, 0x8F887E, 1},
        {"inkQuaternary", &DSPalette::inkQuaternary, 0xBBB4A9, 1, 0x5C564F, 1},
        {"hairline", &DSPalette::hairline, 0x000000, 0.09, 0xFFFFFF, 0.10},
        {"hairlineStrong", &DSPalette::hairlineStrong, 0x000000, 0.16, 0xFFFFFF, 0.18},
        {"ember", &DSPalette::ember, 0xE89B1C, 1, 0xF5A623, 1},
        {"emberText", &DSPalette::emberText, 0x8F5300, 1, 0xF5B04C, 1},
        {"emberWash", &DSPalette::emberWash, 0xE89B1C, 0.13, 0xF5A623, 0.16},
        {"action", &DSPalette::action, 0x1C1917, 1, 0xF2EEE8, 1},
        {"onAction", &DSPalette::onAction, 0xF7F4EF, 1, 0x1C1917, 1},
        {"success", &DSPalette::success, 0x3D7A3F, 1, 0x7BC47F, 1},
        // Not tokens: the heads-up display's labels (it is always dark, so its light
        // variants only serve a light snapshot), the system orange and a window's
        // plain background.
        {"labelPrimary", &DSPalette::labelPrimary, 0x1C1917, 1, 0xFFFFFF, 1},
        {"labelSecondary", &DSPalette::labelSecondary, 0x5C564F, 1, 0xFFFFFF, 0.55},
        {"systemOrange", &DSPalette::systemOrange, 0xFF9500, 1, 0xFF9F0A, 1},
        {"windowBackground", &DSPalette::windowBackground, 0xECECEC, 1, 0x323232, 1},
    };
    return entries;
}

DSPalette::DSPalette(bool isDark, QObject* parent) : QObject(parent), dark(isDark) {
    for (const Entry& e : table())
        this->*e.member = isDark ? rgb(e.dark, e.darkAlpha) : rgb(e.light, e.lightAlpha);
    // The brand's names for five tokens.
    briskletCream = canvas;
    briskletInk = ink;
    briskletSubtle = inkSecondary;
    briskletHairline = hairline;
    briskletAmber = ember;
}

} // namespace brisklet
