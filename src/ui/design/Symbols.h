#pragma once

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

} // namespace brisklet::Symbols
