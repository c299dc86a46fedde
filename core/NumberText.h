#pragma once

#include <QString>

#include <optional>

// How the number boxes read their text: a signed 32-bit decimal integer; anything else, an
// empty box and numbers beyond 32 bits included, counts as 0.
namespace NumberText {

int read(const QString &text);

// The characters a number box accepts as typed: digits, backspace and delete.
bool isAcceptedKey(QChar c);

// Text as an input method types it, in the forms a reader of numbers knows: the full-width
// letters, digits and signs (U+FF01 to U+FF5E) as their ASCII forms, the full-width blank as a
// blank, the minus sign U+2212 as "-". Everything else stays as it is.
QString halfWidth(QStringView text);

// A number typed into a field or written in a settings file, read the one way every such
// field reads it: blanks at either end are left off, full-width forms read as halfWidth()
// gives them, and the number may be written in hexadecimal after "0x" or "$", as the settings
// file's numbers may. Nothing for an empty text, anything else, or a number beyond 32 bits.
std::optional<int> readTyped(QStringView text);

} // namespace NumberText
