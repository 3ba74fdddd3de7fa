#pragma once

#include <QColor>
#include <QImage>
#include <QString>
#include <QStringList>

namespace brisklet::Symbols {

// The icon font every symbol is drawn from.
inline constexpr const char* fontFamily = "Material Icons";

// The glyph of a symbol name as the views store it ("checkmark", "info.circle.fill");
// an unknown name gets the outlined question mark.
QString glyph(const QString& name);
// The code point behind a name, 0 for an unknown one.
char32_t codePoint(const QString& name);
// Every name the table knows.
QStringList names();
// The symbol drawn in `color`, centred in a transparent square `pixels` wide.
QImage image(const QString& name, int pixels, const QColor& color);

} // namespace brisklet::Symbols
