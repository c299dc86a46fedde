#pragma once

#include <QString>

// How the number boxes read their text: a signed 32-bit decimal integer; anything else, an
// empty box and numbers beyond 32 bits included, counts as 0.
namespace NumberText {

int read(const QString &text);

// The characters a number box accepts as typed: digits, backspace and delete.
bool isAcceptedKey(QChar c);

} // namespace NumberText
