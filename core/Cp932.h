#pragma once

#include <QByteArray>
#include <QString>

// The one place where text becomes bytes of code page 932 and back. Everything the program
// keeps is a QString; every stored or written text passes through here, and every byte limit
// (20 for a name, 16 for a settings file base name, 8 for an ability name) counts these bytes.
namespace Cp932 {

// True when every character of the text has a code page 932 byte form that reads back as the
// same character, so nothing would turn into a substitute on writing.
bool canHold(QStringView text);

// The characters of the text that code page 932 cannot hold, each once, in order of appearance.
QString unheldCharacters(QStringView text);

// The text with each character code page 932 cannot hold written as its code point, "<U+00E9>"
// (a character beyond U+FFFF as one code point, "<U+1F600>"): visible in a file instead of a
// silent substitute.
QString withCodePoints(QStringView text);

QByteArray encode(QStringView text);
QString decode(QByteArrayView bytes);

qsizetype byteLength(QStringView text);

// The longest leading part of the text whose byte form has at most maxBytes bytes; a
// double-byte character that would be split is left out whole.
QString cutToBytes(QStringView text, qsizetype maxBytes);

// The text with everything except its last `bytes` bytes kept; a double-byte character
// straddling the cut is dropped whole.
QString dropLastBytes(QStringView text, qsizetype bytes);

} // namespace Cp932
