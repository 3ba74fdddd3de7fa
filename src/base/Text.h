#pragma once

#include <QString>

namespace brisklet::Text {

// The one form in which spoken text is compared with names: lower-cased, every
// punctuation character removed (symbols and digits stay), split on white space,
// empty pieces dropped and joined with single blanks.
QString normalize(const QString& text);

// Trims spaces, tabs and other horizontal blanks, but not line breaks.
QString trimHorizontal(const QString& text);

// 0…999 in words: 40 → "forty", 105 → "one hundred five"; empty outside.
QString numberWords(int n);

// Runs of number words become digits, as a written transcript shows them:
// "volume forty five" → "volume 45".
QString numbersAsDigits(const QString& text);

// A name as the messages show it: between curly double quotes.
QString quoted(const QString& name);

} // namespace brisklet::Text
