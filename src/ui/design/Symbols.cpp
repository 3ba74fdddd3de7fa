#include "ui/design/Symbols.h"

#include <QFont>
#include <QPainter>
#include <map>

namespace brisklet::Symbols {

namespace {

const std::map<QString, char32_t>& table() {
    static const std::map<QString, char32_t> symbols{
        {QStringLiteral("checkmark"), 0xe5ca},
        {QStringLiteral("checkmark.circle.fill"), 0xe86c},
        {QStringLiteral("info.circle.fill"), 0xe88e},
        {QStringLiteral("info.circle"), 0xe88f},
        {QStringLiteral("questionmark.circle.fill"), 0xe887},
        {QStringLiteral("questionmark.circle"), 0xe8fd},
        {QStringLiteral("arrow.up.forward.app"), 0xe89e},
        {QStringLiteral("play.fill"), 0xe037},
        {QStringLiteral("waveform"), 0xe1b8},
        {QStringLiteral("wand.and.stars"), 0xe663},
        {QStringLiteral("square.grid.2x2"), 0xe9b0},
        {QStringLiteral("text.bubble"), 0xe0cb},
        {QStringLiteral("gearshape"), 0xe8b8},
        {QStringLiteral("macwindow.on.rectangle"), 0xe069},
        {QStringLiteral("app.badge"), 0xe5c3},
        {QStringLiteral("music.note"), 0xe405},
        {QStringLiteral("slider.horizontal.3"), 0xe429},
        {QStringLiteral("rectangle.3.group"), 0xe871},
        {QStringLiteral("sparkles"), 0xe65f},
        {QStringLiteral("plus"), 0xe145},
        {QStringLiteral("magnifyingglass"), 0xe8b6},
        {QStringLiteral("chevron.down"), 0xe5cf},
        {QStringLiteral("chevron.right"), 0xe5cc},
        {QStringLiteral("checkmark.seal.fill"), 0xef76},
        {QStringLiteral("hands.clap"), 0xebe5},
        {QStringLiteral("hand.raised"), 0xe925},
        {QStringLiteral("trash"), 0xe92e},
        {QStringLiteral("app.dashed"), 0xe162},
        {QStringLiteral("plus.app"), 0xe146},
        {QStringLiteral("rectangle.on.rectangle.angled"), 0xe3e0},
        {QStringLiteral("hammer"), 0xea59},
        {QStringLiteral("laptopcomputer"), 0xe31e},
        {QStringLiteral("terminal"), 0xeb8e},
        {QStringLiteral("curlybraces"), 0xead3},
        {QStringLiteral("paintbrush.pointed"), 0xe3ae},
        {QStringLiteral("pencil.and.outline"), 0xe3c9},
        {QStringLiteral("book"), 0xea19},
        {QStringLiteral("graduationcap"), 0xe80c},
        {QStringLiteral("chart.bar"), 0xe26b},
        {QStringLiteral("banknote"), 0xef63},
        {QStringLiteral("envelope"), 0xe0e1},
        {QStringLiteral("calendar"), 0xe935},
        {QStringLiteral("video"), 0xe04b},
        {QStringLiteral("mic"), 0xe029},
        {QStringLiteral("gamecontroller"), 0xea28},
        {QStringLiteral("camera"), 0xe412},
        {QStringLiteral("globe"), 0xe80b},
        {QStringLiteral("cart"), 0xe8cc},
        {QStringLiteral("dumbbell"), 0xeb43},
        {QStringLiteral("cup.and.saucer"), 0xe541},
        {QStringLiteral("moon.stars"), 0xef44},
        {QStringLiteral("sun.max"), 0xe430},
        {QStringLiteral("leaf"), 0xea35},
        {QStringLiteral("exclamationmark.triangle.fill"), 0xe002},
        {QStringLiteral("hands.clap.fill"), 0xebe5},
        {QStringLiteral("camera.viewfinder"), 0xe3b5},                     // center_focus_weak
        {QStringLiteral("square.and.pencil"), 0xe745},                     // edit_note
        {QStringLiteral("ellipsis"), 0xe5d3},                              // more_horiz
        {QStringLiteral("display.trianglebadge.exclamationmark"), 0xe99d}, // desktop_access_disabled
    };
    return symbols;
}

constexpr char32_t unknown = 0xe8fd; // help_outline

} // namespace

char32_t codePoint(const QString& name) {
    const auto it = table().find(name);
    return it == table().end() ? 0 : it->second;
}

QString glyph(const QString& name) {
    const char32_t code = codePoint(name);
    const char32_t shown = code ? code : unknown;
    return QString::fromUcs4(&shown, 1);
}

QStringList names() {
    QStringList all;
    for (const auto& [name, code] : table())
        all << name;
    return all;
}

QImage image(const QString& name, int pixels, const QColor& color) {
    QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QFont font(QString::fromLatin1(fontFamily));
    font.setPixelSize(pixels);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(image.rect(), Qt::AlignCenter, glyph(name));
    return image;
}

} // namespace brisklet::Symbols
